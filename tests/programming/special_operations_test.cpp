// The special operations OP 00 to OP 40, the undefined numbers, and OP through a register.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "cli/json_state.h"
#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "files/program_source.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

// A decimal written as text, e.g. "-0.6666666666666".
DecNumber number(std::string_view text) {
    const bool positive = text.empty() || text.front() != '-';
    return DecNumber::fromDigits(positive ? text : text.substr(1), positive, 0);
}

// Every operation leaves the printer file alone here.
std::unique_ptr<CalcEngine> quietEngineAfter(std::string_view keys) {
    auto engine = std::make_unique<CalcEngine>();
    engine->printerSink = [](std::u16string_view) {};
    test::press(*engine, keys);
    return engine;
}

// Statistics registers R01..R06 (sum x, sum x², n, sum y, sum y², sum xy), then T := 9 as a
// sentinel that failures must leave alone.
constexpr const char* kTwoPoints =  // (1, 1), (3, 2)
    "4 STO 01 10 STO 02 2 STO 03 3 STO 04 5 STO 05 7 STO 06 9 X<>T ";
constexpr const char* kSquare =  // (1, 1), (3, 1), (1, 3), (3, 3): slope 0
    "8 STO 01 20 STO 02 4 STO 03 8 STO 04 20 STO 05 16 STO 06 9 X<>T ";
constexpr const char* kSameY =  // (1, 1), (3, 1): d = 0
    "4 STO 01 10 STO 02 2 STO 03 2 STO 04 2 STO 05 4 STO 06 9 X<>T ";
constexpr const char* kSameX =  // (1, 1), (1, 2): slope 0, x variance 0
    "2 STO 01 2 STO 02 2 STO 03 3 STO 04 5 STO 05 3 STO 06 9 X<>T ";
constexpr const char* kThreePoints =  // (1, 1), (2, 2), (4, 3): b = -2/3 truncated
    "7 STO 01 21 STO 02 3 STO 03 6 STO 04 14 STO 05 17 STO 06 9 X<>T ";
constexpr const char* kThirds =  // (1, 1), (2, 2), (3, 3): variances 14/3 - 4
    "6 STO 01 14 STO 02 3 STO 03 6 STO 04 14 STO 05 14 STO 06 9 X<>T ";
constexpr const char* kNoPoints = "9 X<>T ";

