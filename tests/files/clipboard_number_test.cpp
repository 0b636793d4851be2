// Copy and paste of numbers, shared by the front ends: the display as a plain number, every
// digit of a value, and numbers from other programs as the keys that type them in.
#include "files/clipboard_number.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/calc_engine.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(ClipboardNumber, PlainNumbersFromDisplayTexts) {
    const struct {
        const char* text;
        bool exponent;
        const char* number;
    } rows[] = {
        {"1.414213562", false, "1.414213562"},
        {"-1.5-12", true, "-1.5e-12"},
        {".3333333333", false, "0.3333333333"},
        {"-.5", false, "-0.5"},
        {"6.0221408 23", true, "6.0221408e23"},
        {"12.", false, "12"},
        {"0.", false, "0"},
        {"-0", false, "0"},
        {"5 00", true, "5"},
        {"9.9999999 99", true, "9.9999999e99"},
        {"1.-99", true, "1e-99"},
        {"-12.5 05", true, "-12.5e5"},
        // The display's whole field, blanks before the number.
        {"           14.", false, "14"},
        {"       .5", false, "0.5"},
        {"         -0.5", false, "-0.5"},
        {"          -0.", false, "0"},
        {"     1.5 -12", true, "1.5e-12"},
        {" 6.0221408 23", true, "6.0221408e23"},
        {"  1.  00", true, "1"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(plainNumber(row.text, row.exponent), row.number) << row.text;
}

TEST(ClipboardNumber, AllDigitsOfAValue) {
    const struct {
        DecNumber value;
        const char* number;
    } rows[] = {
        {DecNumber::fromRaw(1414213562373, 0), "1.414213562373"},
        {DecNumber::fromRaw(-1500000000000, -12), "-1.5e-12"},
        {DecNumber::fromRaw(1234567890123, 12), "1234567890123"},
        {DecNumber::fromRaw(1234567890123, 13), "1.234567890123e13"},
        {DecNumber::fromRaw(1200000000000, -5), "0.000012"},
        {DecNumber::fromRaw(1200000000000, -6), "1.2e-6"},
        {DecNumber::fromRaw(5000000000000, 3), "5000"},
        {DecNumber{}, "0"},
        {kLargest, "9.9999999e99"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(fullNumber(row.value), row.number) << row.number;
}

TEST(ClipboardNumber, NumbersTypedInOrRefused) {
    const struct {
        const char* text;
        const char* keys;  // key tokens, or "" when refused
    } rows[] = {
        {"12.5", "1 2 . 5"},
        {"  -.5 ", ". 5 +/-"},
        {"1.5e-12", "1 . 5 EE 1 2 +/-"},
        {"+3E04", "3 EE 4"},
        {"007", "7"},
        {"0.0", "0"},
        {"1234567890", "1 2 3 4 5 6 7 8 9 0"},
        {"0.000000001", ". 0 0 0 0 0 0 0 0 1"},
        {"12345678e99", "1 2 3 4 5 6 7 8 EE 9 9"},
        {"1.50000000000000", "1 . 5"},
        {"12345678901", ""},   // eleven digits
        {"0.0000000001", ""},  // the tenth digit after an inserted 0
        {"123456789e5", ""},   // nine digits with an exponent
        {"1e100", ""},
        {"hello", ""},
        {"1.2.3", ""},
        {"1,5", ""},
        {"e5", ""},
        {"", ""},
        {"1e", ""},
    };
    for (const auto& row : rows) {
        const TypedNumber typed = keysForNumber(row.text);
        if (*row.keys == '\0') {
            EXPECT_TRUE(typed.keys.empty()) << row.text;
            EXPECT_FALSE(typed.problem.empty()) << row.text;
        } else {
            EXPECT_TRUE(typed.problem.empty()) << row.text << ": " << typed.problem;
            EXPECT_EQ(typed.keys, test::keyCodes(row.keys)) << row.text;
        }
    }
}

TEST(ClipboardNumber, PastesAreRefusedWhileTheCalculatorCannotTakeANumber) {
    const struct {
        const char* before;  // keys pressed first
        const char* text;    // the clipboard
        const char* keys;    // the keys pasted, or "" when refused
        const char* problem;
    } rows[] = {
        {"CLR", "12.5", "CE 1 2 . 5", ""},  // CLR leaves an empty number being typed
        {"CLR 7 7", "3", "CE 3", ""},       // a number being typed is replaced
        {"CLR 7 7 +", "3", "3", ""},        // after an operator nothing is being typed
        {"CLR STO", "3", "", "waits for the rest of a key"},
        {"CLR GTO", "3", "", "waits for the rest of a key"},
        {"CLR", "", "", "holds no text"},
        {"CLR", "  ", "", "no number to paste"},
        {"CLR", "abc", "", "\"abc\" is not a number"},
        {"CLR", "1.2.3.4.5.6.7.8.9.10.11.12", "", "\"1.2.3.4.5.6.7.8.9.10....\" is not"},
        // Cut by characters, never inside one.
        {"CLR",
         "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
         "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9",
         "",
         "\"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
         "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9...\" is not"},
        {"LRN", "5", "5", ""},  // learn mode keys the digits in as steps
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.before) + " | " + row.text);
        CalcEngine engine;
        test::press(engine, row.before);
        const TypedNumber typed = keysForPaste(engine, row.text);
        if (*row.keys == '\0') {
            EXPECT_TRUE(typed.keys.empty());
            EXPECT_NE(typed.problem.find(row.problem), std::string::npos) << typed.problem;
        } else {
            EXPECT_EQ(typed.problem, "");
            EXPECT_EQ(typed.keys, test::keyCodes(row.keys));
        }
    }
    // Never while a program runs.
    CalcEngine running;
    test::press(running, "LRN LBL A GTO A LRN A");
    ASSERT_EQ(running.mode, kRun);
    EXPECT_NE(keysForPaste(running, "5").problem.find("a program is running"), std::string::npos);
}

}  // namespace
}  // namespace korvelce
