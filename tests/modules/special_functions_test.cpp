// Library programs for complex numbers, triangles, vectors, hyperbolic functions, the normal
// law, Bessel functions, the error function and the chi-square and Student tails, run from
// their modules. Expected values are closed forms or known values of the functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "support/library_run.h"

namespace korvelce {
namespace {

constexpr int kMaster = 110;
constexpr int kMaths = 128;

// One run; `where` is 0 for the display, -1 for T, or a register number.
struct ValueCase {
    int module;
    const char* keys;
    int where;
    double expected;
    double absTol = 0.0;  // besides the relative tolerance 1e-9
};

double valueAt(const test::LibraryRun& run, int where) {
    if (where == 0) return run.x();
    if (where < 0) return run.t();
    return run.r(where);
}

void checkValues(const ValueCase* begin, const ValueCase* end) {
    for (const ValueCase* c = begin; c != end; ++c) {
        const test::LibraryRun run = test::runLibrary(c->module, c->keys);
        const double got = valueAt(run, c->where);
        const double tol = std::max(1e-9 * std::abs(c->expected), c->absTol);
        EXPECT_EQ(run.engine->errorFlag, 0) << c->keys;
        EXPECT_NEAR(got, c->expected, tol) << c->keys << " at " << c->where;
    }
}

#define U1 "3 STO 01 4 STO 02 1 STO 03 2 STO 04 "

TEST(SpecialFunctions, MasterGeometryAndComplex) {
    const ValueCase cases[] = {
        {kMaster, "PGM 08 " U1 "C", 0, -5.0},  // (3 + 4i)(1 + 2i) = -5 + 10i
        {kMaster, "PGM 08 " U1 "C", -1, 10.0},
        {kMaster, "PGM 08 " U1 "D", 0, 2.2},  // (3 + 4i) / (1 + 2i) = 2.2 - 0.4i
        {kMaster, "PGM 08 " U1 "D", -1, -0.4},
        {kMaster, "PGM 08 " U1 "D", 8, -0.4},
        {kMaster, "PGM 08 " U1 "2 STO 05 E", 0, -7.0},  // (3 + 4i)^2 = -7 + 24i
        {kMaster, "PGM 08 " U1 "2 STO 05 E", -1, 24.0},
        {kMaster, "PGM 08 " U1 "2 STO 05 E B'", 0, 25.0},
        {kMaster, "PGM 08 " U1 "2 STO 05 E B'", -1, 106.26020470831196},
        {kMaster, "PGM 08 8 +/- STO 01 3 STO 05 0 STO 06 A'", 0, 1.0},  // cube roots of -8
        {kMaster, "PGM 08 8 +/- STO 01 3 STO 05 0 STO 06 A'", -1, 1.7320508075688773},
        {kMaster, "PGM 08 8 +/- STO 01 3 STO 05 1 STO 06 A'", 0, -2.0},
        {kMaster, "PGM 08 8 +/- STO 01 3 STO 05 1 STO 06 A'", -1, 0.0, 1e-10},
        // Triangles, in degrees.
        {kMaster, "PGM 09 3 STO 01 4 STO 02 5 STO 03 A", 0, 6.0},
        {kMaster, "PGM 09 3 STO 01 4 STO 02 5 STO 03 A", 4, 36.869897645844021},
        {kMaster, "PGM 09 3 STO 01 4 STO 02 5 STO 03 A", 5, 53.130102354155979},
        {kMaster, "PGM 09 3 STO 01 4 STO 02 5 STO 03 A", 6, 90.0},
        {kMaster, "PGM 09 5 STO 01 7 STO 02 60 STO 06 B", 0, 15.155444566227676},
        {kMaster, "PGM 09 5 STO 01 7 STO 02 60 STO 06 B", 3, 6.2449979983983982},
        {kMaster, "PGM 09 5 STO 01 7 STO 02 60 STO 06 B", 4, 43.897886248013985},
        {kMaster, "PGM 09 30 STO 04 60 STO 05 10 STO 03 C", 0, 21.650635094610966},
        {kMaster, "PGM 09 30 STO 04 60 STO 05 10 STO 03 C", 1, 5.0},
        {kMaster, "PGM 09 30 STO 04 60 STO 05 10 STO 03 C", 2, 8.6602540378443865},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 D", 5, 41.810314895778598},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 D", 3, 11.400339185275089},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 D", 8, 2.0},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 E", 5, 138.1896851042214},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 E", 3, 2.4560672752759298},
        {kMaster, "PGM 09 6 STO 01 8 STO 02 30 STO 04 E", 0, 4.9121345505518596},
        {kMaster, "PGM 09 4 STO 01 8 STO 02 30 STO 04 D", 5, 90.0},  // the right-angled case
        {kMaster, "PGM 09 4 STO 01 8 STO 02 30 STO 04 D", 8, 1.0},
        // Vectors u = (1, 2, 3), v = (4, 5, 6).
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 A", 0,
         3.7416573867739414},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 B", 0,
         8.7749643873921221},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 C", 0, 32.0},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 D", 0,
         7.3484692283495343},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 D", 8, 6.0},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 D", 9, -3.0},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 4 STO 04 5 STO 05 6 STO 06 E", 0,
         12.933154491899119},
        {kMaster, "PGM 10 RAD 1 STO 01 1 +/- STO 04 E", 0, 3.141592653589793},  // opposite
    };
    checkValues(std::begin(cases), std::end(cases));
}

