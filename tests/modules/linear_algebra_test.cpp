// Library programs of algebra: linear equations, inverse, polynomials, quadratic and cubic
// roots, Lagrange interpolation (module 110); matrix product and transpose, dominant
// eigenvalue (module 128). Expected values are closed forms or exact rational arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/library_run.h"

namespace korvelce {
namespace {

// Keys that store v in register reg.
std::string put(int reg, double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.10g%s STO %02d ", std::fabs(v), v < 0 ? " +/-" : "", reg);
    return text;
}

// Keys that store values in registers first, first + stride, ...
std::string putAll(int first, const std::vector<double>& values, int stride = 1) {
    std::string keys;
    for (const double v : values) {
        keys += put(first, v);
        first += stride;
    }
    return keys;
}

// n in R00 and the n by n matrix a (row after row) in R(10 i + j).
std::string square(const std::vector<double>& a) {
    const int n = static_cast<int>(std::lround(std::sqrt(static_cast<double>(a.size()))));
    std::string keys = put(0, n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j)
            keys += put(10 * i + j + 11, a[static_cast<std::size_t>(n * i + j)]);
    }
    return keys;
}

struct Case {
    std::string keys;  // registers set up, then the program's keys
    double display;    // the display value at the end
    bool error = false;
    std::vector<std::pair<int, double>> registers = {};  // expected values; register -1 is T
};

void expectClose(double got, double expected, const std::string& what) {
    const double tolerance = expected == 0.0 ? 1e-11 : 1e-9 * std::fabs(expected);
    EXPECT_NEAR(got, expected, tolerance) << what;
}

void checkCases(int module, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        const test::LibraryRun run = test::runLibrary(module, c.keys);
        EXPECT_EQ(run.engine->errorFlag, c.error ? 1 : 0);
        expectClose(run.x(), c.display, "display");
        for (const auto& [reg, value] : c.registers) {
            expectClose(reg < 0 ? run.t() : run.r(reg), value, "R" + std::to_string(reg));
        }
    }
}

const double kSqrtHalf = std::sqrt(0.5);
const double kSqrt3 = std::sqrt(3.0);

TEST(LinearAlgebraLibrary, LinearEquations) {
    const std::vector<double> a8 = {5, 8,  5,  5,  7,  9,  -3, -4, 7,  6,  -4, -6, 5,  0,  -5, -7,
                                    8, -8, 3,  5,  -4, -9, 7,  -7, -8, -8, -3, -2, -9, 5,  1,  5,
                                    9, -3, 7,  -2, 0,  6,  -9, -7, 5,  -1, 4,  8,  -7, -1, 1,  -2,
                                    7, 0,  -9, -7, 9,  -6, 3,  -6, 0,  3,  -7, -9, -9, -3, -3, -8};
    const std::vector<double> singular = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    checkCases(110,
               {
                   // the example: solution (2, 3, -1), determinant -1
                   {square({2, 1, -1, -3, -1, 2, -2, 1, 2}) + putAll(19, {8, -11, -3}, 10) +
                        put(50, 7) + "PGM 02 A",
                    -1,
                    false,
                    {{10, 2}, {20, 3}, {30, -1}, {50, 7}}},
                   // 8 equations built on the solution (1, -2, 3, -4, 5, -6, 7, -8)
                   {square(a8) + putAll(19, {-24, 53, 152, -101, 1, -19, 158, 25}, 10) + "PGM 02 A",
                    3786110,
                    false,
                    {{10, 1}, {20, -2}, {30, 3}, {40, -4}, {50, 5}, {60, -6}, {70, 7}, {80, -8}}},
                   {put(0, 1) + put(11, 4) + put(19, 10) + "PGM 02 A", 4, false, {{10, 2.5}}},
                   // a zero pivot: the rows must be exchanged
                   {square({0, 2, 3, 1}) + putAll(19, {4, 5}, 10) + "PGM 02 A",
                    -6,
                    false,
                    {{10, 1}, {20, 2}}},
                   {square(singular) + "PGM 02 B", 0},
                   {square(singular) + putAll(19, {1, 2, 3}, 10) + "PGM 02 A", 2, true},
                   {put(0, 9) + "PGM 02 A", 3, true},
               });
}

