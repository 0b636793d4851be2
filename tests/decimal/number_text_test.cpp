// Display texts: the table of known shapes, the capacity rule, random
// round trips through the text, and no-crash sweeps over values no operation should produce.
#include "decimal/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace korvelce {
namespace {

constexpr int kFixOff = 9;  // numberText's fixDigits for "no fixed decimals"

struct TableRow {
    const char* digits;  // fromDigits text
    bool positive;
    int exponent;       // fromDigits power of ten
    int displayFormat;  // 0 normal, 1 scientific, 2 engineering
    int fixDigits;      // 0..8, 9 off
    const char* text;
    int result;
};

// The known shapes, one row each, plus engineering and the limit texts under every setting.
const TableRow kTable[] = {
    {"0", true, 0, 0, kFixOff, "0.", 0},
    {"0", true, 0, 0, 2, "0.00", 0},
    {"1", true, 0, 0, kFixOff, "1.", 0},
    {"0.3333333333333", true, 0, 0, kFixOff, ".3333333333", 0},
    {"0.6666666666666", true, 0, 0, kFixOff, ".6666666667", 0},
    {"0.5", true, 0, 0, kFixOff, "0.5", 0},
    {"0.99999999999", true, 0, 0, kFixOff, "1.", 0},
    {"9.99999999996", true, 0, 0, kFixOff, "10.", 0},
    {"3.141592653589", true, 0, 0, kFixOff, "3.141592654", 0},
    {"12", false, 0, 0, kFixOff, "-12.", 0},
    {"12345.678", true, 0, 0, 2, "12345.68", 0},
    {"12345.678", true, 0, 0, 8, "12345.67800", 0},
    {"0.005", true, 0, 0, 2, "0.01", 0},
    {"0.999", true, 0, 0, 2, "1.0", 0},
    {"0.004", true, 0, 0, 2, "0.00", 0},
    {"0.001", true, 0, 0, kFixOff, "0.001", 0},
    {"0.0001", false, 0, 0, kFixOff, "-0.0001", 0},
    {"0.0012345678912", true, 0, 0, kFixOff, ".0012345679", 0},
    {"1.5", true, -10, 0, kFixOff, ".0000000002", 0},
    {"1.5", true, -11, 0, kFixOff, "1.5-11", 1},
    {"1.23", true, 10, 0, kFixOff, "1.23 10", 1},
    {"6.02", false, -23, 0, kFixOff, "-6.02-23", 1},
    {"9999999999.6", true, 0, 0, kFixOff, "10000000000.", 0},
    {"1000000000", true, 0, 0, kFixOff, "1000000000.", 0},
    {"9.99999999", true, 5, 1, kFixOff, "1. 06", 1},
    {"123450", true, 0, 1, kFixOff, "1.2345 05", 1},
    {"123456", true, 0, 1, 2, "1.23 05", 1},
    {"123456", true, 0, 1, 0, "1. 05", 1},
    {"0.5", true, 0, 1, kFixOff, "5.-01", 1},
    {"0.5", true, 0, 2, kFixOff, "5.-01", 1},
    {"2.5", false, -5, 1, kFixOff, "-2.5-05", 1},
    // kLargest, "any" format and fix.
    {"9.9999999", true, 99, 0, kFixOff, "9.9999999 99", 1},
    {"9.9999999", true, 99, 1, kFixOff, "9.9999999 99", 1},
    {"9.9999999", true, 99, 2, 3, "9.9999999 99", 1},
    {"9.9999999", true, 99, 0, 0, "9.9999999 99", 1},
    // kNegSmallest, "any" format and fix.
    {"1", false, -99, 0, kFixOff, "-1.-99", 1},
    {"1", false, -99, 1, 5, "-1.-99", 1},
    {"1", false, -99, 2, 0, "-1.-99", 1},
    // The other two limits.
    {"1", true, -99, 0, 4, "1.-99", 1},
    {"9.9999999", false, 99, 1, 2, "-9.9999999 99", 1},
};

TEST(NumberText, EdgeCaseTable) {
    for (const TableRow& row : kTable) {
        const DecNumber x = DecNumber::fromDigits(row.digits, row.positive, row.exponent);
        SCOPED_TRACE(std::string(row.positive ? "" : "-") + row.digits + " e" +
                     std::to_string(row.exponent) + " format " + std::to_string(row.displayFormat) +
                     " fix " + std::to_string(row.fixDigits));

        char buffer[kTextCapacity];
        std::memset(buffer, 'x', sizeof buffer);
        const int result = numberText(x, row.fixDigits, row.displayFormat, buffer, kTextCapacity);
        EXPECT_STREQ(buffer, row.text);
        EXPECT_EQ(result, row.result);

        const NumberTextResult r = numberText(x, row.fixDigits, row.displayFormat);
        EXPECT_EQ(r.text, row.text);
        EXPECT_EQ(r.hasExponent, row.result == 1);
    }
}

TEST(NumberText, DivisionResultsFromArithmetic) {
    const DecNumber third = DecNumber::fromInt(1) / DecNumber::fromInt(3);
    const DecNumber twoThirds = DecNumber::fromInt(2) / DecNumber::fromInt(3);
    EXPECT_EQ(numberText(third, kFixOff, 0).text, ".3333333333");
    EXPECT_EQ(numberText(twoThirds, kFixOff, 0).text, ".6666666667");
}

TEST(NumberText, LimitTextsNeedExactRepresentation) {
    EXPECT_EQ(numberText(kLargest, kFixOff, 0).text, "9.9999999 99");
    EXPECT_EQ(numberText(kSmallest, kFixOff, 0).text, "1.-99");
    EXPECT_EQ(numberText(kNegSmallest, kFixOff, 0).text, "-1.-99");
    EXPECT_EQ(numberText(kNegLargest, kFixOff, 0).text, "-9.9999999 99");
    // One unit off the limit is formatted normally: 9.99999990001e99 rounds to the same
    // digits at eight places, 1.000000000001e-99 shows as 1.-99 by formatting.
    const NumberTextResult nearLargest =
        numberText(DecNumber::fromRaw(9999999900001, 99), kFixOff, 0);
    EXPECT_EQ(nearLargest.text, "9.9999999 99");
    EXPECT_TRUE(nearLargest.hasExponent);
    // formatNumber does not know the limits: fixed decimals apply to kLargest there.
    char buffer[kTextCapacity];
    EXPECT_EQ(formatNumber(kLargest, buffer, kTextCapacity, 2, false), 1);
    EXPECT_STREQ(buffer, "1.00 100");
}

TEST(NumberText, FixNineAndOutOfRangeMeanOff) {
    const DecNumber x = DecNumber::fromDigits("12.5", true, 0);
    EXPECT_EQ(numberText(x, 9, 0).text, "12.5");
    EXPECT_EQ(numberText(x, 42, 0).text, "12.5");
    EXPECT_EQ(numberText(x, -3, 0).text, "12.5");
    char buffer[kTextCapacity];
    EXPECT_EQ(formatNumber(x, buffer, kTextCapacity, -1, false), 0);
    EXPECT_STREQ(buffer, "12.5");
    EXPECT_EQ(formatNumber(x, buffer, kTextCapacity, 3, false), 0);
    EXPECT_STREQ(buffer, "12.500");
}

TEST(NumberText, FixedDecimalsBelowOneAndCarries) {
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.5", true, 0), 0, 0).text, "1.");
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.4", true, 0), 0, 0).text, "0.");
    EXPECT_EQ(numberText(DecNumber::fromDigits("9.6", true, 0), 0, 0).text, "10.");
    // In the fixed shape a carry moves the point but keeps the count of shown digits.
    EXPECT_EQ(numberText(DecNumber::fromDigits("9.96", false, 0), 1, 0).text, "-10.");
    EXPECT_EQ(numberText(DecNumber::fromDigits("99.996", true, 0), 2, 0).text, "100.0");
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.0000000001", true, 0), 8, 0).text, "0.00000000");
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.000000005", true, 0), 8, 0).text, "0.00000001");
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.99999999999", true, 0), kFixOff, 0).text, "1.");
    // Ten decimals shown, the tenth nonzero: no leading zero; a shorter text keeps it.
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.1234567891", true, 0), kFixOff, 0).text,
              ".1234567891");
    EXPECT_EQ(numberText(DecNumber::fromDigits("0.1234567890", true, 0), kFixOff, 0).text,
              "0.123456789");
}