TEST(SpecialFunctions, MasterHyperbolicAndNormal) {
    const ValueCase cases[] = {
        {kMaster, "PGM 20 1 A", 0, 1.1752011936438015},
        {kMaster, "PGM 20 .001 +/- A", 0, -0.001000000166666675},  // the series
        {kMaster, "PGM 20 1 B", 0, 1.5430806348152438},
        {kMaster, "PGM 20 100 B", 0, 1.3440585709080677e+43},
        {kMaster, "PGM 20 .5 C", 0, 0.46211715726000976},
        {kMaster, "PGM 20 25 C", 0, 1.0},
        {kMaster, "PGM 20 1 A'", 0, 0.88137358701954303},
        {kMaster, "PGM 20 2 B'", 0, 1.3169578969248167},
        {kMaster, "PGM 20 .5 C'", 0, 0.54930614433405485},
        {kMaster, "PGM 23 1 A", 0, 0.24197072451914335},
        {kMaster, "PGM 23 1.96 B", 0, 0.024997895148220434},
        {kMaster, "PGM 23 3 B", 0, 0.0013498980316300945},
        {kMaster, "PGM 23 10 B", 0, 7.6198530241605261e-24},
        {kMaster, "PGM 23 .5 +/- B", 0, 0.6914624612740131},
        {kMaster, "PGM 23 1 D", 0, 0.84134474606854295},
        {kMaster, "PGM 23 .025 C", 0, 1.9599639845400542},
        {kMaster, "PGM 23 .9 C", 0, -1.2815515655446005},
        {kMaster, "PGM 23 1 EE 20 +/- C", 0, 9.2623400897984076},
        {kMaster, "PGM 23 .5 C", 0, 0.0},
    };
    checkValues(std::begin(cases), std::end(cases));
}

TEST(SpecialFunctions, MathsBesselErrorFunctionTails) {
    const ValueCase cases[] = {
        {kMaths, "PGM 02 1 A", 0, 0.76519768655796655},
        {kMaths, "PGM 02 1 B", 0, 0.44005058574493352},
        {kMaths, "PGM 02 10 A", 0, -0.24593576445134834},  // backward recurrence
        {kMaths, "PGM 02 7 B", 0, -0.0046828234823458327},
        {kMaths, "PGM 02 30 +/- B", 0, 0.11875106261662294},  // asymptotic, J1 odd
        {kMaths, "PGM 02 100 A", 0, 0.019985850304223122},
        {kMaths, "PGM 02 2.404825558 A", 0, -1.5793880576739317e-10, 1e-11},  // near a zero
        {kMaths, "PGM 03 .5 A", 0, 0.52049987781304654},
        {kMaths, "PGM 03 1 +/- A", 0, -0.84270079294971487},
        {kMaths, "PGM 03 1 EE 30 +/- A", 0, 1.1283791670955126e-30},
        {kMaths, "PGM 03 2 B", 0, 0.0046777349810472658},
        {kMaths, "PGM 03 1 +/- B", 0, 1.8427007929497149},
        {kMaths, "PGM 03 10 B", 0, 2.0884875837625448e-45},
        {kMaths, "PGM 17 2 STO 01 3 A", 0, 0.22313016014842983},   // e^-1.5
        {kMaths, "PGM 17 1 STO 01 4 A", 0, 0.045500263896358414},  // erfc(sqrt 2)
        {kMaths, "PGM 17 10 STO 01 18.307 A", 0, 0.050000589091398099},
        {kMaths, "PGM 17 1 STO 01 1 B", 0, 0.25},  // Cauchy: 1/2 - atan(1)/pi
        {kMaths, "PGM 17 1 STO 01 3 +/- B", 0, 0.89758361765043327},
        {kMaths, "PGM 17 2 STO 01 1 B", 0, 0.21132486540518712},  // 1/2 - 1/(2 sqrt 3)
        {kMaths, "PGM 17 10 STO 01 2.228138852 C", 0, 0.049999999998836511},
    };
    checkValues(std::begin(cases), std::end(cases));
}