TEST(LinearAlgebraLibrary, MatrixInverse) {
    // The second difference matrix K (2 on the diagonal, -1 beside it) of order 6 has
    // determinant 7 and the inverse min(i, j) (7 - max(i, j)) / 7.
    std::vector<double> k6(36, 0.0);
    std::vector<std::pair<int, double>> k6Inverse;
    for (int i = 1; i <= 6; ++i) {
        for (int j = 1; j <= 6; ++j) {
            k6[static_cast<std::size_t>(6 * (i - 1) + j - 1)] = i == j                 ? 2
                                                                : std::abs(i - j) == 1 ? -1
                                                                                       : 0;
            k6Inverse.emplace_back(10 * i + j, std::min(i, j) * (7 - std::max(i, j)) / 7.0);
        }
    }
    checkCases(110, {
                        {square({4, 7, 2, 6}) + "PGM 03 A",
                         10,
                         false,
                         {{11, 0.6}, {12, -0.7}, {21, -0.2}, {22, 0.4}}},
                        // a zero pivot: rows must be exchanged
                        {square({0, 1, 2, 1, 0, 3, 4, -3, 8}) + put(41, 5) + "PGM 03 A",
                         -2,
                         false,
                         {{11, -4.5},
                          {12, 7},
                          {13, -1.5},
                          {21, -2},
                          {22, 4},
                          {23, -1},
                          {31, 1.5},
                          {32, -2},
                          {33, 0.5},
                          {41, 5}}},
                        {square(k6) + "PGM 03 A", 7, false, k6Inverse},
                        {square({1, 2, 2, 4}) + "PGM 03 A", 2, true},
                        {put(0, 7) + "PGM 03 A", 3, true},
                    });
}

TEST(LinearAlgebraLibrary, Polynomial) {
    const std::string example = put(0, 3) + putAll(10, {-1, 2, -6, 2});
    // (1 + x)^20 by its binomial coefficients
    std::vector<double> binomial(21, 1.0);
    for (std::size_t k = 1; k <= 20; ++k) {
        binomial[k] = binomial[k - 1] * static_cast<double>(21 - k) / static_cast<double>(k);
    }
    const std::string power20 = put(0, 20) + putAll(10, binomial);
    checkCases(
        110,
        {
            {example + "PGM 04 3 A", 5, false, {{-1, 20}}},
            {example + "PGM 04 3 B", 20, false, {{-1, 5}}},
            {power20 + "PGM 04 .5 A", std::pow(1.5, 20), false, {{-1, 20 * std::pow(1.5, 19)}}},
            {put(0, 0) + put(10, 4) + "PGM 04 9 A", 4, false, {{-1, 0}}},
            {put(0, 20) + put(30, 1) + "PGM 04 1000000 A", 9.9999999e99, true},
            {put(0, 2.5) + "PGM 04 1 A", 3, true},
        });
}

TEST(LinearAlgebraLibrary, QuadraticAndCubic) {
    const std::string cubic123 = putAll(1, {1, -6, 11, -6});
    const std::vector<std::pair<int, double>> roots123 = {{5, 3}, {6, 0}, {7, 2},
                                                          {8, 0}, {9, 1}, {10, 0}};
    checkCases(
        110,
        {
            {putAll(1, {1, -2, 5}) + "PGM 05 A", 0, false, {{5, 1}, {6, 2}, {7, 1}, {8, -2}}},
            {putAll(1, {2, 3, -2}) + "PGM 05 A", 2, false, {{5, 0.5}, {6, 0}, {7, -2}, {8, 0}}},
            {cubic123 + "PGM 05 B", 3, false, roots123},
            {cubic123 + "RAD PGM 05 B", 3, false, roots123},
            {putAll(1, {1, 0, 0, -8}) + "PGM 05 B",
             1,
             false,
             {{5, 2}, {6, 0}, {7, -1}, {8, kSqrt3}, {9, -1}, {10, -kSqrt3}}},
            {putAll(1, {0, 1, 1}) + "PGM 05 A", 3, true},
            {putAll(1, {0, 1, 1, 1}) + "PGM 05 B", 3, true},
        });
}

