// Typing numbers: what the display shows while digits, the point, EE and +/- are pressed, and
// the value the typed text becomes.
#include <gtest/gtest.h>

#include <ostream>

#include "cli/json_state.h"
#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

using test::displayAfter;
using test::engineAfter;

struct EntryCase {
    const char* keys;
    const char* display;
};

// Names the case by its keys in test output.
void PrintTo(const EntryCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class EntryDisplay : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryDisplay, ShowsWhatWasTyped) {
    EXPECT_EQ(displayAfter(GetParam().keys), GetParam().display) << GetParam().keys;
}

INSTANTIATE_TEST_SUITE_P(
    Typing, EntryDisplay,
    ::testing::Values(EntryCase{"", "0"}, EntryCase{"0 0 0", "0"}, EntryCase{"0 0 0 5", "5"},
                      EntryCase{".", "0."}, EntryCase{". 1", "0.1"}, EntryCase{". 1 .", "0.1"},
                      EntryCase{"1 2 3 4 5 6 7 8 9 0 1", "1234567890"},
                      EntryCase{"1 2 3 4 5 6 7 8 9 0 .", "1234567890."},
                      EntryCase{". 1 2 3 4 5 6 7 8 9 1", "0.123456789"},
                      EntryCase{"1 2 . 5 EE 3 +/-", "12.5-03"}, EntryCase{"7 EE", "7 00"},
                      EntryCase{"5 EE 1 2 3", "5 23"}, EntryCase{"5 EE 1 2 3 +/-", "5-23"},
                      EntryCase{"5 EE 1 2 3 +/- INV EE 4", "54-23"}, EntryCase{"3 EE INV EE", "3"},
                      EntryCase{"3 EE +/-", "3-00"}, EntryCase{"+/-", "-0"},
                      EntryCase{"4 +/- +/-", "4"},
                      // With an exponent the mantissa takes eight digits.
                      EntryCase{"1 2 3 4 5 6 7 8 EE 9 INV EE 9", "12345678 09"},
                      EntryCase{"1 2 3 4 5 6 7 8 EE INV EE 9", "123456789"},
                      // Nine digits typed: EE leaves the buffer alone.
                      EntryCase{"1 2 3 4 5 6 7 8 9 EE", "123456789"},
                      EntryCase{"1 2 3 4 5 6 7 8 . EE 1", "12345678. 01"},
                      // CE clears the number being typed, CLR everything.
                      EntryCase{"1 2 CE", "0"}, EntryCase{"1 2 CE 3", "3"},
                      EntryCase{"1 2 CLR", "0"},
                      // DEG and friends do not end entry.
                      EntryCase{"5 DEG 1", "51"}, EntryCase{"5 INV 1", "51"}));

struct ValueCase {
    const char* keys;
    const char* exact;  // the display value after entry ends, as mantissa E exponent
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class EntryValue : public ::testing::TestWithParam<ValueCase> {};

// = ends entry and, with nothing pending, leaves the typed value as the display value.
TEST_P(EntryValue, EndsAsTheTypedNumber) {
    auto engine = engineAfter(std::string(GetParam().keys) + " =");
    EXPECT_EQ(exactValue(engine->displayValue()), GetParam().exact) << GetParam().keys;
    EXPECT_EQ(engine->errorFlag, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, EntryValue,
    ::testing::Values(ValueCase{"1 2 . 5 EE 3 +/-", "1250000000000E-2"},
                      ValueCase{"0 . 0 5", "5000000000000E-2"}, ValueCase{"+/-", "0E0"},
                      ValueCase{"9 9 9 9 9 9 9 9 9 9", "9999999999000E9"},
                      ValueCase{"5 EE 9 9", "5000000000000E99"},
                      ValueCase{"5 EE 1 2 3 +/- INV EE 4", "5400000000000E-22"}));

// EE on a value that is not being typed continues from the digits the display shows.
struct ReloadCase {
    const char* keys;
    const char* display;
    const char* exactAfterEquals;
};

void PrintTo(const ReloadCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class ExponentOnResult : public ::testing::TestWithParam<ReloadCase> {};

TEST_P(ExponentOnResult, ContinuesFromTheShownDigits) {
    auto engine = engineAfter(GetParam().keys);
    EXPECT_EQ(engine->displayText(), GetParam().display) << GetParam().keys;
    test::press(*engine, "=");
    EXPECT_EQ(exactValue(engine->displayValue()), GetParam().exactAfterEquals) << GetParam().keys;
}

INSTANTIATE_TEST_SUITE_P(
    Reload, ExponentOnResult,
    ::testing::Values(
        // A reloaded text without an exponent must not keep an earlier exponent's digits.
        ReloadCase{"5 EE 3 = INV EE EE", "5000. 00", "5000000000000E3"},
        ReloadCase{"5 EE 3 = INV EE EE 2", "5000. 02", "5000000000000E5"},
        // Scientific display: the shown mantissa and exponent are reloaded.
        ReloadCase{"1 2 3 EE 4 5 = EE", "1.23 47", "1230000000000E47"},
        ReloadCase{"2 . 5 EE 5 +/- = EE", "2.5-05", "2500000000000E-5"},
        // A negative value keeps its sign.
        ReloadCase{"7 +/- = EE", "-7. 00", "-7000000000000E0"}));

TEST(ExponentOnResult, NineOrTenShownDigitsDoNotOpenTheExponent) {
    // 1234567890 is shown with ten digits: EE loads them all and exponent entry cannot begin.
    auto engine = engineAfter("1 2 3 4 5 6 7 8 9 0 = EE");
    EXPECT_EQ(engine->displayText(), "1234567890.");
    EXPECT_EQ(engine->displayFormat, 1);
    test::press(*engine, "3");  // goes nowhere: the mantissa is full
    EXPECT_EQ(engine->displayText(), "1234567890.");
}

TEST(ExponentOnResult, InvExponentOnAResultLeavesTheValue) {
    auto engine = engineAfter("5 EE 3 = INV EE");
    EXPECT_EQ(engine->displayText(), "5000.");
    EXPECT_EQ(engine->displayFormat, 0);
    EXPECT_EQ(engine->entryActive, 0);
}

TEST(ExponentOnResult, ValueBeyondTwoExponentDigitsIsNotReloaded) {
    // A value with a three-digit exponent cannot be typed on; EE leaves it as it is.
    CalcEngine engine;
    engine.finishEntry();
    engine.stack.setDisplayValue(DecNumber::fromRaw(1234500000000, 150));
    engine.pressKey(key::kEe);
    EXPECT_EQ(engine.entryActive, 0);
    EXPECT_EQ(exactValue(engine.displayValue()), "1234500000000E150");
    EXPECT_EQ(engine.displayFormat, 1);
}

TEST(ExponentKey, EngineeringFormatSurvivesEe) {
    CalcEngine engine;
    engine.displayFormat = 2;
    test::press(engine, "5 EE 2");
    EXPECT_EQ(engine.displayFormat, 2);
    test::press(engine, "INV EE");
    EXPECT_EQ(engine.displayFormat, 2);
}

TEST(ChangeSign, OnAComputedValueNegatesIt) {
    auto engine = engineAfter("5 = +/-");
    EXPECT_EQ(engine->displayText(), "-5.");
    EXPECT_EQ(engine->entryActive, 0);
    EXPECT_EQ(engine->stack.operandReady, 1);
}

}  // namespace
}  // namespace korvelce
