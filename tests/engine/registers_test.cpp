// Data registers, the statistics keys and the HIR step. Keys without an operand are pressed
// through the token helper; operand keys call the engine as the operand collector would.
#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "cli/json_state.h"
#include "decimal/dec_number.h"
#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

using test::press;

std::string reg(const CalcEngine& engine, std::size_t n) {
    return exactValue(engine.registers[n]);
}

// The sums R01..R06 in register order.
std::array<std::string, 6> sums(const CalcEngine& engine) {
    std::array<std::string, 6> out;
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = reg(engine, i + 1);
    return out;
}

// --- Statistics driven entirely from the keyboard ---

struct StatCase {
    const char* keys;
    const char* x;  // exact display value
    const char* t;  // exact T register
    bool error;
};

void PrintTo(const StatCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class StatisticsKeys : public ::testing::TestWithParam<StatCase> {};

TEST_P(StatisticsKeys, DisplayTAndError) {
    const StatCase& c = GetParam();
    auto engine = test::engineAfter(c.keys);
    EXPECT_EQ(exactValue(engine->displayValue()), c.x) << c.keys;
    EXPECT_EQ(exactValue(engine->tRegister), c.t) << c.keys;
    EXPECT_EQ(engine->errorFlag != 0, c.error) << c.keys;
}

INSTANTIATE_TEST_SUITE_P(
    Points, StatisticsKeys,
    ::testing::Values(
        // One point: the display shows n.
        StatCase{"CMS 1 X<>T 2 STA", "1000000000000E0", "2000000000000E0", false},
        // (2, 1) and (4, 3): means 3 and 2, deviations both sqrt 2.
        StatCase{"CMS 1 X<>T 2 STA 3 X<>T 4 STA", "2000000000000E0", "4000000000000E0", false},
        StatCase{"CMS 1 X<>T 2 STA 3 X<>T 4 STA AVR", "3000000000000E0", "2000000000000E0", false},
        StatCase{"CMS 1 X<>T 2 STA 3 X<>T 4 STA INV AVR", "1414213562373E0", "1414213562373E0",
                 false},
        // x = 1, 2, 4 and then 1, 1, 2, with y = 5, 6, 7 (T counts up by itself). The x
        // deviation is (sum x^2 - sum x * sum x / n) / (n - 1) in truncating steps, in that
        // order: for 1, 1, 2 it ends in ...897, where dividing before multiplying gives ...902.
        StatCase{"CMS 5 X<>T 1 STA 2 STA 4 STA AVR", "2333333333333E0", "6000000000000E0", false},
        StatCase{"CMS 5 X<>T 1 STA 2 STA 4 STA INV AVR", "1527525231652E0", "1000000000000E0",
                 false},
        StatCase{"CMS 5 X<>T 1 STA 1 STA 2 STA INV AVR", "5773502691897E-1", "1000000000000E0",
                 false},
        // No points: AVR shows 1, INV AVR 0, both with the error and T untouched.
        StatCase{"CMS 7 X<>T AVR", "1000000000000E0", "7000000000000E0", true},
        StatCase{"CMS 7 X<>T INV AVR", "0E0", "7000000000000E0", true},
        StatCase{"CMS AVR INV AVR", "0E0", "0E0", true},
        // One point: the mean exists, the deviation does not.
        StatCase{"CMS 1 X<>T 2 STA AVR", "2000000000000E0", "1000000000000E0", false},
        StatCase{"CMS 1 X<>T 2 STA INV AVR", "0E0", "2000000000000E0", true},
        // Removing the only point: n back to 0, T back to y.
        StatCase{"CMS 1 X<>T 2 STA 1 X<>T 2 INV STA", "0E0", "0E0", false},
        // Sums are never range-limited: x squared far beyond the range raises no error.
        StatCase{"CMS 1 EE 60 STA", "1000000000000E0", "1000000000000E0", false}));

TEST(Statistics, OnePointFillsTheSums) {
    auto engine = test::engineAfter("CMS 1 X<>T 2 STA");
    const std::array<std::string, 6> expected{"2000000000000E0", "4000000000000E0",
                                              "1000000000000E0", "1000000000000E0",
                                              "1000000000000E0", "2000000000000E0"};
    EXPECT_EQ(sums(*engine), expected);
    EXPECT_EQ(engine->displayText(), "1.");
}

TEST(Statistics, SumsAreNotLimited) {
    auto engine = test::engineAfter("CMS 1 EE 60 STA");
    EXPECT_EQ(reg(*engine, 2), "1000000000000E120");
    EXPECT_EQ(engine->errorFlag, 0);
}

// STA then INV STA with the same point leaves R01..R06 as they were.
struct RestoreCase {
    const char* before;  // keys that leave some sums behind
    const char* x;       // keys that leave x in the display
    const char* y;       // keys that leave y in the display (moved to T)
};

void PrintTo(const RestoreCase& c, std::ostream* out) {
    *out << '"' << c.before << "\" y=\"" << c.y << "\" x=\"" << c.x << '"';
}

class StatisticsRestore : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(StatisticsRestore, InverseRemovesThePoint) {
    const RestoreCase& c = GetParam();
    auto engine = test::engineAfter(c.before);
    const auto earlier = sums(*engine);
    const std::string point = std::string(c.y) + " X<>T " + c.x;
    press(*engine, point + " STA");
    ASSERT_NE(sums(*engine), earlier);
    press(*engine, point + " INV STA");
    EXPECT_EQ(sums(*engine), earlier) << c.before << " / " << point;
    EXPECT_EQ(exactValue(engine->displayValue()), reg(*engine, 3));
    EXPECT_EQ(engine->errorFlag, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Points, StatisticsRestore,
    ::testing::Values(RestoreCase{"CMS", "2", "1"},
                      // From empty sums every one of the thirteen digits survives.
                      RestoreCase{"CMS", "2 / 3 =", "1 / 7 ="},
                      RestoreCase{"CMS", "3 SQRT", "5 1/X +/-"},
                      RestoreCase{"CMS", "1 EE 60 1/X", "1 EE 70"},
                      RestoreCase{"CMS 1 X<>T 2 STA 3 X<>T 4 STA", "2.5", "7"},
                      RestoreCase{"CMS 10 X<>T 20 STA 30 STA 40 STA", "0", "0"}));

TEST(Statistics, ClearRegistersLeavesDisplayTAndPendingAlone) {
    CalcEngine engine;
    for (std::size_t i = 0; i < engine.registers.size(); ++i)
        engine.registers[i] = DecNumber::fromInt(static_cast<int>(i) + 1);
    press(engine, "4 X<>T 2 + 3 CMS");
    for (const DecNumber& r : engine.registers)
        EXPECT_EQ(exactValue(r), "0E0");
    EXPECT_EQ(exactValue(engine.displayValue()), "3000000000000E0");
    press(engine, "=");
    EXPECT_EQ(exactValue(engine.displayValue()), "5000000000000E0");
    EXPECT_EQ(exactValue(engine.tRegister), "4000000000000E0");
    EXPECT_EQ(engine.errorFlag, 0);
}

// --- Register operations ---

// One operand key: the keys before it, then the key's own finishEntry, then the operation.
struct OperandStep {
    const char* keys;
    int op;
    int n;
    bool inv;
};

void run(CalcEngine& engine, const OperandStep& step) {
    press(engine, step.keys);
    engine.finishEntry(false);
    engine.registerOperation(step.op, step.n, step.inv);
}

struct RegisterCase {
    const char* name;
    std::vector<OperandStep> steps;
    const char* after;  // keys pressed after the last step
    std::size_t n;
    const char* reg;  // exact value of Rn at the end
    const char* x;    // exact display value at the end
    bool error;
};

void PrintTo(const RegisterCase& c, std::ostream* out) {
    *out << c.name;
}

class RegisterOps : public ::testing::TestWithParam<RegisterCase> {};

TEST_P(RegisterOps, RegisterDisplayAndError) {
    const RegisterCase& c = GetParam();
    CalcEngine engine;
    for (const OperandStep& step : c.steps)
        run(engine, step);
    press(engine, c.after);
    EXPECT_EQ(reg(engine, c.n), c.reg) << c.name;
    EXPECT_EQ(exactValue(engine.displayValue()), c.x) << c.name;
    EXPECT_EQ(engine.errorFlag != 0, c.error) << c.name;
}

constexpr int kSto = key::kSto;
constexpr int kRcl = key::kRcl;
constexpr int kSum = key::kSum;
constexpr int kExc = key::kExc;
constexpr int kPrd = key::kPrd;

INSTANTIATE_TEST_SUITE_P(
    Keys, RegisterOps,
    ::testing::Values(
        RegisterCase{
            "sto", {{"5", kSto, 7, false}}, "", 7, "5000000000000E0", "5000000000000E0", false},
        RegisterCase{"inv sto is sto",
                     {{"5", kSto, 7, true}},
                     "",
                     7,
                     "5000000000000E0",
                     "5000000000000E0",
                     false},
        RegisterCase{"sto sum rcl",
                     {{"5", kSto, 7, false}, {"3", kSum, 7, false}, {"CLR", kRcl, 7, false}},
                     "",
                     7,
                     "8000000000000E0",
                     "8000000000000E0",
                     false},
        RegisterCase{"inv sum of itself",
                     {{"5", kSto, 7, false},
                      {"3", kSum, 7, false},
                      {"CLR", kRcl, 7, false},
                      {"", kSum, 7, true}},
                     "",
                     7,
                     "0E0",
                     "8000000000000E0",
                     false},
        RegisterCase{"prd",
                     {{"3", kSto, 0, false}, {"4", kPrd, 0, false}},
                     "",
                     0,
                     "1200000000000E1",
                     "4000000000000E0",
                     false},
        RegisterCase{"inv prd",
                     {{"12", kSto, 99, false}, {"4", kPrd, 99, true}},
                     "",
                     99,
                     "3000000000000E0",
                     "4000000000000E0",
                     false},
        RegisterCase{"inv prd by zero",
                     {{"5", kSto, 7, false}, {"0", kPrd, 7, true}},
                     "",
                     7,
                     "9999999900000E99",
                     "0E0",
                     true},
        RegisterCase{"inv prd by zero of a negative",
                     {{"5 +/-", kSto, 7, false}, {"0", kPrd, 7, true}},
                     "",
                     7,
                     "9999999900000E99",
                     "0E0",
                     true},
        RegisterCase{"exc",
                     {{"6", kSto, 7, false}, {"4", kExc, 7, false}},
                     "",
                     7,
                     "4000000000000E0",
                     "6000000000000E0",
                     false},
        RegisterCase{"inv exc is exc",
                     {{"6", kSto, 7, false}, {"4", kExc, 7, true}},
                     "",
                     7,
                     "4000000000000E0",
                     "6000000000000E0",
                     false},
        // The recalled or exchanged value is an operand for a pending operation.
        RegisterCase{"rcl after operator",
                     {{"6", kSto, 7, false}, {"2 +", kRcl, 7, false}},
                     "=",
                     7,
                     "6000000000000E0",
                     "8000000000000E0",
                     false},
        RegisterCase{"exc after operator",
                     {{"6", kSto, 7, false}, {"2 +", kExc, 7, false}},
                     "=",
                     7,
                     "2000000000000E0",
                     "8000000000000E0",
                     false},
        // Results beyond the range are clamped in the register only.
        RegisterCase{"sum overflow",
                     {{"9 EE 99", kSto, 5, false}, {"9 EE 99", kSum, 5, false}},
                     "",
                     5,
                     "9999999900000E99",
                     "9000000000000E99",
                     true},
        RegisterCase{"inv sum overflow",
                     {{"9 EE 99", kSto, 5, false}, {"9 +/- EE 99", kSum, 5, true}},
                     "",
                     5,
                     "9999999900000E99",
                     "-9000000000000E99",
                     true},
        RegisterCase{"prd underflow",
                     {{"1 EE 60 1/X", kSto, 5, false}, {"1 EE 60 1/X", kPrd, 5, false}},
                     "",
                     5,
                     "1000000000000E-99",
                     "1000000000000E-60",
                     true},
        RegisterCase{"prd negative underflow",
                     {{"1 EE 60 1/X +/-", kSto, 5, false}, {"1 EE 60 1/X", kPrd, 5, false}},
                     "",
                     5,
                     "-1000000000000E-99",
                     "1000000000000E-60",
                     true},
        RegisterCase{"inv prd negative overflow",
                     {{"1 +/- EE 60", kSto, 5, false}, {"1 EE 60 1/X", kPrd, 5, true}},
                     "",
                     5,
                     "-9999999900000E99",
                     "1000000000000E-60",
                     true},
        // The limit itself is in range.
        RegisterCase{"sum to the limit",
                     {{"9.9999998 EE 99", kSto, 5, false}, {"1 EE 92", kSum, 5, false}},
                     "",
                     5,
                     "9999999900000E99",
                     "1000000000000E92",
                     false}),
    [](const ::testing::TestParamInfo<RegisterCase>& row) {
        std::string name = row.param.name;
        for (char& ch : name)
            if (ch == ' ') ch = '_';
        return name;
    });

TEST(RegisterOps, RecallShowsOutOfRangeValueAndClampsRegister) {
    CalcEngine engine;
    const DecNumber huge{2000000000000, 150};
    engine.registers[12] = huge;
    engine.registerOperation(key::kRcl, 12, false);
    EXPECT_EQ(exactValue(engine.displayValue()), exactValue(huge));
    EXPECT_EQ(reg(engine, 12), "9999999900000E99");
    EXPECT_EQ(engine.errorFlag, 1);
}

TEST(RegisterOps, StoreOfOutOfRangeDisplayClampsOnlyTheRegister) {
    CalcEngine engine;
    const DecNumber tiny{-3000000000000, -120};
    engine.stack.setDisplayValue(tiny);
    engine.registerOperation(key::kSto, 20, false);
    EXPECT_EQ(reg(engine, 20), "-1000000000000E-99");
    EXPECT_EQ(exactValue(engine.displayValue()), exactValue(tiny));
    EXPECT_EQ(engine.errorFlag, 1);
}

struct BadNumberCase {
    int op;
    int n;
    bool inv;
};

void PrintTo(const BadNumberCase& c, std::ostream* out) {
    *out << "op " << c.op << " n " << c.n << (c.inv ? " INV" : "");
}

class RegisterNumberOutOfRange : public ::testing::TestWithParam<BadNumberCase> {};

TEST_P(RegisterNumberOutOfRange, RaisesErrorAndChangesNothing) {
    const BadNumberCase& c = GetParam();
    CalcEngine engine;
    for (std::size_t i = 0; i < engine.registers.size(); ++i)
        engine.registers[i] = DecNumber::fromInt(static_cast<int>(i) + 1);
    press(engine, "9 X<>T 2 + 7");
    engine.finishEntry(false);
    const auto registersBefore = engine.registers;
    engine.registerOperation(c.op, c.n, c.inv);
    EXPECT_EQ(engine.errorFlag, 1);
    for (std::size_t i = 0; i < engine.registers.size(); ++i)
        EXPECT_TRUE(sameRepresentation(engine.registers[i], registersBefore[i])) << i;
    EXPECT_EQ(exactValue(engine.displayValue()), "7000000000000E0");
    EXPECT_EQ(exactValue(engine.tRegister), "9000000000000E0");
    press(engine, "=");
    EXPECT_EQ(exactValue(engine.displayValue()), "9000000000000E0");
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, RegisterNumberOutOfRange,
    ::testing::Values(BadNumberCase{kSto, 100, false}, BadNumberCase{kSto, -1, false},
                      BadNumberCase{kRcl, 100, false}, BadNumberCase{kRcl, -1, false},
                      BadNumberCase{kSum, 100, true}, BadNumberCase{kSum, -1, false},
                      BadNumberCase{kExc, 100, false}, BadNumberCase{kExc, -1, false},
                      BadNumberCase{kPrd, 100, true}, BadNumberCase{kPrd, 12345, false}));

// --- HIR ---

struct HirCase {
    const char* keys;  // keys before the step
    int operand;
    const char* after;  // keys after the step
    const char* x;      // exact display value at the end
    bool error;
};

void PrintTo(const HirCase& c, std::ostream* out) {
    *out << '"' << c.keys << " HIR " << c.operand << ' ' << c.after << '"';
}

class HirOperation : public ::testing::TestWithParam<HirCase> {};

TEST_P(HirOperation, ActsOnTheHRegister) {
    const HirCase& c = GetParam();
    CalcEngine engine;
    press(engine, c.keys);
    engine.finishEntry(false);
    engine.hirOperation(c.operand);
    press(engine, c.after);
    EXPECT_EQ(exactValue(engine.displayValue()), c.x)
        << c.keys << " HIR " << c.operand << " " << c.after;
    EXPECT_EQ(engine.errorFlag != 0, c.error) << c.keys << " HIR " << c.operand;
}

// With "a + b" pending, H register 1 holds a and the display (H register 2) holds b; the
// final "=" reveals what became of a.
INSTANTIATE_TEST_SUITE_P(
    Steps, HirOperation,
    ::testing::Values(
        HirCase{"2 + 3", 1, "=", "6000000000000E0", false},       // H1 = 3
        HirCase{"2 + 3", 11, "", "2000000000000E0", false},       // recall H1
        HirCase{"2 + 3", 11, "=", "4000000000000E0", false},      // 2 + 2
        HirCase{"2 +", 11, "=", "4000000000000E0", false},        // recall supplies the operand
        HirCase{"2 + 3", 19, "", "0E0", false},                   // H9 does not exist
        HirCase{"2 + 3", 10, "", "0E0", false},                   // nor does H0
        HirCase{"2 + 3", 21, "=", "5000000000000E0", false},      // nothing
        HirCase{"2 + 3", 31, "=", "8000000000000E0", false},      // H1 = 2 + 3
        HirCase{"2 + 3", 41, "=", "9000000000000E0", false},      // H1 = 2 * 3
        HirCase{"2 + 3", 51, "=", "2000000000000E0", false},      // H1 = 2 - 3
        HirCase{"6 + 3", 61, "=", "5000000000000E0", false},      // H1 = 6 / 3
        HirCase{"6 + 3", 91, "=", "5000000000000E0", false},      // 9 divides too
        HirCase{"6 + 0", 61, "=", "6000000000000E0", false},      // no division by zero
        HirCase{"2 + 3", 9, "=", "5000000000000E0", false},       // store into H9: nothing
        HirCase{"2 + 3", 32, "", "6000000000000E0", false},       // display + itself
        HirCase{"7", 31, "", "1400000000000E1", false},           // x + x
        HirCase{"2 + 3 * 4", 12, "=", "1100000000000E1", false},  // 2 + 3 * 3
        HirCase{"2 + 3 * 4", 42, "=", "5000000000000E1", false},  // H2 = 12: 2 + 12 * 4
        HirCase{"2 + 3 * 4", 52, "=", "-2000000000000E0", false}  // H2 = -1: 2 + -1 * 4
        ));

}  // namespace
}  // namespace korvelce