TEST(NumberText, ScientificCarryAndWideExponents) {
    // Rounding carries into the exponent, also across 99.
    EXPECT_EQ(numberText(DecNumber::fromRaw(9999999990000, 99), kFixOff, 0).text, "1. 100");
    EXPECT_EQ(numberText(DecNumber::fromRaw(9999999990000, -10), kFixOff, 0).text, "0.000000001");
    EXPECT_EQ(numberText(DecNumber::fromRaw(9999999990000, -11), kFixOff, 0).text, "1.-10");
    EXPECT_EQ(numberText(DecNumber::fromRaw(9999999990000, -101), kFixOff, 0).text, "1.-100");
    // Unlimited values write as many exponent digits as they need.
    EXPECT_EQ(numberText(DecNumber::fromRaw(1234500000000, 150), kFixOff, 0).text, "1.2345 150");
    EXPECT_EQ(numberText(DecNumber::fromRaw(-1234500000000, -150), kFixOff, 0).text, "-1.2345-150");
    EXPECT_EQ(numberText(DecNumber{1234500000000, 30000}, kFixOff, 0).text, "1.2345 30000");
    EXPECT_EQ(numberText(DecNumber{-9999999999999, -30000}, kFixOff, 0).text, "-1.-29999");
    EXPECT_EQ(numberText(DecNumber{9999999999999, 32767}, kFixOff, 1).text, "1. 32768");
    EXPECT_EQ(numberText(DecNumber{1000000000000, -32768}, kFixOff, 0).text, "1.-32768");
    // The zero exponent in scientific shape.
    EXPECT_EQ(numberText(DecNumber::fromInt(7), kFixOff, 1).text, "7. 00");
    EXPECT_EQ(numberText(DecNumber{}, kFixOff, 2).text, "0. 00");
}