TEST(SpecialOperations, DisplayTRegisterAndError) {
    struct Row {
        std::string keys;
        const char* x;
        const char* t;
        int error;
    };
    const std::string two = kTwoPoints, square = kSquare, sameY = kSameY, sameX = kSameX;
    const std::string none = kNoPoints;
    const Row rows[] = {
        // Integer part, sign, constants; the others leave X alone.
        {"12.7 OP 00", "12", "0", 0},
        {"12.7 +/- OP 00", "-12", "0", 0},
        {"13.9 OP 01", "13", "0", 0},
        {"1314151617 OP 04", "1314151617", "0", 0},
        {"13.9 +/- OP 02", "-13", "0", 0},
        {"7.5 OP 05", "7", "0", 0},
        {"2.5 OP 06", "2.5", "0", 0},
        {"3.7 OP 07", "3.7", "0", 0},
        {"2.5 OP 08", "2.5", "0", 0},
        {"2.5 OP 09", "2.5", "0", 0},
        {".0001 +/- OP 10", "-1", "0", 0},
        {"0 OP 10", "0", "0", 0},
        {"2.5 OP 10", "1", "0", 0},
        {"OP 16", "999.99", "0", 0},
        {"5 OP 17", "999.99", "0", 0},
        {"2.5 OP 18", "2.5", "0", 0},
        {"2.5 OP 40", "2.5", "0", 0},
        {"2.5 OP 41", "2.5", "0", 1},
        {"2.5 OP 99", "2.5", "0", 1},
        // Variances and the regression line x = m y + b.
        {two + "OP 12", "-1", "2", 0},
        {two + "OP 12 4 OP 14", "7", "2", 0},
        {two + "4 OP 14", "7", "9", 0},
        {two + "OP 11", "1", "0.25", 0},
        {two + "OP 13", "0.5", "9", 0},
        {two + "7 OP 15", "4", "9", 0},
        {square + "OP 12", "2", "0", 0},
        {square + "OP 11", "1", "1", 0},
        {square + "OP 13", "0", "9", 0},
        {square + "5 OP 14", "2", "9", 0},
        {square + "5 OP 15", "1", "9", 1},
        {std::string(kThreePoints) + "OP 12", "-0.6666666666666", "1.5", 0},
        {std::string(kThirds) + "OP 11", "0.666666666666", "0.666666666666", 0},
        {none + "OP 11", "0", "9", 1},
        {none + "OP 12", "1", "9", 1},
        {none + "OP 13", "1", "9", 1},
        {none + "5 OP 14", "1", "9", 1},
        {none + "5 OP 15", "1", "9", 1},
        {sameY + "OP 11", "1", "0", 0},
        {sameY + "OP 12", "1", "9", 1},
        {sameY + "OP 13", "1", "9", 1},
        {sameY + "5 OP 14", "1", "9", 1},
        {sameY + "5 OP 15", "1", "9", 1},
        {sameX + "OP 12", "1", "0", 0},
        {sameX + "OP 13", "1", "9", 1},
        {sameX + "5 OP 15", "1", "9", 1},
    };
    for (const Row& row : rows) {
        const auto engine = quietEngineAfter(row.keys);
        EXPECT_EQ(engine->displayValue(), number(row.x))
            << row.keys << " -> " << exactValue(engine->displayValue());
        EXPECT_EQ(engine->tRegister, number(row.t))
            << row.keys << " -> T " << exactValue(engine->tRegister);
        EXPECT_EQ(engine->errorFlag, row.error) << row.keys;
    }
}

TEST(SpecialOperations, AlphaBlocksFromTheDisplay) {
    struct Row {
        const char* keys;
        std::u16string line;
    };
    const Row rows[] = {
        {"1314151617 OP 01", u"ABCDE               "},
        {"13.9 OP 01", u"    A               "},
        {"1314151617 +/- OP 02", u"     ABCDE          "},
        {"151617 OP 03 OP 04", u"            CDE  CDE"},
        {"1314151617 OP 04 OP 00", u"                    "},
    };
    for (const Row& row : rows) {
        const auto engine = quietEngineAfter(row.keys);
        EXPECT_EQ(std::u16string(engine->alphaLine.data(), 20), row.line) << row.keys;
    }
}

TEST(SpecialOperations, IncrementsAndDecrementsOfR00ToR09) {
    for (int op = 20; op <= 39; ++op) {
        CalcEngine engine;
        for (int r = 0; r < 10; ++r)
            engine.registers[static_cast<std::size_t>(r)] = number(std::to_string(r) + ".5");
        test::press(engine, "3.25 OP " + std::to_string(op));
        const int target = op % 10;
        for (int r = 0; r < 10; ++r) {
            const int change = r != target ? 0 : (op < 30 ? 1 : -1);
            EXPECT_EQ(engine.registers[static_cast<std::size_t>(r)],
                      number(std::to_string(r) + ".5") + DecNumber::fromInt(change))
                << "OP " << op << " R0" << r;
        }
        EXPECT_EQ(engine.displayValue(), number("3.25")) << op;
        EXPECT_EQ(engine.errorFlag, 0);
    }
    EXPECT_EQ(quietEngineAfter(".25 +/- STO 00 OP 20")->registers[0], number("0.75"));
    EXPECT_EQ(quietEngineAfter(".5 STO 00 OP 30")->registers[0], number("-0.5"));
}