TEST(SpecialFunctions, ImpossibleDataEndsInTheDocumentedError) {
    struct Case {
        int module;
        const char* keys;
        const char* display;
    };
    const Case cases[] = {
        {kMaster, "PGM 08 " U1 "0 STO 03 0 STO 04 D", "9.9999999 99"},  // z2 = 0
        {kMaster, "PGM 08 0 STO 05 E", "9.9999999 99"},                 // 0^0
        {kMaster, "PGM 08 1 STO 01 2.5 STO 05 A'", "9.9999999 99"},     // n not whole
        {kMaster, "PGM 09 1 STO 01 2 STO 02 3 STO 03 A", "9.9999999 99"},
        {kMaster, "PGM 09 2 STO 01 8 STO 02 30 STO 04 D", "9.9999999 99"},  // sin B = 2
        {kMaster, "PGM 09 8 STO 01 6 STO 02 30 STO 04 E", "9.9999999 99"},  // one triangle
        {kMaster, "PGM 09 100 STO 04 80 STO 05 1 STO 03 C", "9.9999999 99"},
        {kMaster, "PGM 10 1 STO 01 2 STO 02 3 STO 03 E", "9.9999999 99"},  // v = 0
        {kMaster, "PGM 20 2 C'", "9.9999999 99"},
        {kMaster, "PGM 20 .5 B'", "9.9999999 99"},
        {kMaster, "PGM 23 0 C", "9.9999999 99"},
        {kMaster, "PGM 23 1 C", "9.9999999 99"},
        {kMaster, "PGM 23 25 B", "1.-99"},  // below the smallest number
        {kMaths, "PGM 02 1 EE 10 A", "9.9999999 99"},
        {kMaths, "PGM 03 20 B", "1.-99"},
        {kMaths, "PGM 17 0 STO 01 1 A", "9.9999999 99"},
        {kMaths, "PGM 17 2 STO 01 500 A", "1.-99"},
    };
    for (const auto& c : cases) {
        const test::LibraryRun run = test::runLibrary(c.module, c.keys);
        EXPECT_EQ(run.engine->errorFlag, 1) << c.keys;
        EXPECT_EQ(run.display(), c.display) << c.keys;
    }
}

// ln Gamma for large x, where the series term 1/(12 x) is all that is left of S(x), up to the
// point where ln Gamma(x) itself passes the largest number.
TEST(SpecialFunctions, LogGammaOfLargeArguments) {
    struct Case {
        const char* keys;
        double x;
    };
    const Case cases[] = {
        {"999999", 999999.0}, {"1000000", 1e6},  {"1 EE 10", 1e10},     {"8 EE 47", 8e47},
        {"1 EE 48", 1e48},    {"1 EE 90", 1e90}, {"4.4 EE 97", 4.4e97},
    };
    for (const auto& c : cases) {
        const std::string keys = std::string("PGM 01 ") + c.keys + " B";
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        EXPECT_EQ(run.engine->errorFlag, 0) << keys;
        EXPECT_NEAR(run.x(), std::lgamma(c.x), 1e-10 * std::lgamma(c.x)) << keys;
    }
}

// What Gamma and ln Gamma show outside their range, as the guide describes it.
TEST(SpecialFunctions, GammaOutsideItsRange) {
    struct Case {
        const char* keys;
        int error;
        const char* display;
    };
    const Case cases[] = {
        {"0 A", 1, "9.9999999 99"},          // a pole
        {"3 +/- A", 1, "9.9999999 99"},      // a pole
        {"71 A", 1, "9.9999999 99"},         // above the largest number
        {"0 B", 1, "230.2585093"},           // ln of the largest number
        {"3 +/- B", 1, "230.2585093"},       // the same at every pole
        {".5 +/- B", 1, "1.265512123"},      // ln |Gamma(-0.5)|, Gamma(-0.5) < 0
        {"3.5 +/- B", 0, "-1.309006685"},    // ln Gamma(-3.5), Gamma(-3.5) > 0
        {"4.5 EE 97 B", 1, "9.9999999 99"},  // ln Gamma itself is too large
        {"66.5 +/- A", 0, "-7.0639648-94"},  // still within the range
    };
    for (const auto& c : cases) {
        const std::string keys = std::string("PGM 01 ") + c.keys;
        const test::LibraryRun run = test::runLibrary(kMaths, keys);
        EXPECT_EQ(run.engine->errorFlag, c.error) << keys;
        EXPECT_EQ(run.display(), c.display) << keys;
    }
}

TEST(SpecialFunctions, ErrorsLeaveTheTriangleAlone) {
    const test::LibraryRun run =
        test::runLibrary(kMaster, "PGM 09 100 STO 04 80 STO 05 1 STO 03 7 STO 06 C");
    EXPECT_EQ(run.r(6), 7.0);
    EXPECT_EQ(run.r(1), 0.0);
}

}  // namespace
}  // namespace korvelce