TEST(NumberText, DivisionByZeroMarkerFollowsTheAlgorithm) {
    // The unnormalised marker (mantissa 1) is formatted as it stands: its single digit falls
    // beyond the eight shown ones. limitRange turns it into kLargest before anything shows it.
    const NumberTextResult r = numberText(kDivideByZero, kFixOff, 0);
    EXPECT_EQ(r.text, "0. 999");
    EXPECT_TRUE(r.hasExponent);
    EXPECT_EQ(numberText(kDivideByZero, 3, 0).text, "0.000 999");
}

TEST(FormatDigits, FailsWritingNothing) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    int position = 2;
    bool carry = false;
    // position + shown + 1 >= capacity.
    EXPECT_FALSE(formatDigits(buffer, 8, position, 1234567890123, 5, 1, -1, carry));
    EXPECT_EQ(position, 2);
    EXPECT_FALSE(carry);
    for (const char c : buffer)
        EXPECT_EQ(c, 'x');
    // One less digit fits.
    EXPECT_TRUE(formatDigits(buffer, 8, position, 1234567890123, 4, 1, -1, carry));
    EXPECT_EQ(position, 7);
    EXPECT_EQ(std::string(buffer + 2, 5), "1.235");
    EXPECT_FALSE(carry);
}

TEST(FormatDigits, CarrySetsBeforeWhenZero) {
    char buffer[kTextCapacity] = {};
    int position = 0;
    bool carry = false;
    EXPECT_TRUE(formatDigits(buffer, kTextCapacity, position, 9999999999999, 10, 0, -1, carry));
    EXPECT_TRUE(carry);
    buffer[position] = '\0';
    EXPECT_STREQ(buffer, "1.");

    position = 0;
    carry = false;
    EXPECT_TRUE(formatDigits(buffer, kTextCapacity, position, 1234500000000, 10, 3, 4, carry));
    buffer[position] = '\0';
    EXPECT_FALSE(carry);
    EXPECT_STREQ(buffer, "123.4500000");  // fix on: zeros stay
}