TEST(LinearAlgebraLibrary, Lagrange) {
    // nine points of x^8 - x + 1 at x = -4..4 give back the polynomial itself
    std::string octic = put(0, 9);
    for (int i = 1; i <= 9; ++i) {
        const double x = i - 5;
        octic += put(10 + i, x) + put(20 + i, std::pow(x, 8) - x + 1);
    }
    checkCases(110, {
                        {put(0, 4) + putAll(11, {1, 2, 3, 4}) + putAll(21, {1, 8, 27, 64}) +
                             "PGM 24 2.5 A",
                         15.625},
                        {octic + "PGM 24 .5 A", std::pow(0.5, 8) + 0.5},
                        {put(0, 3) + putAll(11, {1, 2, 1}) + "PGM 24 2 A", 2, true},
                        {put(0, 0) + "PGM 24 2 A", 3, true},
                    });
}

TEST(LinearAlgebraLibrary, MatrixProductAndTranspose) {
    const std::string a23 = putAll(1, {2, 3}) + put(4, 10) + putAll(10, {1, 2, 3, 4, 5, 6});
    const std::string square22 = putAll(1, {2, 2, 2, 10, 10, 20}) + putAll(10, {1, 2, 3, 4});
    checkCases(
        128,
        {
            {a23 + put(3, 2) + putAll(5, {20, 30}) + putAll(20, {7, 8, 9, 10, 11, 12}) +
                 put(40, 5) + "PGM 08 A",
             58,
             false,
             {{30, 58}, {31, 64}, {32, 139}, {33, 154}, {40, 5}}},
            {square22 + "PGM 08 A", 7, false, {{20, 7}, {21, 10}, {22, 15}, {23, 22}}},
            {a23 + put(6, 30) + "PGM 08 B",
             1,
             false,
             {{30, 1}, {31, 4}, {32, 2}, {33, 5}, {34, 3}, {35, 6}}},
            {putAll(1, {3, 3}) + put(4, 10) + put(6, 10) + putAll(10, {1, 2, 3, 4, 5, 6, 7, 8, 9}) +
                 "PGM 08 B",
             1,
             false,
             {{10, 1}, {11, 4}, {12, 7}, {13, 2}, {14, 5}, {15, 8}, {16, 3}, {17, 6}, {18, 9}}},
            {a23 + put(3, 2) + putAll(5, {20, 12}) + "PGM 08 A", 3, true},  // C overlaps A
            {square22 + put(6, 87) + "PGM 08 A", 3, true},                  // C past R89
        });
}

TEST(LinearAlgebraLibrary, DominantEigenvalue) {
    checkCases(128, {
                        {square({2, -1, 0, -1, 2, -1, 0, -1, 2}) + "PGM 09 A",
                         2 + std::sqrt(2.0),
                         false,
                         {{19, -kSqrtHalf}, {29, 1}, {39, -kSqrtHalf}}},
                        {square({2, 1, 1, 2}) + "PGM 09 A", 3, false, {{19, 1}, {29, 1}}},
                        {square({-5, 2, 2, -2}) + "PGM 09 A", -6, false, {{19, 1}, {29, -0.5}}},
                        {square({0, -1, 1, 0}) + "PGM 09 A", 2, true},  // eigenvalues +-i
                        {square({0, 1, 0, 0}) + "PGM 09 A", 4, true},   // A v = 0
                        {put(0, 0) + "PGM 09 A", 3, true},
                    });
}

}  // namespace
}  // namespace korvelce
