// The numerical-methods programs: root, Simpson and Runge-Kutta of module 110; Fourier
// coefficients, derivatives, golden section and two ODEs of module 128. Each row keys a user
// function into user memory, runs the program and compares with a value from mathematics.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "support/library_run.h"

namespace korvelce {
namespace {

constexpr double kNoT = -1.0;  // T is not checked
constexpr double kPi = 3.14159265358979323846;

struct Case {
    const char* user;  // the user function
    const char* keys;
    double x;        // expected display value, or the error code when error is set
    double xTol;     // relative (absolute when x is 0)
    double t = 0.0;  // expected T register
    double tTol = kNoT;
    bool error = false;
};

void check(int module, std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " | " + c.keys);
        const test::LibraryRun run = test::runLibrary(module, c.keys, c.user);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.engine->errorFlag, c.error ? 1 : 0);
        EXPECT_NEAR(run.x(), c.x, c.xTol * (c.x == 0.0 ? 1.0 : std::fabs(c.x)));
        if (c.tTol >= 0.0) {
            EXPECT_NEAR(run.t(), c.t, c.tTol * (c.t == 0.0 ? 1.0 : std::fabs(c.t)));
        }
    }
}

// One Runge-Kutta 4 step for y' = y multiplies y by the Taylor polynomial of e^h of degree 4.
double rk4Growth(double h) {
    return 1 + h + h * h / 2 + h * h * h / 6 + h * h * h * h / 24;
}

TEST(NumericalMethods, FunctionRoot) {
    const char* square = "LBL A X^2 - 2 = RTN";
    check(110, {
                   {square, "PGM 06 1 X<>T 2 A", std::sqrt(2.0), 2e-10, 0.0, 1e-9},
                   {"LBL A STO 20 RAD COS - RCL 20 = RTN", "PGM 06 0 X<>T 1 A", 0.7390851332151607,
                    2e-10},  // cos x = x
                   {"LBL A STO 20 Y^X 3 - RCL 20 * 2 - 5 = RTN", "PGM 06 .000001 STO 03 2 X<>T 3 B",
                    2.0945514815423265, 2e-6},
                   {square, "PGM 06 1 +/- X<>T 1 A", 2, 0, 0, kNoT, true},  // f(x0) = f(x1)
                   {"LBL A X^2 + 1 = RTN", "PGM 06 1 X<>T 2 A", 3, 0, 0, kNoT, true},
                   // no root either, but the first secant step lands on -1: f(-1) = f(1)
                   {"LBL A X^2 + 1 = RTN", "PGM 06 0 X<>T 1 A", 2, 0, 0, kNoT, true},
                   {"LBL A X^2 RTN", "PGM 06 1 X<>T 2 A", 3, 0, 0, kNoT, true},  // touches 0
               });
}

TEST(NumericalMethods, SimpsonIntegral) {
    const char* cube = "LBL A Y^X 3 = RTN";
    const char* exp = "LBL A INV LNX RTN";
    const double e1 = std::exp(1.0) - 1;
    check(110,
          {
              {cube, "PGM 07 0 STO 01 2 STO 02 2 A", 4, 0},  // exact for cubics
              {exp, "PGM 07 0 STO 01 1 STO 02 100 A", e1, 1e-9},
              {exp, "PGM 07 0 STO 01 1 STO 02 B", e1, 1e-10},
              {"LBL A X^2 + 1 = 1/X * 4 = RTN", "PGM 07 0 STO 01 1 STO 02 B", kPi, 1e-10},
              {"LBL A 1/X RTN", "PGM 07 .000001 STO 03 1 STO 01 2 STO 02 C", std::log(2.0), 1e-6},
              {cube, "PGM 07 0 STO 01 2 STO 02 3 A", 2, 0, 0, kNoT, true},  // n odd
              {"LBL A SQRT RTN", "PGM 07 0 STO 01 1 STO 02 B", 3, 0, 0, kNoT, true},
          });
}

TEST(NumericalMethods, RungeKutta) {
    const char* growth = "LBL A RCL 08 RTN";  // y' = y
    check(110, {
                   {growth, "PGM 22 0 STO 01 1 STO 02 .1 STO 03 10 A", std::pow(rk4Growth(0.1), 10),
                    1e-10, 1, 0},
                   {growth, "PGM 22 0 STO 01 1 STO 02 .1 STO 03 B B", std::pow(rk4Growth(0.1), 2),
                    1e-11, 0.2, 0},
                   {"LBL A RCL 07 + RCL 08 = RTN", "PGM 22 0 STO 01 1 STO 02 .01 STO 03 100 A",
                    2 * std::exp(1.0) - 2, 1e-9, 1, 0},  // y = 2e^x - x - 1
                   {growth, "PGM 22 0 STO 01 1 STO 02 .1 STO 03 2.5 A", 2, 0, 0, kNoT, true},
               });
}