// Runs f with a buffer of the given capacity guarded by canaries on both sides, checks that
// nothing outside was touched and that the text is terminated within the capacity.
template <typename F>
std::string guarded(int capacity, F&& f, int* result) {
    constexpr int kGuard = 16;
    std::vector<char> storage(static_cast<std::size_t>(capacity + 2 * kGuard), '#');
    char* buffer = storage.data() + kGuard;
    *result = f(buffer, capacity);
    for (int i = 0; i < kGuard; ++i) {
        EXPECT_EQ(storage[static_cast<std::size_t>(i)], '#') << "written before the buffer";
        EXPECT_EQ(storage[static_cast<std::size_t>(kGuard + capacity + i)], '#')
            << "written past capacity " << capacity;
    }
    if (capacity <= 0) return {};
    const void* end = std::memchr(buffer, '\0', static_cast<std::size_t>(capacity));
    EXPECT_NE(end, nullptr) << "not terminated within capacity " << capacity;
    if (end == nullptr) return {};
    return std::string(buffer);
}

TEST(NumberText, CapacityFailureGivesZero) {
    char buffer[kTextCapacity];
    // "3.141592654" needs 12 characters with the terminator, and formatDigits needs room for
    // shown + 1 = 11 characters plus the terminator.
    EXPECT_EQ(formatNumber(DecNumber::fromDigits("3.141592653589", true, 0), buffer, 11, -1, false),
              0);
    EXPECT_STREQ(buffer, "0");
    EXPECT_EQ(formatNumber(DecNumber::fromDigits("3.141592653589", true, 0), buffer, 12, -1, false),
              0);
    EXPECT_STREQ(buffer, "3.141592654");
    // Scientific: the digits fit but the exponent field does not.
    EXPECT_EQ(formatNumber(DecNumber::fromDigits("1.23", true, 10), buffer, 10, -1, false), 1);
    EXPECT_STREQ(buffer, "1.23 10");
    EXPECT_EQ(formatNumber(DecNumber::fromDigits("1.23456789", true, 10), buffer, 12, -1, false),
              0);
    EXPECT_STREQ(buffer, "0");
    EXPECT_EQ(formatNumber(DecNumber::fromDigits("1.23456789", true, 10), buffer, 13, -1, false),
              1);
    EXPECT_STREQ(buffer, "1.2345679 10");
    // The limit texts do not fit a smaller buffer either.
    EXPECT_EQ(numberText(kNegLargest, kFixOff, 0, buffer, 13), 0);
    EXPECT_STREQ(buffer, "0");
    EXPECT_EQ(numberText(kNegLargest, kFixOff, 0, buffer, 14), 1);
    EXPECT_STREQ(buffer, "-9.9999999 99");
    // A carry asking for more digits before the point than shown (9.6 fix 0 is "10.") fails
    // instead of writing the terminator past the end.
    int result = -1;
    EXPECT_EQ(guarded(
                  3,
                  [](char* b, int c) {
                      return formatNumber(DecNumber::fromDigits("9.6", true, 0), b, c, 0, false);
                  },
                  &result),
              "0");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(guarded(
                  4,
                  [](char* b, int c) {
                      return formatNumber(DecNumber::fromDigits("9.6", true, 0), b, c, 0, false);
                  },
                  &result),
              "10.");
    // Capacities of 1 and 0: an empty text, or nothing at all.
    EXPECT_EQ(
        guarded(
            1, [](char* b, int c) { return numberText(kLargest, kFixOff, 0, b, c); }, &result),
        "");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(
        guarded(
            0, [](char* b, int c) { return numberText(DecNumber::fromInt(5), kFixOff, 0, b, c); },
            &result),
        "");
    EXPECT_EQ(result, 0);
}

