// Applied library programs: calendar, time value of money, amortisation, curve fitting and
// unit conversions (module 110); polynomial fit, coordinate transforms and great circles
// (module 128). Expected values are calendar facts, exact rational arithmetic, exact unit
// definitions and closed forms, all worked out apart from the programs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "support/library_run.h"

namespace korvelce {
namespace {

constexpr const char* kErrorText = "9.9999999 99";  // what every program shows on an error

struct Case {
    std::string keys;
    double display = 0.0;  // ignored when error is set
    bool error = false;
    std::vector<std::pair<int, double>> registers = {};  // expected values; register -1 is T
    const char* text = nullptr;                          // the exact display text, if given
};

void expectClose(double got, double expected, const std::string& what) {
    const double tolerance = expected == 0.0 ? 1e-11 : 1e-9 * std::fabs(expected);
    EXPECT_NEAR(got, expected, tolerance) << what;
}

void checkCases(int module, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const test::LibraryRun run = test::runLibrary(module, c.keys);
        ASSERT_TRUE(run.finished) << c.keys;
        EXPECT_EQ(run.engine->errorFlag, c.error ? 1 : 0) << c.keys;
        if (c.error) {
            EXPECT_EQ(run.display(), kErrorText) << c.keys;
            continue;
        }
        expectClose(run.x(), c.display, c.keys);
        if (c.text != nullptr) {
            EXPECT_EQ(run.display(), c.text) << c.keys;
        }
        for (const auto& [reg, value] : c.registers)
            expectClose(reg < 0 ? run.t() : run.r(reg), value,
                        c.keys + " register " + std::to_string(reg));
    }
}

TEST(AppliedPrograms, CalendarCountsGregorianDays) {
    checkCases(110, {
                        {"PGM 14 7.041776 A", 4},   // 4 July 1776 was a Thursday
                        {"PGM 14 10.151582 A", 5},  // the first Gregorian day, a Friday
                        {"PGM 14 2.292000 A", 2},   // 2000 is a leap year: Tuesday
                        {"PGM 14 7.041776 X<>T 1.012000 B", 81629},
                        {"PGM 14 1.012000 D", 2451545},  // Julian day number of 1 January 2000
                        {"PGM 14 2451545 E", 1.012, false, {}, "1.012"},
                        {"PGM 14 12.311899 X<>T 1 C", 1.0119, false, {}, "1.0119"},
                        {"PGM 14 3.012000 X<>T 1 +/- C", 2.292, false, {}, "2.292"},
                        {"PGM 14 2.291900 A", 0, true},   // 1900 is not a leap year
                        {"PGM 14 4.312023 D", 0, true},   // April has 30 days
                        {"PGM 14 13.012000 A", 0, true},  // no 13th month
                        {"PGM 14 2451545.5 E", 0, true},  // not a whole day number
                    });
}

TEST(AppliedPrograms, TimeValueOfMoneySolvesEachValue) {
    const std::string loan = "PGM 15 360 A' .5 B' 100000 C' 0 E' 0 STO 06 ";
    checkCases(110,
               {
                   {loan + "D", -599.550525152752, false, {{4, -599.550525152752}}},
                   {loan + "D B", 0.5},
                   {loan + "599.55 +/- D' B", 0.499999319311922},
                   {"PGM 15 60 A' .75 B' 0 C' 415.17 +/- D' 0 E' 0 STO 06 C", 20000.1394846985},
                   // savings of 200 at the start of each month for ten years
                   {"PGM 15 120 A' .5 B' 0 C' 200 +/- D' 1 STO 06 E", 32939.7487080990},
                   // doubling at 5 %: n = ln 2 / ln 1.05; and in ten periods: i = 2^(1/10) - 1
                   {"PGM 15 5 B' 1000 +/- C' 0 D' 2000 E' 0 STO 06 A", 14.2066990828905},
                   {"PGM 15 10 A' 1000 +/- C' 0 D' 2000 E' 0 STO 06 B", 7.17734625362932},
                   // receiving money at every step: no rate can balance it
                   {"PGM 15 10 A' 1000 C' 100 D' 0 E' 0 STO 06 B", 0, true},
                   {"PGM 15 0 A' 1 B' 1000 C' 0 E' 0 STO 06 D", 0, true},  // no period to pay in
               });
}

TEST(AppliedPrograms, AmortisationRoundsInterestToTheCent) {
    const std::string loan = "PGM 16 100000 STO 01 .5 STO 02 599.55 STO 03 0 STO 05 ";
    checkCases(110,
               {
                   // the first two years of a mortgage, and then the third
                   {loan + "24 STO 04 B", 97468.26, false, {{5, 24}, {6, 11857.46}, {7, 2531.74}}},
                   {loan + "24 STO 04 B 12 STO 04 B", 96084.09, false, {{5, 36}}},
                   {loan + "0 STO 04 B", 0, true},
                   {loan + "2.5 STO 04 B", 0, true},
               });
}

TEST(AppliedPrograms, AmortisationPrintsEachPeriodAndTheTotals) {
    std::vector<std::string> lines;
    test::LibraryRun run = test::runLibrary(110, "");
    run.engine->printerSink = [&](std::u16string_view text) {
        std::string line;
        for (const char16_t c : text)
            line += static_cast<char>(c);
        lines.push_back(line);
    };
    test::pressMore(run, "PGM 16 10000 STO 01 1 STO 02 888.49 STO 03 12 STO 04 0 STO 05 A");
    EXPECT_EQ(run.engine->errorFlag, 0);
    expectClose(run.x(), -0.02, "balance left");
    expectClose(run.r(6), 661.86, "total interest");
    expectClose(run.r(7), 10000.02, "total principal");
    ASSERT_EQ(lines.size(), 12u * 5u + 3u);
    const std::vector<std::string> first = {"          1.    PER \r\n", "      100.00    INT \r\n",
                                            "      788.49    PRN \r\n", "     9211.51    BAL \r\n",
                                            "\r\n"};
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(lines[i], first[i]);
    EXPECT_EQ(lines[56], "        8.80    INT \r\n");  // month 12
    EXPECT_EQ(lines[60], "TOTAL               \r\n");
    EXPECT_EQ(lines[61], "      661.86    INT \r\n");
    EXPECT_EQ(lines[62], "    10000.02    PRN \r\n");
}

TEST(AppliedPrograms, CurveFittingFitsFourCurves) {
    const std::string line = "PGM 17 E' 1 X<>T 3 A 2 X<>T 5 A 3 X<>T 7 A 4 X<>T 10 A ";
    const std::string data =
        "PGM 17 E' .5 X<>T 1.2 A 1.7 X<>T 3.9 A 2.2 X<>T 5.5 A "
        "3.9 X<>T 14.8 A 5.1 X<>T 33 A ";
    checkCases(110, {
                        {line + "B", 0.5, false, {{-1, 2.3}, {18, 529.0 / 535.0}}},
                        {line + "B 5 C'", 12},
                        {line + "B 12 D'", 5},
                        {line + "9 X<>T 1 A 9 X<>T 1 A' B", 0.5, false, {{1, 4}, {-1, 2.3}}},
                        // y = 2 3^x exactly
                        {"PGM 17 E' 0 X<>T 2 A 1 X<>T 6 A 2 X<>T 18 A C",
                         2,
                         false,
                         {{-1, std::log(3.0)}, {18, 1}}},
                        {data + "C",
                         1.03296058791749,
                         false,
                         {{-1, 0.692316101680480}, {18, 0.986118032826086}}},
                        {data + "D",
                         3.45519210593818,
                         false,
                         {{-1, 11.3723094043985}, {18, 0.629522458786178}}},
                        {data + "E",
                         2.45748127783729,
                         false,
                         {{-1, 1.36705850696898}, {18, 0.947660046553372}}},
                        {data + "E 2.5 C'", 8.59998100467293},
                        {"PGM 17 E' 1 X<>T 2 A B", 0, true},             // one point is no line
                        {"PGM 17 E' 1 X<>T 2 A 2 X<>T 0 A C", 0, true},  // ln of y = 0
                        {"PGM 17 E' 1 X<>T 2 A 1 X<>T 3 A B", 0, true},  // all x equal
                    });
}

TEST(AppliedPrograms, UnitConversionsBothWays) {
    checkCases(110, {
                        {"PGM 18 4 A'", 1.609344},
                        {"PGM 18 4 A' 26.2 A", 42.1648128},  // a marathon in km
                        {"PGM 18 4 A' 100 B", 100 / 1.609344},
                        {"PGM 18 11 A' 98.6 A", 37},
                        {"PGM 18 11 A' 100 B", 212},
                        {"PGM 18 12 A' 0 B", -273.15},
                        {"PGM 18 13 A' 32 A", 273.15},
                        {"PGM 18 6 A' 16 A", 453.59237},  // a pound of ounces
                        {"PGM 18 16 A' 1 A", 3.785411784e3 / 128},
                        {"PGM 18 17 A' 1 A", 0.3048 * 0.3048 * 0.3048 * 1000},
                        {"PGM 18 21 A' 1 A", 1.05505585262},
                        {"PGM 18 22 A' 1 A", 0.3048 * 0.45359237 * 9.80665},
                        {"PGM 18 23 A' 1 A", 1.602176634e-19},
                        {"PGM 18 26 A' 1 A", 0.45359237 * 9.80665 / 0.64516},
                        {"PGM 18 28 A' 1 A", 25.4 * 0.133322387415},
                        {"PGM 18 29 A' 98.0665 B", 1},
                        {"PGM 18 30 A'", 0, true},
                        {"PGM 18 2.5 STO 01 1 A", 0, true},
                    });
}

TEST(AppliedPrograms, PolynomialFitByNormalEquations) {
    const std::string parabola =
        "PGM 10 E' 0 X<>T 1 A 1 X<>T 0 A 2 X<>T 3 A 3 X<>T 10 A "
        "4 X<>T 21 A ";
    const std::string data =
        "PGM 10 E' 2 +/- X<>T 3.1 A 1 +/- X<>T .9 A 0 X<>T .4 +/- A "
        "1 X<>T .2 A 2 X<>T 2.8 A 3 X<>T 8.1 A 4 X<>T 15.9 A ";
    checkCases(
        128,
        {
            {parabola + "2 B", 1, false, {{3, -3}, {4, 2}, {7, 1}}},
            {parabola + "2 B 5 C", 36},
            {parabola + "7 X<>T 1 A 7 X<>T 1 A' 2 B", 1, false, {{3, -3}, {4, 2}}},
            {data + "1 B", 83.0 / 35.0, false, {{3, 2}, {7, 0.551413700942467}}},
            {data + "3 B",
             -47.0 / 140.0,
             false,
             {{3, -71.0 / 210.0}, {4, 117.0 / 140.0}, {5, 1.0 / 15.0}, {7, 0.999767899845267}}},
            {data + "3 B 1.5 C", 1.2625},
            {"PGM 10 E' 1 X<>T 2 A 2 X<>T 3 A 2 B", 0, true},             // 2 points, 3 terms
            {"PGM 10 E' 1 X<>T 2 A 1 X<>T 3 A 2 X<>T 3 A 2 B", 0, true},  // 2 distinct x
            {parabola + "5 B", 0, true},
        });
}

TEST(AppliedPrograms, CoordinateTransformsBothDirections) {
    const std::string axes = "PGM 14 DEG 2 X<>T 1 C 30 D ";
    const std::string points =
        "PGM 14 DEG 6 STO 10 4 STO 11 5 STO 12 0 STO 13 1 +/- STO 14 "
        "5 STO 15 0 STO 16 5 STO 17 ";
    checkCases(
        128,
        {
            {axes + "4 X<>T 5 A", 2 * std::sqrt(3.0) - 1, false, {{-1, std::sqrt(3.0) + 2}}},
            {axes + "4 X<>T 5 A B", 5, false, {{-1, 4}}},
            {"PGM 14 RAD 1 +/- X<>T 2 C 1 D 3 X<>T 4 +/- A",
             -4 * std::sin(1.0) - 6 * std::cos(1.0),
             false,
             {{-1, 4 * std::cos(1.0) - 6 * std::sin(1.0)}}},
            {points + "E", std::atan2(0.6, 0.8) * 180 / std::acos(-1.0), false, {{1, 2}, {2, 1}}},
            {points + "6 STO 14 4 STO 15 E", 0, true},  // the two points coincide
        });
}

TEST(AppliedPrograms, GreatCircleDistanceAndCourse) {
    const std::string crossing = "PGM 15 40.38 X<>T 73.47 +/- A 51.28 X<>T .27 +/- B ";
    const std::string quarter = "PGM 15 0 X<>T 0 A 0 X<>T 90 B ";
    checkCases(
        128,
        {
            {crossing + "C", 2990.05027047287},
            {crossing + "D", 51.3490240401846},
            {crossing + "E", 5541.30700814623},
            {"PGM 15 33.5151 +/- X<>T 151.1236 A 34.0307 X<>T 118.1436 +/- B D", 60.9307411735300},
            {quarter + "C", 5400},
            {quarter + "D", 90},
            {"PGM 15 0 X<>T 0 A 0 X<>T 180 B D", 0, true},  // every way leads to the antipode
            {"PGM 15 91 X<>T 0 A", 0, true},
            {"PGM 15 10.6 X<>T 0 A", 0, true},  // 60 minutes
        });
}

}  // namespace
}  // namespace korvelce