TEST(SpecialOperations, FlagSevenFromTheErrorState) {
    struct Row {
        const char* keys;
        int flag7;
    };
    const Row rows[] = {
        {"OP 18", 1},
        {"1 / 0 = OP 18", 0},
        {"OP 19", 0},
        {"1 / 0 = OP 19", 1},
        {"STF 7 1 / 0 = OP 18", 1},  // neither clears it
        {"STF 7 OP 19", 1},
        {"OP 40", 1},
        {"1 / 0 = OP 40", 1},
    };
    for (const Row& row : rows) {
        const auto engine = quietEngineAfter(row.keys);
        EXPECT_EQ(engine->userFlags[7], row.flag7) << row.keys;
        for (int f = 0; f < 10; ++f) {
            if (f != 7) {
                EXPECT_EQ(engine->userFlags[static_cast<std::size_t>(f)], 0) << row.keys;
            }
        }
    }
}

TEST(SpecialOperations, NumberThroughARegisterIsTakenModulo256) {
    struct Row {
        const char* value;  // of R05
        const char* x;
        int error;
        int r00;
    };
    const Row rows[] = {
        {"16", "999.99", 0, 0}, {"272", "999.99", 0, 0}, {"20", "2.5", 0, 1},
        {"41", "2.5", 1, 0},    {"255", "2.5", 1, 0},    {"297", "2.5", 1, 0},
    };
    for (const Row& row : rows) {
        // From the keyboard, OP IND 05.
        const auto keyed = quietEngineAfter(std::string(row.value) + " STO 05 2.5 OP IND 05");
        EXPECT_EQ(keyed->displayValue(), number(row.x)) << row.value;
        EXPECT_EQ(keyed->errorFlag, row.error) << row.value;
        EXPECT_EQ(keyed->registers[0], DecNumber::fromInt(row.r00)) << row.value;

        // As the stored step Op* 05 of a program.
        CalcEngine engine;
        engine.printerSink = [](std::u16string_view) {};
        const std::uint8_t steps[] = {key::kLbl, 11, 2, key::kPoint, 5, key::kOpInd, 5, 91};
        for (std::size_t i = 0; i < sizeof steps; ++i)
            engine.programMemory[0][i] = steps[i];
        test::press(engine, std::string(row.value) + " STO 05");
        ASSERT_EQ(pressAndRun(engine, 11, 100), RunOutcome::kDone);
        EXPECT_EQ(engine.displayValue(), number(row.x)) << "Op* " << row.value;
        EXPECT_EQ(engine.errorFlag, row.error) << "Op* " << row.value;
        EXPECT_EQ(engine.registers[0], DecNumber::fromInt(row.r00)) << "Op* " << row.value;
        EXPECT_EQ(engine.mode, kCalculate);
    }
}

// An undefined operation stops the run and abandons every level: R/S then continues after it
// on level 0, so the return at the end of B stops instead of going back to A.
TEST(SpecialOperations, UndefinedOperationInsideASubroutine) {
    CalcEngine engine;
    ASSERT_TRUE(assembleProgram(engine, R"(
LBL A SBR B 7 R/S
LBL B 3 OP 41 1 INV SBR
)")
                    .ok);
    ASSERT_EQ(pressAndRun(engine, 11, 100), RunOutcome::kDone);
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.errorFlag, 1);
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.displayValue(), DecNumber::fromInt(3));
    ASSERT_EQ(pressAndRun(engine, key::kRunStop, 100), RunOutcome::kDone);
    EXPECT_EQ(engine.mode, kCalculate);
    EXPECT_EQ(engine.displayValue(), DecNumber::fromInt(1));
}

TEST(SpecialOperations, CopyOfTheSelectedLibraryProgram) {
    CalcEngine engine;
    for (std::size_t i = 0; i < kSteps; ++i) {
        engine.programMemory[5][i] = static_cast<std::uint8_t>((i * 7) % 100);
        engine.programMemory[6][i] = 3;
    }
    ASSERT_TRUE(assembleProgram(engine, "LBL A 1 + 2 = R/S").ok);
    const ProgramBank user = engine.programMemory[0];
    test::press(engine, "OP 09");
    EXPECT_EQ(engine.programMemory[0], user);
    test::press(engine, "PGM 05 OP 09");
    EXPECT_EQ(engine.programMemory[0], engine.programMemory[5]);
    EXPECT_EQ(engine.errorFlag, 0);
}

}  // namespace
}  // namespace korvelce