TEST(NumberText, EveryCapacityGivesTheFullTextOrZero) {
    const DecNumber values[] = {
        DecNumber{},
        DecNumber::fromInt(1),
        DecNumber::fromDigits("9999999999.6", false, 0),
        DecNumber::fromDigits("0.0012345678912", false, 0),
        DecNumber::fromDigits("0.999", true, 0),
        DecNumber::fromDigits("6.02", false, -23),
        DecNumber::fromRaw(9999999990000, 99),
        kLargest,
        kNegSmallest,
        kDivideByZero,
        DecNumber{-1234567890123, 30000},
    };
    for (const DecNumber& x : values) {
        for (int format = 0; format <= 2; ++format) {
            for (int fix = 0; fix <= 9; ++fix) {
                const NumberTextResult full = numberText(x, fix, format);
                for (int capacity = 0; capacity <= kTextCapacity + 1; ++capacity) {
                    int result = -1;
                    const std::string text = guarded(
                        capacity, [&](char* b, int c) { return numberText(x, fix, format, b, c); },
                        &result);
                    if (text == full.text) {
                        EXPECT_EQ(result == 1, full.hasExponent);
                        EXPECT_GT(capacity, static_cast<int>(full.text.size()));
                    } else {
                        EXPECT_EQ(result, 0);
                        EXPECT_EQ(text, capacity >= 2 ? "0" : "");
                    }
                }
            }
        }
    }
}

// Exact parse of a display text: value = digits x 10^(power), sign separate.
__extension__ typedef __int128 Int128;  // exact scaled values up to 10^23

struct ParsedText {
    bool negative = false;
    Int128 digits = 0;
    int power = 0;
    bool ok = false;
};

ParsedText parseText(const std::string& text, bool hasExponent) {
    ParsedText p;
    std::size_t end = text.size();
    int exponent = 0;
    if (hasExponent) {
        const std::size_t point = text.find('.');
        const std::size_t field = text.find_first_of(" -", point == std::string::npos ? 0 : point);
        if (point == std::string::npos || field == std::string::npos || field + 3 > text.size())
            return p;
        for (std::size_t i = field + 1; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return p;
            exponent = exponent * 10 + (text[i] - '0');
        }
        if (text[field] == '-') exponent = -exponent;
        end = field;
    }
    std::size_t i = 0;
    if (i < end && text[i] == '-') {
        p.negative = true;
        ++i;
    }
    int decimals = 0;
    bool seenPoint = false;
    int digitCountSeen = 0;
    for (; i < end; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (seenPoint) return p;
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            p.digits = p.digits * 10 + (c - '0');
            ++digitCountSeen;
            if (seenPoint) ++decimals;
        } else {
            return p;
        }
    }
    p.power = exponent - decimals;
    p.ok = seenPoint && digitCountSeen > 0;
    return p;
}

Int128 power128(int n) {
    Int128 v = 1;
    for (int i = 0; i < n; ++i)
        v *= 10;
    return v;
}

