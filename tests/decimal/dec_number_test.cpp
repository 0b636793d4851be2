// DecNumber: exact cases of the 13-digit truncating arithmetic, and property checks of the four
// operations, comparison and square root against exact 128-bit integer arithmetic.
#include "decimal/dec_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

namespace korvelce {

// Failure messages show both fields.
void PrintTo(const DecNumber& v, std::ostream* os) {
    *os << "(" << v.mantissa << ", " << v.exponent << ")";
}

namespace {

__extension__ typedef __int128 Int128;

constexpr std::int64_t kTen12 = 1000000000000;
constexpr std::int64_t kTen13 = 10000000000000;
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();

constexpr DecNumber dn(std::int64_t mantissa, int exponent) {
    return DecNumber{mantissa, static_cast<std::int16_t>(exponent)};
}

constexpr DecNumber kZero = dn(0, 0);
constexpr DecNumber kOne = dn(kTen12, 0);

void expectSame(const DecNumber& actual, const DecNumber& expected) {
    EXPECT_EQ(actual.mantissa, expected.mantissa) << "exponent " << actual.exponent;
    EXPECT_EQ(actual.exponent, expected.exponent) << "mantissa " << actual.mantissa;
}

// ---------------------------------------------------------------------------------------------
// Exact cases

struct ArithmeticRow {
    const char* name;
    DecNumber a;
    char op;
    DecNumber b;
    DecNumber expected;
};

DecNumber apply(DecNumber a, char op, const DecNumber& b) {
    switch (op) {
        case '+':
            return a.add(b);
        case '-':
            return a.subtract(b);
        case '*':
            return a.multiply(b);
        default:
            return a.divide(b);
    }
}

TEST(DecNumberArithmetic, ExactCases) {
    const ArithmeticRow rows[] = {
        {"1 - 1 is zero with exponent 0", kOne, '-', kOne, kZero},
        {"-1 + 1 gives no negative zero", dn(-kTen12, 0), '+', kOne, kZero},
        {"1 + 1e-13: difference 13 contributes nothing", kOne, '+', dn(kTen12, -13), kOne},
        {"1e-13 + 1: smaller operand on the left", dn(kTen12, -13), '+', kOne, kOne},
        {"1 + 1e-12 reaches the last digit", kOne, '+', dn(kTen12, -12), dn(1000000000001, 0)},
        {"1 - 1.5e-12 truncates before subtracting", kOne, '-', dn(1500000000000, -12),
         dn(9999999999990, -1)},
        {"-1 - 1.999999999999e-12 truncates toward zero", dn(-kTen12, 0), '-',
         dn(1999999999999, -12), dn(-1000000000001, 0)},
        {"9999999999999 + 1 carries into a 14th digit", dn(9999999999999, 12), '+', kOne,
         dn(kTen12, 13)},
        {"cancellation is shifted back up with zeros", dn(1234567890123, 0), '-',
         dn(1234567890000, 0), dn(1230000000000, -10)},
        {"5 + -5e-20 keeps 5", dn(5 * kTen12, 0), '+', dn(-5 * kTen12, -20), dn(5 * kTen12, 0)},
        {"0 + 0.1428571428571 keeps all 13 digits", kZero, '+', dn(1428571428571, -1),
         dn(1428571428571, -1)},
        {"0.1428571428571 + 0 keeps all 13 digits", dn(1428571428571, -1), '+', kZero,
         dn(1428571428571, -1)},
        {"0 - 1e-50 is exactly -1e-50", kZero, '-', dn(kTen12, -50), dn(-kTen12, -50)},
        {"5 x 2 has a 14-digit product", dn(5 * kTen12, 0), '*', dn(2 * kTen12, 0), dn(kTen12, 1)},
        {"-2.5 x 4", dn(-2500000000000, 0), '*', dn(4 * kTen12, 0), dn(-kTen12, 1)},
        {"-3 x -3", dn(-3 * kTen12, 0), '*', dn(-3 * kTen12, 0), dn(9 * kTen12, 0)},
        {"largest mantissas squared truncate", dn(9999999999999, 0), '*', dn(9999999999999, 0),
         dn(9999999999998, 1)},
        {"-3 x 0 gives no negative zero", dn(-3 * kTen12, 0), '*', kZero, kZero},
        {"0 x division marker is zero", kZero, '*', kDivideByZero, kZero},
        {"2 / 3 truncates the last 6", dn(2 * kTen12, 0), '/', dn(3 * kTen12, 0),
         dn(6666666666666, -1)},
        {"-2 / 3", dn(-2 * kTen12, 0), '/', dn(3 * kTen12, 0), dn(-6666666666666, -1)},
        {"1 / 7", kOne, '/', dn(7 * kTen12, 0), dn(1428571428571, -1)},
        {"1e-99 / 1e99", dn(kTen12, -99), '/', dn(kTen12, 99), dn(kTen12, -198)},
        {"0 / 5 is zero", kZero, '/', dn(5 * kTen12, 0), kZero},
        {"5 / 0 is the marker", dn(5 * kTen12, 0), '/', kZero, kDivideByZero},
        {"-5 / 0 is the positive marker", dn(-5 * kTen12, 0), '/', kZero, kDivideByZero},
        {"0 / 0 is the marker", kZero, '/', kZero, kDivideByZero},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectSame(apply(row.a, row.op, row.b), row.expected);
    }
}

TEST(DecNumberArithmetic, OneThirdTimesThreeIsAllNines) {
    const DecNumber three = DecNumber::fromInt(3);
    expectSame(DecNumber::fromInt(1) / three * three, dn(9999999999999, -1));
}

TEST(DecNumberArithmetic, IncrementDecrementAndDoubleOperands) {
    struct Row {
        const char* name;
        DecNumber result;
        DecNumber expected;
    };
    const Row rows[] = {
        {"0.5 + 1", DecNumber{dn(5 * kTen12, -1)}.increment(), dn(15 * kTen12 / 10, 0)},
        {"1 - 1", DecNumber{kOne}.decrement(), kZero},
        {"-1 + 1", DecNumber{dn(-kTen12, 0)}.increment(), kZero},
        {"0 - 1", DecNumber{}.decrement(), dn(-kTen12, 0)},
        {"2 + 0.5 (double)", DecNumber::fromInt(2).add(0.5), dn(2500000000000, 0)},
        {"2 x 0.7 (double truncated first)", DecNumber::fromInt(2).multiply(0.7),
         dn(1399999999999, 0)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectSame(row.result, row.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// Long unlimited chains and the division marker

TEST(DecNumberRange, RepeatedSquaringSaturatesTheExponent) {
    struct Row {
        const char* name;
        DecNumber start;
        bool divide;
        int expectedExponent;
        DecNumber clamped;
    };
    const Row rows[] = {
        {"1e99 squared again and again", dn(kTen12, 99), false, DecNumber::kExponentCap, kLargest},
        {"-1e99 times 1e99 again and again", dn(-kTen12, 99), false, DecNumber::kExponentCap,
         kNegLargest},
        {"1e-99 divided by 1e99 again and again", dn(kTen12, -99), true, -DecNumber::kExponentCap,
         kSmallest},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DecNumber v = row.start;
        for (int i = 0; i < 400; ++i) {
            if (row.divide) {
                v.divide(dn(kTen12, 99));
            } else {
                v.multiply(v.absolute());
            }
        }
        EXPECT_EQ(v.exponent, row.expectedExponent);
        EXPECT_EQ(v.isNegative(), row.start.isNegative());
        EXPECT_GE(std::abs(v.mantissa), kTen12);
        EXPECT_LT(std::abs(v.mantissa), kTen13);
        EXPECT_TRUE(v.limitRange());
        expectSame(v, row.clamped);
    }
}

TEST(DecNumberRange, DivisionMarkerAsOperand) {
    struct Row {
        const char* name;
        DecNumber result;
        bool clamps;
        DecNumber clamped;
    };
    const DecNumber two = DecNumber::fromInt(2);
    const DecNumber m = kDivideByZero;
    const Row rows[] = {
        {"marker x 2", m * two, true, kLargest},
        {"marker x -2", m * two.negate(), true, kNegLargest},
        {"marker x marker", m * m, true, kLargest},
        {"marker / 3", m / DecNumber::fromInt(3), true, kLargest},
        {"3 / marker", DecNumber::fromInt(3) / m, true, kSmallest},
        {"marker / marker", m / m, false, kOne},
        {"marker + 1", m + kOne, true, kLargest},
        {"marker - marker", m - m, false, kZero},
        {"-5 / 0 after limiting", dn(-5 * kTen12, 0) / kZero, true, kLargest},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DecNumber v = row.result;
        EXPECT_EQ(v.limitRange(), row.clamps);
        expectSame(v, row.clamped);
    }
}

// ---------------------------------------------------------------------------------------------
// Comparison, integer part, integer tests, square root, range limiting

TEST(DecNumberCompare, ExactCases) {
    struct Row {
        const char* name;
        DecNumber a;
        DecNumber b;
        int expected;
    };
    const Row rows[] = {
        {"-2 vs -3", dn(-2 * kTen12, 0), dn(-3 * kTen12, 0), 1},
        {"0 vs -1", kZero, dn(-kTen12, 0), 1},
        {"0 vs 1", kZero, kOne, -1},
        {"0 vs 0", kZero, kZero, 0},
        {"1 vs 0", kOne, kZero, 1},
        {"-1 vs 0", dn(-kTen12, 0), kZero, -1},
        {"1e5 vs 9.9e4", dn(kTen12, 5), dn(9900000000000, 4), 1},
        {"-1e5 vs -9.9e4", dn(-kTen12, 5), dn(-9900000000000, 4), -1},
        {"equal values", dn(1234567890123, -7), dn(1234567890123, -7), 0},
        {"last digit decides", dn(1234567890123, -7), dn(1234567890124, -7), -1},
        {"tiny positive vs huge negative", dn(kTen12, -99), dn(-9999999999999, 99), 1},
        {"marker vs largest", kDivideByZero, kLargest, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.a.compare(row.b), row.expected);
        EXPECT_EQ(row.b.compare(row.a), -row.expected);
    }
}

TEST(DecNumberCompare, MixedOperandsAreConvertedFirst) {
    // A double operand is truncated to 13 digits before the comparison: 0.7 becomes
    // 0.6999999999999.
    EXPECT_TRUE(dn(7 * kTen12, -1) > 0.7);
    EXPECT_TRUE(dn(6999999999999, -1) == 0.7);
    EXPECT_TRUE(dn(7 * kTen12, 0) == 7);
    EXPECT_TRUE(dn(-7 * kTen12, 0) < -6);
    EXPECT_TRUE(dn(kTen12, 0) != DecNumber::fromInt(2));
}

TEST(DecNumberIntegers, IntegerPart) {
    struct Row {
        const char* name;
        DecNumber x;
        DecNumber expected;
    };
    const Row rows[] = {
        {"-2.7", dn(-2700000000000, 0), dn(-2 * kTen12, 0)},
        {"0.9", dn(9 * kTen12, -1), kZero},
        {"-0.5", dn(-5 * kTen12, -1), kZero},
        {"1.5e20 unchanged", dn(1500000000000, 20), dn(1500000000000, 20)},
        {"123.456", dn(1234560000000, 2), dn(1230000000000, 2)},
        {"9999999999999 (exponent 12)", dn(9999999999999, 12), dn(9999999999999, 12)},
        {"1.000000000001e1", dn(1000000000001, 1), dn(kTen12, 1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectSame(row.x.integerPart(), row.expected);
    }
}

TEST(DecNumberIntegers, IsIntegerAndToInteger) {
    struct Row {
        const char* name;
        DecNumber x;
        bool isInteger;
        std::int64_t integer;
    };
    const Row rows[] = {
        {"3", dn(3 * kTen12, 0), true, 3},
        {"2.5", dn(2500000000000, 0), false, 2},
        {"-2.5", dn(-2500000000000, 0), false, -2},
        {"0", kZero, true, 0},
        {"99.9", dn(9990000000000, 1), false, 99},
        {"-99.9", dn(-9990000000000, 1), false, -99},
        {"1e-60", dn(kTen12, -60), false, 0},
        {"0.999", dn(9990000000000, -1), false, 0},
        {"9999999999999", dn(9999999999999, 12), true, 9999999999999},
        {"1e13 is not reported as integer", dn(kTen12, 13), false, kTen13},
        {"1.234567890123e18", dn(1234567890123, 18), false, 1234567890123000000},
        {"9.2e18 still fits", dn(9200000000000, 18), false, 9200000000000000000},
        {"9.3e18 saturates", dn(9300000000000, 18), false, kMax64},
        {"-9.3e18 saturates", dn(-9300000000000, 18), false, kMin64},
        {"1e99 saturates", dn(kTen12, 99), false, kMax64},
        {"-1e99 saturates", dn(-kTen12, 99), false, kMin64},
        {"division marker saturates", kDivideByZero, false, kMax64},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.x.isInteger(), row.isInteger);
        EXPECT_EQ(row.x.toInteger(), row.integer);
    }
}

TEST(DecNumberSquareRoot, ExactCases) {
    struct Row {
        const char* name;
        DecNumber x;
        DecNumber expected;
    };
    const Row rows[] = {
        {"4", dn(4 * kTen12, 0), dn(2 * kTen12, 0)},
        {"0.4", dn(4 * kTen12, -1), dn(6324555320336, -1)},
        {"40", dn(4 * kTen12, 1), dn(6324555320336, 0)},
        {"2", dn(2 * kTen12, 0), dn(1414213562373, 0)},
        {"-4 is the root of the magnitude", dn(-4 * kTen12, 0), dn(2 * kTen12, 0)},
        {"0", kZero, kZero},
        {"1e-99 (negative odd exponent)", dn(kTen12, -99), dn(3162277660168, -50)},
        {"1e100", dn(kTen12, 100), dn(kTen12, 50)},
        {"9.999999999999e99", dn(9999999999999, 99), dn(9999999999999, 49)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectSame(row.x.squareRoot(), row.expected);
    }
}

TEST(DecNumberRange, LimitRange) {
    struct Row {
        const char* name;
        DecNumber x;
        bool clamps;
        DecNumber expected;
    };
    const Row rows[] = {
        {"9.99999995e99", dn(9999999950000, 99), true, kLargest},
        {"just above the largest", dn(9999999900001, 99), true, kLargest},
        {"1e100", dn(kTen12, 100), true, kLargest},
        {"-9.99999995e99", dn(-9999999950000, 99), true, kNegLargest},
        {"5e-100", dn(5 * kTen12, -100), true, kSmallest},
        {"9.999999999999e-100", dn(9999999999999, -100), true, kSmallest},
        {"-5e-100", dn(-5 * kTen12, -100), true, kNegSmallest},
        {"division marker", kDivideByZero, true, kLargest},
        {"largest itself", kLargest, false, kLargest},
        {"smallest itself", kSmallest, false, kSmallest},
        {"negative smallest itself", kNegSmallest, false, kNegSmallest},
        {"negative largest itself", kNegLargest, false, kNegLargest},
        {"zero", kZero, false, kZero},
        {"one", kOne, false, kOne},
        {"1.000000000001e-99", dn(1000000000001, -99), false, dn(1000000000001, -99)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DecNumber v = row.x;
        EXPECT_EQ(v.limitRange(), row.clamps);
        expectSame(v, row.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// Construction

TEST(DecNumberConstruction, IntegerUtilities) {
    EXPECT_EQ(powerOfTen(-3), 1);
    EXPECT_EQ(powerOfTen(0), 1);
    EXPECT_EQ(powerOfTen(1), 10);
    EXPECT_EQ(powerOfTen(13), kTen13);
    EXPECT_EQ(powerOfTen(18), 1000000000000000000);
    struct Row {
        std::int64_t v;
        int digits;
    };
    const Row rows[] = {{0, 0},
                        {1, 1},
                        {-1, 1},
                        {9, 1},
                        {10, 2},
                        {-99, 2},
                        {kTen12 - 1, 12},
                        {kTen12, 13},
                        {kTen13 - 1, 13},
                        {-kTen13, 14},
                        {kMax64, 19},
                        {kMin64, 19},
                        {999999999999999999, 18},
                        {1000000000000000000, 19}};
    for (const auto& row : rows)
        EXPECT_EQ(digitCount(row.v), row.digits) << row.v;
}

TEST(DecNumberConstruction, FromIntPartsAndRaw) {
    struct Row {
        const char* name;
        DecNumber actual;
        DecNumber expected;
    };
    const Row rows[] = {
        {"fromInt 0", DecNumber::fromInt(0), kZero},
        {"fromInt 7", DecNumber::fromInt(7), dn(7 * kTen12, 0)},
        {"fromInt -12345", DecNumber::fromInt(-12345), dn(-1234500000000, 4)},
        {"fromInt min", DecNumber::fromInt(std::numeric_limits<std::int32_t>::min()),
         dn(-2147483648000, 9)},
        {"fromParts largest", DecNumber::fromParts(9999999, 900000, 99), kLargest},
        {"fromParts negative smallest", DecNumber::fromParts(-1000000, 0, -99), kNegSmallest},
        {"fromParts 5 at exponent 0 is read as a mantissa", DecNumber::fromParts(0, 5, 0),
         dn(5 * kTen12, -12)},
        {"fromRaw short mantissa", DecNumber::fromRaw(123, 2), dn(1230000000000, -8)},
        {"fromRaw long mantissa truncates", DecNumber::fromRaw(12345678901234567, 0),
         dn(1234567890123, 4)},
        {"fromRaw negative long mantissa truncates toward zero",
         DecNumber::fromRaw(-12345678901234567, 0), dn(-1234567890123, 4)},
        {"fromRaw int64 minimum", DecNumber::fromRaw(kMin64, 0), dn(-9223372036854, 6)},
        {"fromRaw zero with an exponent", DecNumber::fromRaw(0, 5), kZero},
        {"fromRaw exponent beyond the cap", DecNumber::fromRaw(1, 40000),
         dn(kTen12, DecNumber::kExponentCap)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectSame(row.actual, row.expected);
    }
}

TEST(DecNumberConstruction, FromDigits) {
    struct Row {
        std::string_view text;
        bool positive;
        int exponent;
        DecNumber expected;
    };
    const Row rows[] = {
        {"0.05", true, 0, dn(5 * kTen12, -2)},
        {"12345", true, 0, dn(1234500000000, 4)},
        {"1.5", false, 3, dn(-1500000000000, 3)},
        {".5", true, 0, dn(5 * kTen12, -1)},
        {"100.", true, -2, kOne},
        {"2", true, -99, dn(2 * kTen12, -99)},
        {"0", true, 0, kZero},
        {"000.00", false, 5, kZero},
        {"1.2.3", true, 0, dn(1230000000000, 0)},
        {"4x2", true, 0, dn(4200000000000, 1)},
        {"9999999999", true, 99, dn(9999999999000, 108)},
        // More than 13 digits: the leading 13 significant digits at the right power of ten.
        {"1234567890123456", true, 0, dn(1234567890123, 15)},
        {"12345678901234.56", false, 0, dn(-1234567890123, 13)},
        {"9999999999999999999999", true, 0, dn(9999999999999, 21)},
        {"0.0000000000000012345", true, 0, dn(1234500000000, -15)},
        {"00000000000000123456789012345", true, 0, dn(1234567890123, 14)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.text));
        expectSame(DecNumber::fromDigits(row.text, row.positive, row.exponent), row.expected);
    }
}

TEST(DecNumberConstruction, FromDoubleExactCases) {
    // 1000.0 / 10^-9 lands just below 10^12 where pow gives the double nearest to 10^-9.
    const DecNumber thousand =
        1000.0 / std::pow(10.0, -9) < 1e12 ? dn(9999999999990, 2) : dn(kTen12, 3);
    struct Row {
        double x;
        DecNumber expected;
    };
    const Row rows[] = {
        {0.0, kZero},
        {-0.0, kZero},
        {1.0, kOne},
        {2.0, dn(2 * kTen12, 0)},
        {-2.0, dn(-2 * kTen12, 0)},
        {4.0, dn(4 * kTen12, 0)},
        {10.0, dn(kTen12, 1)},
        {60.0, dn(6 * kTen12, 1)},
        {100.0, dn(kTen12, 2)},
        {180.0, dn(1800000000000, 2)},
        {200.0, dn(2 * kTen12, 2)},
        {3600.0, dn(3600000000000, 3)},
        {10000.0, dn(kTen12, 4)},
        {0.7, dn(6999999999999, -1)},
        {1000.0, thousand},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x);
        expectSame(DecNumber::fromDouble(row.x), row.expected);
    }
}

TEST(DecNumberConstruction, FromDoubleOutOfRangeIsClamped) {
    struct Row {
        const char* name;
        double x;
        DecNumber clamped;
    };
    const Row rows[] = {
        {"+inf", std::numeric_limits<double>::infinity(), kLargest},
        {"-inf", -std::numeric_limits<double>::infinity(), kNegLargest},
        {"NaN", std::numeric_limits<double>::quiet_NaN(), kLargest},
        {"largest double", std::numeric_limits<double>::max(), kLargest},
        {"-1e300", -1e300, kNegLargest},
        {"1e-300", 1e-300, kSmallest},
        {"smallest subnormal", std::numeric_limits<double>::denorm_min(), kSmallest},
        {"negative subnormal", -std::numeric_limits<double>::denorm_min(), kNegSmallest},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DecNumber v = DecNumber::fromDouble(row.x);
        EXPECT_GE(std::abs(v.mantissa), kTen12);
        EXPECT_LT(std::abs(v.mantissa), kTen13);
        EXPECT_TRUE(v.limitRange());
        expectSame(v, row.clamped);
    }
}

// ---------------------------------------------------------------------------------------------
// Storage form

TEST(DecNumberRecord, ByteLayout) {
    struct Row {
        DecNumber x;
        std::uint8_t bytes[10];
    };
    const Row rows[] = {
        {kNegSmallest, {0x00, 0xf0, 0x5a, 0x2b, 0x17, 0xff, 0xff, 0xff, 0x9d, 0xff}},
        {kLargest, {0x60, 0x19, 0x71, 0x4e, 0x18, 0x09, 0x00, 0x00, 0x63, 0x00}},
        {kPi, {0x15, 0x9f, 0x83, 0x75, 0xdb, 0x02, 0x00, 0x00, 0x00, 0x00}},
        {dn(-5 * kTen12, -1), {0x00, 0xb0, 0xc6, 0xd8, 0x73, 0xfb, 0xff, 0xff, 0xff, 0xff}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.x.mantissa);
        const DecimalRecord record = row.x.toRecord();
        for (std::size_t i = 0; i < 10; ++i)
            EXPECT_EQ(record[i], row.bytes[i]) << "byte " << i;
        DecimalRecord loaded{};
        for (std::size_t i = 0; i < 10; ++i)
            loaded[i] = row.bytes[i];
        // The padding is never interpreted.
        for (std::size_t i = 10; i < 16; ++i)
            loaded[i] = 0xA5;
        expectSame(DecNumber::fromRecord(loaded), row.x);
    }
}

TEST(DecNumberRecord, MalformedRecordsLoadAsWellFormedValues) {
    struct Row {
        const char* name;
        std::int64_t mantissa;
        std::int16_t exponent;
        DecNumber expected;
    };
    const Row rows[] = {
        {"int64 minimum", kMin64, 0, dn(-9223372036854, 6)},
        {"int64 maximum", kMax64, 3, dn(9223372036854, 9)},
        {"short mantissa", 5, 0, dn(5 * kTen12, -12)},
        {"zero with an exponent", 0, 77, kZero},
        {"division marker stays beyond the range", 1, 999, dn(kTen12, 987)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DecNumber loaded = DecNumber::fromRecord(dn(row.mantissa, row.exponent).toRecord());
        expectSame(loaded, row.expected);
        // Arithmetic on the loaded value must not overflow.
        const DecNumber sum = loaded + loaded.negate();
        expectSame(sum, kZero);
    }
}

// ---------------------------------------------------------------------------------------------
// Property checks against exact integer arithmetic

// splitmix64: a fixed, portable sequence.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }
    // Uniform enough in [lo, hi].
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }

  private:
    std::uint64_t state_;
};

// A random 13-digit mantissa of either sign, with the extremes and round values now and then.
std::int64_t randomMantissa(Random& rng) {
    std::int64_t m = 0;
    switch (rng.range(0, 7)) {
        case 0:
            m = kTen12;
            break;
        case 1:
            m = kTen13 - 1;
            break;
        case 2:
            m = rng.range(1000, 9999) * 1000000000;
            break;
        default:
            m = rng.range(kTen12, kTen13 - 1);
    }
    return rng.range(0, 1) == 0 ? m : -m;
}

// Operand pairs whose exponents are 0 to 20 apart either way, around a random base.
struct Pair {
    DecNumber a;
    DecNumber b;
};

Pair randomPair(Random& rng, int baseSpread) {
    const auto base = static_cast<int>(rng.range(-baseSpread, baseSpread));
    const auto apart = static_cast<int>(rng.range(-20, 20));
    Pair p{dn(randomMantissa(rng), base), dn(randomMantissa(rng), base + apart)};
    if (rng.range(0, 31) == 0) p.a = kZero;
    if (rng.range(0, 31) == 0) p.b = kZero;
    return p;
}

int digits128(Int128 v) {
    int n = 0;
    for (; v != 0; v /= 10)
        ++n;
    return n;
}

Int128 pow128(int n) {
    Int128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

// A nonzero magnitude of 13 or more digits, cut to 13 by truncation, with its sign and exponent.
DecNumber truncated(Int128 magnitude, bool negative, int exponent) {
    const int d = digits128(magnitude);
    if (d > 13) {
        magnitude /= pow128(d - 13);
        exponent += d - 13;
    }
    const auto m = static_cast<std::int64_t>(magnitude);
    return dn(negative ? -m : m, exponent);
}

// The shift-then-add rule, worked out independently in 128 bits.
DecNumber referenceSum(const DecNumber& a, const DecNumber& b) {
    if (a.mantissa == 0) return b;
    if (b.mantissa == 0) return a;
    const bool aLarger = a.exponent >= b.exponent;
    const DecNumber& large = aLarger ? a : b;
    const DecNumber& small = aLarger ? b : a;
    const int apart = large.exponent - small.exponent;
    Int128 sum = large.mantissa;
    if (apart < 13) {
        // Truncation toward zero of the shifted operand, whatever its sign.
        const Int128 mag = small.mantissa < 0 ? -Int128{small.mantissa} : Int128{small.mantissa};
        const Int128 shifted = mag / pow128(apart);
        sum += small.mantissa < 0 ? -shifted : shifted;
    }
    if (sum == 0) return kZero;
    const bool negative = sum < 0;
    Int128 mag = negative ? -sum : sum;
    int exponent = large.exponent;
    const int d = digits128(mag);
    if (d < 13) {
        mag *= pow128(13 - d);
        exponent -= 13 - d;
    }
    return truncated(mag, negative, exponent);
}

constexpr int kPropertyCases = 200000;

TEST(DecNumberProperties, MultiplyIsTheTruncatedExactProduct) {
    Random rng(0x6b6f7276656c6365);
    for (int i = 0; i < kPropertyCases; ++i) {
        const Pair p = randomPair(rng, 150);
        const DecNumber actual = p.a * p.b;
        DecNumber expected = kZero;
        if (!p.a.isZero() && !p.b.isZero()) {
            const Int128 product = Int128{std::abs(p.a.mantissa)} * std::abs(p.b.mantissa);
            expected = truncated(product / pow128(12), p.a.isNegative() != p.b.isNegative(),
                                 p.a.exponent + p.b.exponent);
        }
        if (!sameRepresentation(actual, expected)) {
            ADD_FAILURE() << testing::PrintToString(p.a) << " x " << testing::PrintToString(p.b)
                          << " gave " << testing::PrintToString(actual) << ", expected "
                          << testing::PrintToString(expected);
            return;
        }
    }
}

TEST(DecNumberProperties, DivideIsTheTruncatedExactQuotient) {
    Random rng(0x646976696465);
    for (int i = 0; i < kPropertyCases; ++i) {
        const Pair p = randomPair(rng, 150);
        DecNumber actual = p.a;
        actual.divide(p.b);
        DecNumber expected = kZero;
        if (p.b.isZero()) {
            expected = kDivideByZero;
        } else if (!p.a.isZero()) {
            const Int128 quotient =
                Int128{std::abs(p.a.mantissa)} * pow128(13) / std::abs(p.b.mantissa);
            expected = truncated(quotient, p.a.isNegative() != p.b.isNegative(),
                                 p.a.exponent - p.b.exponent - 1);
        }
        if (!sameRepresentation(actual, expected)) {
            ADD_FAILURE() << testing::PrintToString(p.a) << " / " << testing::PrintToString(p.b)
                          << " gave " << testing::PrintToString(actual) << ", expected "
                          << testing::PrintToString(expected);
            return;
        }
    }
}

TEST(DecNumberProperties, AddAndSubtractFollowTheShiftThenAddRule) {
    Random rng(0x616464);
    for (int i = 0; i < kPropertyCases; ++i) {
        const Pair p = randomPair(rng, 150);
        DecNumber sum = p.a;
        sum.add(p.b);
        DecNumber difference = p.a;
        difference.subtract(p.b);
        const DecNumber expectedSum = referenceSum(p.a, p.b);
        const DecNumber expectedDifference = referenceSum(p.a, p.b.negate());
        const bool ok = sameRepresentation(sum, expectedSum) &&
                        sameRepresentation(p.a + p.b, expectedSum) &&
                        sameRepresentation(difference, expectedDifference) &&
                        sameRepresentation(p.a - p.b, expectedDifference);
        if (!ok) {
            ADD_FAILURE() << testing::PrintToString(p.a) << " and " << testing::PrintToString(p.b)
                          << ": sum " << testing::PrintToString(sum) << " expected "
                          << testing::PrintToString(expectedSum) << ", difference "
                          << testing::PrintToString(difference) << " expected "
                          << testing::PrintToString(expectedDifference);
            return;
        }
    }
}

TEST(DecNumberProperties, CompareAgreesWithDoubleOrdering) {
    Random rng(0x636f6d70);
    int decided = 0;
    for (int i = 0; i < kPropertyCases; ++i) {
        Pair p = randomPair(rng, 250);
        // Now and then equal exponents with mantissas a few units apart.
        if (rng.range(0, 3) == 0 && !p.a.isZero()) {
            const std::int64_t m = p.a.mantissa + rng.range(-3, 3);
            if (std::abs(m) >= kTen12 && std::abs(m) < kTen13) p.b = dn(m, p.a.exponent);
        }
        const int c = p.a.compare(p.b);
        ASSERT_EQ(p.b.compare(p.a), -c);
        ASSERT_EQ(p.a.compare(p.a), 0);
        const double x = p.a.toDouble();
        const double y = p.b.toDouble();
        if (x == y) continue;
        ++decided;
        if (c != (x < y ? -1 : 1)) {
            ADD_FAILURE() << testing::PrintToString(p.a) << " vs " << testing::PrintToString(p.b)
                          << " gave " << c;
            return;
        }
    }
    EXPECT_GT(decided, kPropertyCases * 9 / 10);
}

TEST(DecNumberProperties, SquareRootIsTheTruncatedRoot) {
    Random rng(0x73717274);
    for (int i = 0; i < kPropertyCases; ++i) {
        const DecNumber x = dn(randomMantissa(rng), static_cast<int>(rng.range(-300, 300)));
        const DecNumber r = x.squareRoot();
        // x = M x 10^(2E - 12) with M of 13 or 14 digits; r = R x 10^(E - 12) is the
        // truncated root exactly when R^2 <= M x 10^12 < (R + 1)^2.
        const bool odd = x.exponent % 2 != 0;
        const Int128 m = Int128{std::abs(x.mantissa)} * (odd ? 10 : 1) * pow128(12);
        const int e = (x.exponent - (odd ? 1 : 0)) / 2;
        const Int128 root = r.mantissa;
        const bool ok = r.exponent == e && root >= kTen12 && root < kTen13 && root * root <= m &&
                        m < (root + 1) * (root + 1);
        if (!ok) {
            ADD_FAILURE() << "root of " << testing::PrintToString(x) << " gave "
                          << testing::PrintToString(r);
            return;
        }
    }
}

TEST(DecNumberProperties, FromDoubleTruncatesToThirteenDigits) {
    Random rng(0x646f75626c65);
    for (int i = 0; i < kPropertyCases / 4; ++i) {
        // Random doubles over most of the double range, both signs.
        const double unit = static_cast<double>(rng.range(1, (std::int64_t{1} << 53) - 1)) /
                            static_cast<double>(std::int64_t{1} << 53);
        const double x = (rng.range(0, 1) == 0 ? 1.0 : -1.0) *
                         std::ldexp(unit, static_cast<int>(rng.range(-900, 1000)));
        const DecNumber v = DecNumber::fromDouble(x);
        ASSERT_GE(std::abs(v.mantissa), kTen12) << x;
        ASSERT_LT(std::abs(v.mantissa), kTen13) << x;
        ASSERT_EQ(v.isNegative(), x < 0) << x;
        // Truncation: never above the double (up to its own rounding), less than 2 units of
        // the 13th digit below it.
        const double shortfall = (std::abs(x) - std::abs(v.toDouble())) / std::abs(x);
        ASSERT_GT(shortfall, -1e-15) << x;
        ASSERT_LT(shortfall, 1e-12 + 1e-15) << x;
    }
}

TEST(DecNumberProperties, RecordRoundTrip) {
    Random rng(0x7265636f7264);
    for (int i = 0; i < kPropertyCases / 4; ++i) {
        const DecNumber x = dn(randomMantissa(rng), static_cast<int>(rng.range(-30000, 30000)));
        const DecimalRecord record = x.toRecord();
        ASSERT_TRUE(sameRepresentation(DecNumber::fromRecord(record), x))
            << testing::PrintToString(x);
    }
}

}  // namespace
}  // namespace korvelce
