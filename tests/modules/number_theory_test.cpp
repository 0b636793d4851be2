// Integer and number-theory programs of both library modules: base conversion, factorials and
// combinations, GCD/LCM/prime factors, decimal to fraction (Master); primes, Egyptian
// fractions, bitwise operations, digit utilities (Maths / Utilities). Expected values come from
// mathematics (known factorials, binomials, primes, binary and hexadecimal expansions, best
// rational approximations), never from the programs themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/library_run.h"

namespace korvelce {
namespace {

constexpr int kMaster = 110;
constexpr int kMaths = 128;
constexpr int kOverflow = -1;  // the error shown as 9.9999999 99

// One run with a single result: the display value, exact, or the documented error.
struct Case {
    int module;
    const char* keys;
    std::int64_t x;  // the result, or the error code when error is set
    bool error = false;
};

void expectResult(const test::LibraryRun& run, const Case& c) {
    EXPECT_EQ(run.engine->errorFlag, c.error ? 1 : 0) << c.keys;
    if (c.error && c.x == kOverflow) {
        EXPECT_EQ(run.display(), "9.9999999 99") << c.keys;
    } else {
        EXPECT_EQ(run.engine->displayValue().toInteger(), c.x) << c.keys;
    }
}

TEST(NumberTheory, SingleResults) {
    const Case cases[] = {
        // Master 11: 1000 = 3E8 hexadecimal (codes 03 14 08) = 1111101000 binary.
        {kMaster, "PGM 11 1000 C", 31408},
        {kMaster, "PGM 11 11 A' 11101000 E'", 1000},
        {kMaster, "PGM 11 11 A'", 3},
        {kMaster, "PGM 11 1000 A E", 11101000},
        {kMaster, "PGM 11 4294967295 C E", 15151515},
        {kMaster, "PGM 11 1750 B'", 1000},
        {kMaster, "PGM 11 15151515 C' 15151515 E'", 4294967295},  // FFFF FFFF
        {kMaster, "PGM 11 2 A'", 3, true},                        // no digit 2 in binary
        {kMaster, "PGM 11 16 C'", 3, true},                       // no hexadecimal digit 16
        {kMaster, "PGM 11 2.5 B", 2, true},
        {kMaster, "PGM 11 1000 A E E", 4, true},  // two groups only
        {kMaster, "PGM 11 1 E'", 4, true},        // no number being entered
        // Master 12: factorials, permutations, combinations.
        {kMaster, "PGM 12 10 A", 3628800},
        {kMaster, "PGM 12 15 A", 1307674368000},
        {kMaster, "PGM 12 0 A", 1},
        {kMaster, "PGM 12 16 A", kOverflow, true},  // 16! = 20922789888000
        {kMaster, "PGM 12 10 X<>T 3 B", 720},
        {kMaster, "PGM 12 9999999999 X<>T 2 B", kOverflow, true},
        {kMaster, "PGM 12 52 X<>T 5 C", 2598960},
        {kMaster, "PGM 12 46 X<>T 23 C", 8233430727600},  // 13 digits
        {kMaster, "PGM 12 100 X<>T 98 C", 4950},
        {kMaster, "PGM 12 5 X<>T 0 C", 1},
        {kMaster, "PGM 12 48 X<>T 24 C", kOverflow, true},  // 32247603683100
        {kMaster, "PGM 12 3 X<>T 5 C", 3, true},            // r > n
        {kMaster, "PGM 12 2.5 A", 2, true},
        // 13-digit inputs, made by arithmetic since the keyboard takes 10 digits
        {kMaster, "PGM 12 1234567890 * 1000 + 123 = X<>T 1 C", 1234567890123},
        {kMaster, "PGM 12 9999999999 * 1000 + 999 = X<>T 1 B", 9999999999999},
        // Master 13: GCD and LCM.
        {kMaster, "PGM 13 84 X<>T 36 A", 12},
        {kMaster, "PGM 13 84 X<>T 36 B", 252},
        {kMaster, "PGM 13 0 X<>T 5 A", 5},
        {kMaster, "PGM 13 0 X<>T 5 B", 0},
        {kMaster, "PGM 13 999999 X<>T 999998 B", 999997000002},
        {kMaster, "PGM 13 9999999999 X<>T 9999999998 B", kOverflow, true},
        {kMaster, "PGM 13 2.5 X<>T 5 A", 2, true},
        {kMaster, "PGM 13 0 C", 2, true},
        {kMaster, "PGM 13 1234567890 * 1000 + 123 = X<>T 3 A", 3},  // digit sum 51
        {kMaster, "PGM 13 1234567890 * 1000 + 122 = X<>T 3 A", 1},
        // Master 21: decimal to fraction (numerator in the display).
        {kMaster, "PGM 21 1 X<>T .75 A", 1},  // 1/1 is closer than 0/1
        // 1234567890123 / 1000, exact (tolerance 0)
        {kMaster, "PGM 21 0 X<>T 1234567890 * 1000 + 123 = / 1000 = B", 1234567890123},
        {kMaster, "PGM 21 0 X<>T 1.5 A", 2, true},
        {kMaster, "PGM 21 .001 +/- X<>T 1.5 B", 2, true},
        // Maths 12: primes.
        {kMaths, "PGM 12 9999999967 A", 1},
        {kMaths, "PGM 12 1 A", 0},
        {kMaths, "PGM 12 2 A", 1},
        {kMaths, "PGM 12 25 A", 0},
        {kMaths, "PGM 12 100 B", 101},
        {kMaths, "PGM 12 1 B", 2},
        {kMaths, "PGM 12 9999999999 B", 10000000019},
        {kMaths, "PGM 12 100 C", 97},
        {kMaths, "PGM 12 3 C", 2},
        {kMaths, "PGM 12 2 C", 3, true},
        {kMaths, "PGM 12 1.5 A", 2, true},
        {kMaths, "PGM 12 5 +/- B", 2, true},
        // Maths 13: Egyptian fractions, input errors.
        {kMaths, "PGM 13 8 X<>T 8 A", 2, true},
        {kMaths, "PGM 13 0 X<>T 8 A", 2, true},
        {kMaths, "PGM 13 1 X<>T 1234567890 * 1000 + 123 = A", 1234567890123},
        // Maths 20: bitwise operations.
        {kMaths, "PGM 20 12 X<>T 10 A", 8},
        {kMaths, "PGM 20 12 X<>T 10 B", 14},
        {kMaths, "PGM 20 12 X<>T 10 C", 6},
        {kMaths, "PGM 20 4294967295 X<>T 2863311530 A", 2863311530},
        {kMaths, "PGM 20 4294967295 X<>T 305419896 C", 3989547399},  // FFFFFFFF ^ 12345678
        {kMaths, "PGM 20 0 D", 4294967295},
        {kMaths, "PGM 20 8 X<>T 5 E", 250},
        {kMaths, "PGM 20 4294967296 X<>T 1 A", 2, true},
        {kMaths, "PGM 20 4 X<>T 16 E", 2, true},  // 16 needs 5 bits
        {kMaths, "PGM 20 33 X<>T 1 E", 3, true},
        // Maths 21: digit utilities.
        {kMaths, "PGM 21 9876543210 A", 45},
        {kMaths, "PGM 21 9876543210 B", 123456789},
        {kMaths, "PGM 21 12321 C", 1},
        {kMaths, "PGM 21 12310 C", 0},
        {kMaths, "PGM 21 9876543210 D", 10},
        {kMaths, "PGM 21 9999999999 * 1000 + 999 = A", 117},  // 13 nines
        {kMaths, "PGM 21 1234567890 * 1000 + 123 = B", 3210987654321},
        {kMaths, "PGM 21 0 D", 1},
        {kMaths, "PGM 21 1.5 A", 2, true},
    };
    for (const Case& c : cases)
        expectResult(test::runLibrary(c.module, c.keys), c);
}

// Results that come with a second number: the denominator in T (fractions), the smallest
// prime factor in R03 (primes), the groups still to show in T (base conversion).
TEST(NumberTheory, SecondResults) {
    struct Pair {
        int module;
        const char* keys;
        std::int64_t x;
        int reg;  // -1: the T register
        std::int64_t second;
    };
    const Pair cases[] = {
        {kMaster, "PGM 21 1000 X<>T 3.141592654 A", 355, -1, 113},
        {kMaster, "PGM 21 1000000 X<>T 987.9494742 A", 52422575, -1, 53062},
        {kMaster, "PGM 21 .001 X<>T .3333 B", 1, -1, 3},
        {kMaster, "PGM 21 0 X<>T 2.375 B", 19, -1, 8},
        {kMaster, "PGM 21 0 X<>T 2.375 +/- B", -19, -1, 8},
        {kMaster, "PGM 21 100 X<>T 0 A", 0, -1, 1},
        {kMaths, "PGM 12 9998000099 A", 0, 3, 99989},  // 99989 * 99991
        {kMaths, "PGM 12 9999999967 A", 1, 3, 9999999967},
        {kMaster, "PGM 11 9999999999 A", 10, -1, 4},  // 10 01010100 00001011 11100011 11111111
        {kMaster, "PGM 11 9999999999 A E E E E", 11111111, -1, 0},
    };
    for (const Pair& c : cases) {
        const test::LibraryRun run = test::runLibrary(c.module, c.keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << c.keys;
        EXPECT_EQ(run.engine->displayValue().toInteger(), c.x) << c.keys;
        const DecNumber second = c.reg < 0 ? run.engine->tRegister
                                           : run.engine->registers[static_cast<std::size_t>(c.reg)];
        EXPECT_EQ(second.toInteger(), c.second) << c.keys;
    }
}

// A printed line without its leading blanks and line break (the programs print ASCII only).
std::string trimmed(std::u16string_view line) {
    std::string text;
    for (const char16_t c : line)
        if (c != u'\r' && c != u'\n' && (c != u' ' || !text.empty())) text += static_cast<char>(c);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Programs that print, and that stop at R/S after each result: every value shown, up to the
// final one the program returns with, and every printed line.
TEST(NumberTheory, SequencesShownAndPrinted) {
    struct Sequence {
        int module;
        const char* keys;
        std::vector<std::int64_t> shown;  // the value at each stop, the last one at the return
        std::vector<std::string> printed;
        bool overflow = false;  // the last stop is the overflow error instead
    };
    const Sequence cases[] = {
        // Prime factors: 360 = 2^3 3^2 5, then 1 (nothing left).
        {kMaster, "PGM 13 360 C", {2, 2, 2, 3, 3, 5, 1}, {"2.", "2.", "2.", "3.", "3.", "5."}},
        {kMaster, "PGM 13 9999999967 C", {9999999967, 1}, {"9999999967."}},
        {kMaster, "PGM 13 9998000099 C", {99989, 99991, 1}, {"99989.", "99991."}},
        {kMaster, "PGM 13 1 C", {1}, {}},
        // Greedy Egyptian fractions: 4/13 = 1/4 + 1/18 + 1/468; 6/8 = 1/2 + 1/4.
        {kMaths, "PGM 13 4 X<>T 13 A", {4, 18, 468, 0}, {"4.", "18.", "468."}},
        {kMaths, "PGM 13 6 X<>T 8 A", {2, 4, 0}, {"2.", "4."}},
        // 5/121: the fifth denominator has 25 digits.
        {kMaths,
         "PGM 13 5 X<>T 121 A",
         {25, 757, 763309, 873960180913},
         {"25.", "757.", "763309.", "8.7396018 11"},
         true},
        // Base conversion prints every group; the display shows the first.
        {kMaster, "PGM 11 1000 C", {31408}, {"3E8"}},
        {kMaster, "PGM 11 1000 A", {11}, {"11", "11101000"}},
        {kMaster, "PGM 11 9999999999 B", {1124}, {"1124", "02761777"}},  // 112402761777
        {kMaster, "PGM 11 9999999999 C", {2}, {"2", "540B", "E3FF"}},    // 2540BE3FF
        {kMaster, "PGM 11 4294967295 C", {15151515}, {"FFFF", "FFFF"}},
        {kMaster, "PGM 11 0 A", {0}, {"0"}},
    };
    for (const Sequence& c : cases) {
        test::LibraryRun run = test::runLibrary(c.module, "");
        std::vector<std::string> printed;
        run.engine->printerSink = [&printed](std::u16string_view line) {
            printed.push_back(trimmed(line));
        };
        test::pressMore(run, c.keys);
        std::vector<std::int64_t> shown{run.engine->displayValue().toInteger()};
        while (run.engine->returnDepth > 0 && run.engine->errorFlag == 0 && shown.size() < 20) {
            test::pressMore(run, "R/S");
            if (run.engine->errorFlag == 0) shown.push_back(run.engine->displayValue().toInteger());
        }
        EXPECT_EQ(shown, c.shown) << c.keys;
        EXPECT_EQ(printed, c.printed) << c.keys;
        EXPECT_EQ(run.engine->errorFlag, c.overflow ? 1 : 0) << c.keys;
        if (c.overflow) {
            EXPECT_EQ(run.display(), "9.9999999 99") << c.keys;
        }
    }
}

// The programs driven by R/S end by returning; every R/S pressed after that end shows the
// final value (or the error) again and changes nothing: no register, no flag, no printed line.
TEST(NumberTheory, RunStopAfterTheEndChangesNothing) {
    struct Ending {
        const char* keys;
        const char* display;
        int module;
        int stops;  // R/S presses up to the end
        int error;
    };
    const Ending cases[] = {
        {"PGM 13 12 C", "1.", kMaster, 3, 0},
        {"PGM 13 1 C", "1.", kMaster, 0, 0},
        {"PGM 13 2.5 C", "2.", kMaster, 0, 1},
        {"PGM 13 4 X<>T 13 A", "0.", kMaths, 3, 0},
        {"PGM 13 5 X<>T 121 A", "9.9999999 99", kMaths, 4, 1},
        {"PGM 13 8 X<>T 8 A", "2.", kMaths, 0, 1},
    };
    for (const Ending& c : cases) {
        test::LibraryRun run = test::runLibrary(c.module, c.keys);
        for (int i = 0; i < c.stops; ++i)
            test::pressMore(run, "R/S");
        CalcEngine& engine = *run.engine;
        ASSERT_EQ(engine.returnDepth, 0) << c.keys;
        EXPECT_EQ(run.display(), c.display) << c.keys;
        EXPECT_EQ(engine.errorFlag, c.error) << c.keys;
        const auto registers = engine.registers;
        const auto flags = engine.userFlags;
        int printed = 0;
        engine.printerSink = [&printed](std::u16string_view) { ++printed; };
        for (int extra = 1; extra <= 3; ++extra) {
            test::pressMore(run, "R/S");
            const std::string label = std::string(c.keys) + ", extra R/S " + std::to_string(extra);
            EXPECT_EQ(engine.mode, kCalculate) << label;
            EXPECT_EQ(engine.returnDepth, 0) << label;
            EXPECT_EQ(run.display(), c.display) << label;
            EXPECT_EQ(engine.errorFlag, c.error) << label;
            EXPECT_TRUE(engine.registers == registers) << label;
            EXPECT_EQ(engine.userFlags, flags) << label;
            EXPECT_EQ(printed, 0) << label;
        }
    }
}

}  // namespace
}  // namespace korvelce