TEST(NumericalMethods, FourierCoefficients) {
    // e^cos x has a_k = 2 I_k(1) and b_k = 0.
    const char* bessel = "LBL A COS INV LNX RTN";
    // 1 + 3 sin(pi x / 2) - 2 cos(pi x), period 4: a_0 = 2, b_1 = 3, a_2 = -2.
    const char* trig = "LBL A * PI / 2 = STO 20 SIN * 3 + 1 - 2 * ( RCL 20 * 2 ) COS = RTN";
    check(128, {
                   {bessel, "PGM 04 16 STO 02 1 A", 1.13031820798497, 1e-11, 0, 1e-11},
                   {bessel, "PGM 04 16 STO 02 0 A", 2.5321317555040164, 1e-11, 0, 1e-11},
                   {trig, "PGM 04 4 STO 01 8 STO 02 1 B", 0, 1e-10, 3, 1e-11},
                   {trig, "PGM 04 4 STO 01 8 STO 02 2 B", -2, 1e-11, 0, 1e-10},
                   {trig, "PGM 04 4 STO 01 0 STO 02 1 B", 2, 0, 0, kNoT, true},    // N = 0
                   {trig, "PGM 04 4 STO 01 8 STO 02 1.5 B", 2, 0, 0, kNoT, true},  // k = 1.5
               });
}

TEST(NumericalMethods, NumericalDerivative) {
    const char* exp = "LBL A INV LNX RTN";
    const char* ln = "LBL A LNX RTN";
    check(128, {
                   {exp, "PGM 05 1 A", std::exp(1.0), 1e-10},
                   {exp, "PGM 05 1 B", std::exp(1.0), 1e-9},
                   {"LBL A RAD SIN RTN", "PGM 05 1 B", -std::sin(1.0), 1e-9},
                   {ln, "PGM 05 .1 STO 02 2 C", 0.5, 1e-10},
                   {ln, "PGM 05 .4 STO 02 2 D", -0.25, 1e-9},
                   {ln, "PGM 05 0 STO 02 2 C", 2, 0, 0, kNoT, true},  // h = 0
               });
}

TEST(NumericalMethods, GoldenSection) {
    const char* identity = "LBL A RTN";
    check(128, {
                   {"LBL A - .3 = |X| RTN", "PGM 06 0 X<>T 1 A", 0.3, 1e-9, 0, 1e-9},
                   // x e^-x is largest at x = 1, where it is 1/e
                   {"LBL A STO 20 +/- INV LNX * RCL 20 = RTN", "PGM 06 0 X<>T 3 B", 1, 1e-5,
                    std::exp(-1.0), 1e-10},
                   {"LBL A RAD COS RTN", "PGM 06 2 X<>T 5 A", kPi, 1e-5, -1, 1e-10},
                   {identity, "PGM 06 1 X<>T 1 A", 2, 0, 0, kNoT, true},  // a = b
                   {identity, "PGM 06 0 X<>T 1 A", 3, 0, 0, kNoT, true},  // monotonic
               });
}

TEST(NumericalMethods, TwoOdes) {
    // y'' = -y from y = 0, y' = 1: y = sin x, z = y' = cos x. For this linear system one
    // Runge-Kutta 4 step is the matrix [[c, s], [-s, c]] with c = 1 - h^2/2 + h^4/24 and
    // s = h - h^3/6: a rotation by atan(s/c) times sqrt(c^2 + s^2).
    const char* oscillator = "LBL A RCL 09 RTN LBL B RCL 08 +/- RTN";
    const double h = 0.1;
    const double c = 1 - h * h / 2 + h * h * h * h / 24;
    const double s = h - h * h * h / 6;
    const double growth = std::pow(std::hypot(c, s), 10);
    const double angle = 10 * std::atan2(s, c);
    check(128,
          {
              {oscillator, "PGM 16 0 STO 01 0 STO 02 1 STO 03 .1 STO 04 B", s, 1e-11, c, 1e-11},
              {oscillator, "PGM 16 0 STO 01 0 STO 02 1 STO 03 .1 STO 04 10 A",
               growth * std::sin(angle), 1e-10, growth * std::cos(angle), 1e-10},
              {oscillator, "PGM 16 0 STO 01 0 STO 02 1 STO 03 .01 STO 04 100 A", std::sin(1.0),
               1e-9, std::cos(1.0), 1e-9},
              {oscillator, "PGM 16 0 STO 01 0 STO 02 1 STO 03 .1 STO 04 0 A", 2, 0, 0, kNoT, true},
          });
}

}  // namespace
}  // namespace korvelce