// Checks that the text of x (in range, normalised) is within half a unit of its last shown
// digit, exactly, and also through strtod.
void checkRoundTrip(const DecNumber& x, int fixDigits, int displayFormat) {
    const NumberTextResult r = numberText(x, fixDigits, displayFormat);
    SCOPED_TRACE("mantissa " + std::to_string(x.mantissa) + " exponent " +
                 std::to_string(x.exponent) + " fix " + std::to_string(fixDigits) + " format " +
                 std::to_string(displayFormat) + " text '" + r.text + "'");
    ASSERT_LE(r.text.size(), 13u);
    for (const char c : r.text)
        ASSERT_TRUE((c >= '0' && c <= '9') || c == '.' || c == '-' || c == ' ');

    const ParsedText p = parseText(r.text, r.hasExponent);
    ASSERT_TRUE(p.ok);
    if (x.mantissa != 0) {
        EXPECT_EQ(p.negative, x.mantissa < 0);
    }

    const int e = x.exponent;
    const int fix = fixDigits >= 0 && fixDigits <= 8 ? fixDigits : -1;
    const bool scientific = e > 9 || e < -10 || displayFormat != 0;
    EXPECT_EQ(r.hasExponent,
              scientific || sameRepresentation(x, kLargest) || sameRepresentation(x, kSmallest) ||
                  sameRepresentation(x, kNegSmallest) || sameRepresentation(x, kNegLargest));
    // The unit of the last shown digit, in units of the mantissa's last digit, 10^(e - 12).
    int unitPower = 0;
    if (scientific) {
        unitPower = 13 - (fix < 0 ? 8 : std::min(fix + 1, 8));
    } else if (e >= 0) {
        unitPower = 13 - (fix < 0 ? 10 : std::min(e + fix + 1, 10));
    } else {
        unitPower = 12 - e - (fix < 0 ? 10 : fix);
    }
    const int shift = p.power - (e - 12);
    ASSERT_GE(shift, 0);
    const Int128 shown = p.digits * power128(shift) * (p.negative ? -1 : 1);
    Int128 error = shown - x.mantissa;
    if (error < 0) error = -error;
    EXPECT_LE(2 * error, power128(unitPower)) << "more than half a unit off";

    // The same through strtod, with a little slack for the doubles.
    std::string plain = r.text;
    if (r.hasExponent) {
        const std::size_t field = plain.find_first_of(" -", plain.find('.'));
        plain = plain.substr(0, field) + "e" + (plain[field] == '-' ? "-" : "") +
                plain.substr(field + 1);
    }
    char* end = nullptr;
    const double parsed = std::strtod(plain.c_str(), &end);
    EXPECT_EQ(*end, '\0') << plain;
    const double unit = std::pow(10.0, unitPower + e - 12);
    EXPECT_LE(std::fabs(parsed - x.toDouble()),
              0.5 * unit * (1 + 1e-9) + std::fabs(x.toDouble()) * 1e-15)
        << plain;
}

TEST(NumberText, RandomRoundTripsFixOff) {
    std::mt19937_64 random(20240611);
    std::uniform_int_distribution<std::int64_t> mantissa(1000000000000, 9999999999999);
    std::uniform_int_distribution<int> wideExponent(-99, 99);
    std::uniform_int_distribution<int> fixedExponent(-12, 11);
    std::uniform_int_distribution<std::int64_t> nines(0, 2000000);
    for (int i = 0; i < 100000; ++i) {
        std::int64_t m = mantissa(random);
        if (i % 3 == 1) m = 9999999999999 - nines(random);  // rounding carries
        const int e = i % 3 == 0 ? wideExponent(random)
                                 : (i % 2 == 0 ? wideExponent(random) : fixedExponent(random));
        if (e == 99 && m > kLargest.mantissa) m = kLargest.mantissa;
        if (i % 2 == 1) m = -m;
        checkRoundTrip(DecNumber{m, static_cast<std::int16_t>(e)}, kFixOff, 0);
        if (HasFailure()) return;
    }
}

TEST(NumberText, RandomRoundTripsEveryFixAndFormat) {
    std::mt19937_64 random(77);
    std::uniform_int_distribution<std::int64_t> mantissa(1000000000000, 9999999999999);
    std::uniform_int_distribution<int> exponent(-99, 99);
    std::uniform_int_distribution<int> nearExponent(-12, 11);
    std::uniform_int_distribution<int> fixDigits(0, 9);
    std::uniform_int_distribution<int> format(0, 2);
    for (int i = 0; i < 100000; ++i) {
        std::int64_t m = mantissa(random);
        if (i % 4 == 1) m = 9999999999999 - m % 100000000;
        if (i % 4 == 2) m = 5000000000000 + m % 1000000 - 500000;
        const int e = i % 2 == 0 ? exponent(random) : nearExponent(random);
        if (e == 99 && m > kLargest.mantissa) m = kLargest.mantissa;
        if (i % 3 == 0) m = -m;
        checkRoundTrip(DecNumber{m, static_cast<std::int16_t>(e)}, fixDigits(random),
                       format(random));
        if (HasFailure()) return;
    }
    for (int fix = 0; fix <= 9; ++fix)
        for (int f = 0; f <= 2; ++f)
            checkRoundTrip(DecNumber{}, fix, f);
}

