// Library programs for random numbers, the guessing game, polynomial roots, sorting registers,
// binomial and Poisson probabilities and hours-minutes-seconds arithmetic, run from their
// modules. Expected values come from mathematics: the generator's recurrence recomputed here,
// roots and sorted orders known in advance, and probabilities evaluated to 30 digits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/library_run.h"

namespace korvelce {
namespace {

constexpr int kMaster = 110;
constexpr int kMaths = 128;

// The keys that put a value in the display: digits, then +/- for a negative one. Values are
// short decimals; rounding residues of the binary arithmetic below 1e-12 are dropped.
std::string typed(double value) {
    if (std::abs(value) < 1e-12) value = 0.0;
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", std::abs(value));
    return std::string(text) + (value < 0 ? " +/- " : " ");
}

void expectError(const test::LibraryRun& run, double code, const std::string& keys) {
    EXPECT_EQ(run.engine->errorFlag, 1) << keys;
    EXPECT_EQ(run.x(), code) << keys;
}

// The generator of master programs 19 and 25: s = 2968605 s mod 3162277, u = s / 3162277.
struct Generator {
    std::int64_t state;
    double next() {
        state = state * 2968605 % 3162277;
        return static_cast<double>(state) / 3162277.0;
    }
};

TEST(MiscPrograms, RandomNumbersFollowTheRecurrence) {
    test::LibraryRun run = test::runLibrary(kMaster, "PGM 19 12345 A' A D");
    Generator generator{12346};  // 12345 mod 3162276 + 1
    generator.next();
    EXPECT_EQ(run.x(), std::floor(6.0 * generator.next()) + 1.0);  // the example
    run = test::runLibrary(kMaster, "PGM 19 12345 A'");
    EXPECT_EQ(run.x(), 12346.0);
    generator.state = 12346;
    for (int i = 0; i < 300; ++i) {
        test::pressMore(run, "A");
        const double u = generator.next();
        ASSERT_NEAR(run.x(), u, 1e-12) << "draw " << i;
        ASSERT_EQ(run.r(1), static_cast<double>(generator.state)) << "draw " << i;
    }
    // With R01 empty (0), the state 1 is taken.
    EXPECT_NEAR(test::runLibrary(kMaster, "PGM 19 A").x(), 2968605.0 / 3162277.0, 1e-12);
    // A seed above the period wraps: 3162276 * 2 + 6 gives the state 7.
    EXPECT_EQ(test::runLibrary(kMaster, "PGM 19 6324558 A'").r(1), 7.0);
}

TEST(MiscPrograms, RandomNormalsDiceAndErrors) {
    // Normal pairs by the polar method, recomputed from the same uniforms.
    test::LibraryRun run = test::runLibrary(kMaster, "PGM 19 777 A'");
    Generator generator{778};
    for (int i = 0; i < 20; ++i) {
        double v1 = 0.0;
        double v2 = 0.0;
        double w = 0.0;
        do {
            v1 = 2.0 * generator.next() - 1.0;
            v2 = 2.0 * generator.next() - 1.0;
            w = v1 * v1 + v2 * v2;
        } while (w >= 1.0);
        const double f = std::sqrt(-2.0 * std::log(w) / w);
        // Even draws standard, odd ones with mean 10 and standard deviation 2.
        const bool scaled = i % 2 == 1;
        test::pressMore(run, scaled ? "10 X<>T 2 C" : "B");
        const double m = scaled ? 10.0 : 0.0;
        const double s = scaled ? 2.0 : 1.0;
        EXPECT_NEAR(run.x(), m + s * v1 * f, 1e-9 * (1.0 + std::abs(m + s * v1 * f))) << i;
        EXPECT_NEAR(run.t(), m + s * v2 * f, 1e-9 * (1.0 + std::abs(m + s * v2 * f))) << i;
    }
    // Dice and 1 to n: the integer part of n u, plus 1.
    run = test::runLibrary(kMaster, "PGM 19 4242 A'");
    generator.state = 4243;
    for (int i = 0; i < 30; ++i) {
        const int n = i % 3 == 0 ? 6 : 37;
        test::pressMore(run, n == 6 ? "D" : "37 E");
        EXPECT_EQ(run.x(), std::floor(n * generator.next()) + 1.0) << i;
    }
    for (const char* keys : {"PGM 19 7.5 E", "PGM 19 0 E", "PGM 19 3 +/- E"})
        expectError(test::runLibrary(kMaster, keys), 2.0, keys);
}

TEST(MiscPrograms, RandomNumbersPassSimpleStatistics) {
    test::LibraryRun run = test::runLibrary(kMaster, "PGM 19 2024 A'");
    double sum = 0.0;
    double squares = 0.0;
    const int draws = 2000;
    for (int i = 0; i < draws; ++i) {
        test::pressMore(run, "A");
        ASSERT_GT(run.x(), 0.0);
        ASSERT_LT(run.x(), 1.0);
        sum += run.x();
        squares += run.x() * run.x();
    }
    const double mean = sum / draws;
    EXPECT_NEAR(mean, 0.5, 0.025);  // 4 standard errors
    EXPECT_NEAR(squares / draws - mean * mean, 1.0 / 12.0, 0.01);
    sum = squares = 0.0;
    for (int i = 0; i < 500; ++i) {
        test::pressMore(run, "B");
        for (const double z : {run.x(), run.t()}) {
            sum += z;
            squares += z * z;
        }
    }
    EXPECT_NEAR(sum / 1000.0, 0.0, 0.13);
    EXPECT_NEAR(squares / 1000.0, 1.0, 0.15);
    int faces[7] = {};
    for (int i = 0; i < 600; ++i) {
        test::pressMore(run, "D");
        const double face = run.x();
        ASSERT_TRUE(face >= 1.0 && face <= 6.0 && face == std::floor(face)) << face;
        ++faces[static_cast<int>(face)];
    }
    for (int face = 1; face <= 6; ++face)
        EXPECT_NEAR(faces[face], 100, 40) << face;
}

TEST(MiscPrograms, GuessingGameAnswersAndCountsTries) {
    struct Case {
        const char* start;   // after PGM 25
        std::int64_t state;  // generator state after the seed
        double range;
    };
    const Case cases[] = {
        {"12345 A", 12346, 100.0},  // the example: the number is 88
        {"1000 B 777 A", 778, 1000.0},
        {"2 B 5 A", 6, 2.0},
        {"3162276 B 99 A", 100, 3162276.0},
    };
    for (const auto& c : cases) {
        const std::string start = std::string("PGM 25 ") + c.start;
        test::LibraryRun run = test::runLibrary(kMaster, start);
        EXPECT_EQ(run.x(), c.range) << start;
        Generator generator{c.state};
        const double secret = std::floor(c.range * generator.next()) + 1.0;
        double low = 1.0;
        double high = c.range;
        int tries = 0;
        for (;;) {
            const double guess = std::floor((low + high) / 2.0);
            ++tries;
            test::pressMore(run, typed(guess) + "R/S");
            ASSERT_EQ(run.engine->errorFlag, 0) << start;
            if (guess == secret) {
                EXPECT_NEAR(run.x(), tries / 100.0, 1e-12) << start;
                break;
            }
            ASSERT_EQ(run.x(), guess < secret ? 1.0 : -1.0) << start << " guess " << guess;
            (guess < secret ? low : high) = guess + (guess < secret ? 1.0 : -1.0);
            ASSERT_LE(tries, 25) << start;
        }
        EXPECT_LE(tries, static_cast<int>(std::log2(c.range)) + 1) << start;
        // The game is over: another guess is an error.
        test::pressMore(run, "5 R/S");
        expectError(run, 2.0, start + " then R/S");
    }
    // The example as written: 88 is the number.
    const char* example = "PGM 25 12345 A 50 R/S";
    test::LibraryRun run = test::runLibrary(kMaster, example);
    EXPECT_EQ(run.x(), 1.0);
    test::pressMore(run, "90 R/S");
    EXPECT_EQ(run.x(), -1.0);
    test::pressMore(run, "88 R/S");
    EXPECT_NEAR(run.x(), 0.03, 1e-12);
    // A game given up, and a second game from the same generator.
    run = test::runLibrary(kMaster, "PGM 25 12345 A E");
    EXPECT_EQ(run.x(), 88.0);
    test::pressMore(run, "0 A E");
    Generator generator{12346};
    generator.next();
    EXPECT_EQ(run.x(), std::floor(100.0 * generator.next()) + 1.0);
    for (const char* keys : {"PGM 25 1.5 B", "PGM 25 1 B", "PGM 25 3162277 B"})
        expectError(test::runLibrary(kMaster, keys), 3.0, keys);
    expectError(test::runLibrary(kMaster, "PGM 25 12345 A 88 R/S E"), 2.0, "E after the end");
}

// Coefficients a0, a1, ... of the product of the factors (x - root).
std::vector<double> fromRoots(const std::vector<std::complex<double>>& roots) {
    std::vector<std::complex<double>> c{1.0};
    for (const auto& root : roots) {
        c.insert(c.begin(), 0.0);
        for (std::size_t k = 0; k + 1 < c.size(); ++k)
            c[k] -= root * c[k + 1];
    }
    std::vector<double> real;
    for (const auto& v : c)
        real.push_back(v.real());
    return real;
}

TEST(MiscPrograms, PolynomialRootsAreFound) {
    using C = std::complex<double>;
    const double h = std::sqrt(0.5);
    const std::vector<std::vector<C>> cases = {
        {1.0, 2.0, 3.0},                                                         // the example
        {C(-1.0, 2.0), C(-1.0, -2.0)},                                           // x^2 + 2x + 5
        {-1.5},                                                                  // 2x + 3, halved
        {0.0, 0.0, 1.0, 2.0},                                                    // zero roots
        {C(h, h), C(h, -h), C(-h, h), C(-h, -h)},                                // x^4 + 1
        {1.0, -1.0, C(0, 1), C(0, -1), C(h, h), C(h, -h), C(-h, h), C(-h, -h)},  // x^8 - 1
        {1.0, -2.0, 3.0, -4.0, C(-1, 2), C(-1, -2), C(2, 1), C(2, -1)},
        {0.5, 0.25, -8.0, C(0.5, 3.0), C(0.5, -3.0), 10.0, 1.0},
        {C(0.01, 0.02), C(0.01, -0.02), 0.005, 20.0, 4.0},  // wide spread
    };
    for (const auto& roots : cases) {
        const std::vector<double> a = fromRoots(roots);
        const int n = static_cast<int>(a.size()) - 1;
        std::string keys = "PGM 07 ";
        for (int k = 0; k <= n; ++k)
            keys += typed(a[static_cast<std::size_t>(k)]) + "STO " + std::to_string(10 + k) + " ";
        keys += std::to_string(n) + " A";
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        ASSERT_EQ(run.engine->errorFlag, 0) << keys;
        EXPECT_EQ(run.r(20), n) << keys;
        EXPECT_EQ(run.x(), run.r(21)) << keys;
        EXPECT_EQ(run.t(), run.r(31)) << keys;
        std::vector<C> found;
        for (int k = 1; k <= n; ++k)
            found.emplace_back(run.r(20 + k), run.r(30 + k));
        for (const C& root : roots) {
            const auto nearest = std::min_element(
                found.begin(), found.end(),
                [&](const C& p, const C& q) { return std::abs(p - root) < std::abs(q - root); });
            ASSERT_NE(nearest, found.end());
            EXPECT_LE(std::abs(*nearest - root), 1e-9 * std::max(1.0, std::abs(root)))
                << keys << ": root " << root << " found as " << *nearest;
            found.erase(nearest);
        }
    }
}

TEST(MiscPrograms, PolynomialRootsShowOneByOneAndReportErrors) {
    // R/S steps through the roots and comes back to the first; B shows one.
    test::LibraryRun run =
        test::runLibrary(kMaths, "PGM 07 6 +/- STO 10 11 STO 11 6 +/- STO 12 1 STO 13 3 A");
    std::vector<double> shown{run.x()};
    for (int i = 0; i < 3; ++i) {
        test::pressMore(run, "R/S");
        shown.push_back(run.x());
        EXPECT_EQ(run.t(), 0.0);
    }
    EXPECT_EQ(shown[3], shown[0]);
    std::sort(shown.begin(), shown.begin() + 3);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(shown[static_cast<std::size_t>(k)], k + 1.0, 1e-9);
    test::pressMore(run, "2 B");
    EXPECT_EQ(run.x(), run.r(22));
    struct Case {
        const char* keys;
        double code;
    };
    const Case errors[] = {
        {"PGM 07 1 STO 10 1 STO 11 9 A", 2.0},  // degree above 8
        {"PGM 07 1 STO 10 1 STO 11 0 A", 2.0},
        {"PGM 07 1 STO 10 1 STO 11 1.5 A", 2.0},
        {"PGM 07 5 STO 10 2 STO 11 0 STO 12 2 A", 3.0},      // leading coefficient 0
        {"PGM 07 5 STO 10 2 STO 11 1 STO 12 2 A 3 B", 2.0},  // only two roots
    };
    for (const auto& c : errors)
        expectError(test::runLibrary(kMaths, c.keys), c.code, c.keys);
}

TEST(MiscPrograms, SortRegisters) {
    // A block of values with repeats, from a small congruential sequence.
    std::vector<double> values;
    std::int64_t seed = 17;
    for (int i = 0; i < 93; ++i) {
        seed = seed * 1103 % 9973;
        values.push_back(static_cast<double>(seed % 41 - 20) / 4.0);
    }
    struct Case {
        int first;
        int last;
        bool descending;
    };
    const Case cases[] = {
        {7, 99, false}, {7, 99, true}, {20, 59, false}, {33, 34, true}, {50, 50, false}};
    for (const auto& c : cases) {
        std::string keys = "PGM 11 ";
        for (int r = 7; r <= 99; ++r)
            keys += typed(values[static_cast<std::size_t>(r - 7)]) + (r < 10 ? "STO 0" : "STO ") +
                    std::to_string(r) + " ";
        keys += std::to_string(c.first) + " X<>T " + std::to_string(c.last) +
                (c.descending ? " B" : " A");
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        std::vector<double> expected = values;
        const auto from = expected.begin() + (c.first - 7);
        const auto to = expected.begin() + (c.last - 6);
        if (c.descending)
            std::sort(from, to, [](double p, double q) { return p > q; });
        else
            std::sort(from, to);
        EXPECT_EQ(run.engine->errorFlag, 0);
        EXPECT_EQ(run.x(), c.last - c.first + 1);
        for (int r = 7; r <= 99; ++r)
            ASSERT_EQ(run.r(r), expected[static_cast<std::size_t>(r - 7)])
                << c.first << " to " << c.last << ", R" << r;
    }
    // The example, then errors that leave the registers alone.
    const char* example = "PGM 11 3 STO 10 1.5 +/- STO 11 7 STO 12 0 STO 13 2 STO 14 10 X<>T 14 A";
    test::LibraryRun run = test::runLibrary(kMaths, example);
    const double ascending[] = {-1.5, 0.0, 2.0, 3.0, 7.0};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(run.r(10 + k), ascending[k]);
    test::pressMore(run, "10 X<>T 14 B");
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(run.r(14 - k), ascending[k]);
    for (const char* keys : {"14 X<>T 10 A", "6 X<>T 10 A", "10 X<>T 100 B", "10.5 X<>T 14 A"}) {
        test::pressMore(run, std::string("CE ") + keys);
        expectError(run, 2.0, keys);
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(run.r(14 - k), ascending[k]) << keys;
    }
}

TEST(MiscPrograms, BinomialAndPoissonProbabilities) {
    struct Case {
        const char* keys;  // after PGM 18
        double expected;   // to 30 digits, rounded to double
    };
    const Case cases[] = {
        {"10 A .3 B 3 C", 0.266827932},  // the examples
        {"10 A .3 B 3 D", 0.6496107184},
        {"10 A .3 B 8 E", 0.0015903864},
        {"10 A .3 B 0 D", 0.0282475249},   // 0.7^10
        {"10 A .3 B 10 E", 0.0000059049},  // 0.3^10
        {"10 A .3 B 10 D", 1.0},
        {"10 A .3 B 0 E", 1.0},
        {"1000 A .5 B 500 C", 0.0252250181783608019068},
        {"1000 A .5 B 450 D", 0.000865268042488158804123},
        {"1000 A .5 B 550 E", 0.000865268042488158804123},  // the mirror image
        {"4 A' 2 C'", 0.146525111109873442350},
        {"4 A' 6 D'", 0.889326021597426309817},
        {"4 A' 12 E'", 0.000915229147270063013009},
        {"4 A' 0 C'", 0.0183156388887341802937},  // e^-4
        {"100 A' 80 D'", 0.0226491766422556103428},
        {"100 A' 130 E'", 0.00228209305431695538138},
        // A, B and A' only store: the check comes with C to E'
        {"10 A 1 B", 1.0},
        {"2.5 A", 2.5},
        {"0 A'", 0.0},
    };
    for (const auto& c : cases) {
        const std::string keys = std::string("PGM 18 ") + c.keys;
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << keys;
        EXPECT_NEAR(run.x(), c.expected, 1e-9 * c.expected) << keys;
    }
    struct Error {
        const char* keys;
        double code;
    };
    const Error errors[] = {
        {"10 A .3 B 11 C", 3.0}, {"10 A .3 B 2.5 D", 3.0}, {"10 A .3 B 1 +/- E", 3.0},
        {"10 A 0 B 3 C", 2.0},   {"10 A 1 B 3 D", 2.0},    {"2.5 A .3 B 1 C", 2.0},
        {"0 A' 2 C'", 2.0},      {"4 A' 1.5 D'", 3.0},
    };
    for (const auto& e : errors) {
        const std::string keys = std::string("PGM 18 ") + e.keys;
        expectError(test::runLibrary(kMaths, keys), e.code, keys);
    }
}

TEST(MiscPrograms, HoursMinutesSeconds) {
    struct Case {
        const char* keys;  // after PGM 19
        double expected;
    };
    const Case cases[] = {
        {"1.3045 A 2.453 B", 4.1615},  // 1:30:45 + 2:45:30 = 4:16:15
        {"1.3045 A 2.453 B 5 C", -0.4345},
        {"1.3045 A 2.453 B 5 C D'", -(43.0 / 60.0 + 45.0 / 3600.0)},
        {"1.3 D", 1.5},
        {"1.5 E", 1.3},
        {"2.758333333 E", 2.453},  // 2.758333333 h = 9929.9999988 s
        {"1.3045125 D", 1.0 + 30.0 / 60.0 + 45.125 / 3600.0},
        {"100 A .0000001 C", 99.5959999},  // 100 h - 0.001 s
        {".5959 A .0001 B", 1.0},
        {"10 +/- A 2.3 B", -7.3},
        {"0.0007 D", 7.0 / 3600.0},
    };
    for (const auto& c : cases) {
        const std::string keys = std::string("PGM 19 ") + c.keys;
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << keys;
        EXPECT_NEAR(run.x(), c.expected, 1e-12 * std::max(1.0, std::abs(c.expected))) << keys;
    }
    // Minutes or seconds of 60 or more: the error, and the total stays.
    for (const char* keys : {"1.3045 A 1.7 B", "1.3045 A 1.3075 C", "1.3045 A .006 B"}) {
        const test::LibraryRun run = test::runLibrary(kMaths, std::string("PGM 19 ") + keys);
        expectError(run, 2.0, keys);
        EXPECT_EQ(run.r(1), 5445.0) << keys;
    }
    expectError(test::runLibrary(kMaths, "PGM 19 1.6 D"), 2.0, "1.6 D");
}

}  // namespace
}  // namespace korvelce
