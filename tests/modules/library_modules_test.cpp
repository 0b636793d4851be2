// Both library modules are built into the program and their first programs run from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "support/library_run.h"

namespace korvelce {
namespace {

TEST(LibraryModules, FirstProgramsRunFromTheirBanks) {
    struct Case {
        int module;
        const char* keys;
        double expected;
    };
    const Case cases[] = {
        {110, "PGM 01 A", 1.0},     // the self-test agrees with itself
        {128, "PGM 01 5 A", 24.0},  // Gamma(5) = 4!
    };
    for (const auto& c : cases) {
        const test::LibraryRun run = test::runLibrary(c.module, c.keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << c.keys;
        EXPECT_NEAR(run.x(), c.expected, 1e-9 * c.expected) << c.keys;
    }
}

// The self-test leaves the angle unit, display format, fixed decimals, the flags other than 3
// and 4 and the registers outside R01 to R09 as they were, and clears pending operations.
TEST(LibraryModules, SelfTestKeepsTheSettingsItPromises) {
    struct Row {
        const char* before;  // keys pressed after PGM 01, before A
        const char* display;
    };
    const Row rows[] = {
        {"", "1."},
        {"RAD 1 EE 2 =", "1. 00"},
        {"GRD FIX 3", "1.000"},
        {"FIX 0 1 EE 2 =", "1. 00"},
        {"1 EE 2 = FIX 4 RAD", "1.0000 00"},
        {"ENG FIX 2", "1.00 00"},
        {"1 EE 2 = INV EE FIX 8", "1.00000000"},
        {"STF 0 STF 3 STF 4 STF 7 STF 9 RAD", "1."},
        {"42 STO 00 43 STO 10 44 STO 99", "1."},
        {"3 + ( 4 * ( 5 +", "1."},         // pending operations and parentheses
        {"1 EE 2 = 7 EE 5 +/-", "1. 00"},  // a number being typed, in its exponent
        {"1 EE 2 = .000000000", "1. 00"},  // ten digits typed: no room for another
    };
    for (const auto& row : rows) {
        // The selection stays from the keyboard, so A may end a number being typed.
        test::LibraryRun run = test::runLibrary(110, std::string("PGM 01 ") + row.before);
        CalcEngine& engine = *run.engine;
        const int format = engine.displayFormat;
        const int fix = engine.fixDigits;
        const int angle = engine.angleUnit;
        std::array<int, kFlags> flags = engine.userFlags;
        flags[3] = 0;
        flags[4] = 0;
        const auto registers = engine.registers;
        test::pressMore(run, "A");
        const std::string label = row.before;
        EXPECT_EQ(engine.errorFlag, 0) << label;
        EXPECT_EQ(run.display(), row.display) << label;
        EXPECT_EQ(run.x(), 1.0) << label;
        EXPECT_EQ(engine.displayFormat, format) << label;
        EXPECT_EQ(engine.fixDigits, fix) << label;
        EXPECT_EQ(engine.angleUnit, angle) << label;
        EXPECT_EQ(engine.userFlags, flags) << label;
        EXPECT_EQ(engine.mode, kCalculate) << label;
        EXPECT_EQ(engine.returnDepth, 0) << label;
        for (const int r : {0, 10, 50, 99})
            EXPECT_TRUE(engine.registers[static_cast<std::size_t>(r)] ==
                        registers[static_cast<std::size_t>(r)])
                << label << ": R" << r;
        // Nothing is left pending: an expression typed next evaluates on its own.
        test::pressMore(run, "2 + 3 * 4 =");
        EXPECT_EQ(run.x(), 14.0) << label;
    }
}

// A failing check shows minus its number, and the settings are kept on that path too. Check 1
// is made to fail by changing its constant 18 (the steps - 1 8 =) to 17.
TEST(LibraryModules, SelfTestFailureShowsTheCheckAndKeepsTheFormat) {
    for (const char* before : {"", "1 EE 2 = FIX 2", "ENG"}) {
        test::LibraryRun run = test::runLibrary(110, before);
        CalcEngine& engine = *run.engine;
        auto& program = engine.programMemory[1];
        const std::array<std::uint8_t, 4> constant = {75, 1, 8, 95};
        const auto at =
            std::search(program.begin(), program.end(), constant.begin(), constant.end());
        ASSERT_NE(at, program.end());
        *(at + 2) = 7;
        const int format = engine.displayFormat;
        const int fix = engine.fixDigits;
        test::pressMore(run, "PGM 01 A");
        EXPECT_EQ(run.x(), -1.0) << before;
        EXPECT_EQ(engine.displayFormat, format) << before;
        EXPECT_EQ(engine.fixDigits, fix) << before;
    }
}

}  // namespace
}  // namespace korvelce