// No-crash sweep: every combination of odd mantissas and exponents, all fix values (valid and
// not), both shapes and every small capacity. Meant for the sanitizer build; it also checks
// that the texts stay within the capacity, are terminated and use only the display characters.
TEST(NumberText, OddValuesNeverOverflow) {
    const std::int64_t mantissas[] = {
        0,
        1,
        -1,
        5,
        49999,
        50000,
        999999999999,
        1000000000000,
        4999999999999,
        5000000000000,
        9999999949999,
        9999999950000,
        9999999999999,
        -9999999999999,
        10000000000000,
        99999999999999,
        123456789012345678,
        std::numeric_limits<std::int64_t>::max(),
        std::numeric_limits<std::int64_t>::min(),
        std::numeric_limits<std::int64_t>::max() - 400000000000,
        -1000000000000,
    };
    const int exponents[] = {
        -32768, -30000, -1000, -101, -100, -99, -12, -11, -10, -9,    -2,    -1,
        0,      1,      8,     9,    10,   98,  99,  100, 999, 30000, 32767,
    };
    const int fixes[] = {-100, -2, -1, 0, 1, 2, 5, 7, 8, 9, 10, 13, 14, 100};
    for (const std::int64_t m : mantissas) {
        for (const int e : exponents) {
            const DecNumber x{m, static_cast<std::int16_t>(e)};
            for (const int fix : fixes) {
                for (const bool scientific : {false, true}) {
                    for (int capacity = 0; capacity <= kTextCapacity + 2;
                         capacity += (capacity < 24 ? 1 : 5)) {
                        int result = -1;
                        const std::string text = guarded(
                            capacity,
                            [&](char* b, int c) { return formatNumber(x, b, c, fix, scientific); },
                            &result);
                        EXPECT_TRUE(result == 0 || result == 1);
                        for (const char c : text)
                            EXPECT_TRUE((c >= '0' && c <= '9') || c == '.' || c == '-' || c == ' ')
                                << text;
                        guarded(
                            capacity,
                            [&](char* b, int c) {
                                return numberText(x, fix, scientific ? 2 : 0, b, c);
                            },
                            &result);
                        EXPECT_TRUE(result == 0 || result == 1);
                    }
                }
            }
            if (HasFailure()) return;
        }
    }
    // The marker through every setting, at the real capacity.
    for (int fix = 0; fix <= 9; ++fix)
        for (int format = 0; format <= 2; ++format) {
            const NumberTextResult r = numberText(kDivideByZero, fix, format);
            EXPECT_TRUE(r.hasExponent);
            EXPECT_LT(r.text.size(), static_cast<std::size_t>(kTextCapacity));
        }
}

TEST(FormatDigits, OddArgumentsNeverOverflow) {
    const std::int64_t magnitudes[] = {0,
                                       1,
                                       9999999999999,
                                       10000000000000,
                                       -5,
                                       std::numeric_limits<std::int64_t>::max(),
                                       std::numeric_limits<std::int64_t>::min()};
    for (const std::int64_t magnitude : magnitudes)
        for (int shown = -2; shown <= 16; ++shown)
            for (int before = -2; before <= 16; ++before)
                for (const int fix : {-1, 0, 5})
                    for (int capacity = 0; capacity <= 20; ++capacity)
                        for (const int start : {0, 1, 3}) {
                            int result = -1;
                            guarded(
                                capacity,
                                [&](char* b, int c) {
                                    if (c > 0) b[0] = '\0';
                                    int position = start;
                                    bool carry = false;
                                    const bool ok = formatDigits(b, c, position, magnitude, shown,
                                                                 before, fix, carry);
                                    if (ok) {
                                        EXPECT_LT(position, c);
                                        b[position] = '\0';
                                        if (start > 0)
                                            std::memset(b, '.', static_cast<std::size_t>(start));
                                    } else {
                                        EXPECT_EQ(position, start);
                                    }
                                    return ok ? 1 : 0;
                                },
                                &result);
                        }
}

}  // namespace
}  // namespace korvelce
