#include "decimal/scientific.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvelce {
namespace {

// "-12.5e-3" style literal: sign, up to 13 significant digits with a point, optional power of
// ten. Built directly from the digits so that leading zeros do not count against the 13.
DecNumber dec(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int exponent = 0;
    if (const auto e = text.find('e'); e != std::string_view::npos) {
        exponent = std::stoi(std::string(text.substr(e + 1)));
        text = text.substr(0, e);
    }
    std::int64_t mantissa = 0;
    bool afterPoint = false;
    for (const char c : text) {
        if (c == '.') {
            afterPoint = true;
        } else {
            mantissa = mantissa * 10 + (c - '0');
            if (afterPoint) --exponent;
        }
    }
    // value = mantissa x 10^exponent, and fromRaw reads its mantissa as units of 10^(e - 12).
    return DecNumber::fromRaw(negative ? -mantissa : mantissa, exponent + 12);
}

std::string show(const DecNumber& v) {
    return "(" + std::to_string(v.mantissa) + ", " + std::to_string(v.exponent) + ")";
}

::testing::AssertionResult same(const DecNumber& actual, const DecNumber& expected) {
    if (sameRepresentation(actual, expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "got " << show(actual) << ", expected " << show(expected);
}

// What the key dispatch does with a result: range-limit when asked, a clamp raising the error.
KeyResult dispatched(int key, bool inv, int unit, const DecNumber& x) {
    KeyResult r = unaryFunction(key, inv, unit, x);
    if (r.limit && r.x.limitRange()) r.error = true;
    return r;
}

bool inRange(const DecNumber& v) {
    DecNumber copy = v;
    return !copy.limitRange();
}

// ---------------------------------------------------------------------------------------------

struct AngleCase {
    bool toward;  // true: toRadians, false: fromRadians
    int unit;
    const char* in;
    const char* out;
};

TEST(Scientific, AngleConversions) {
    const std::vector<AngleCase> cases = {
        {true, kDegrees, "30", "0.5235987755981"},  // multiplication before division
        {true, kDegrees, "90", "1.570796326794"},
        {true, kGrads, "200", "3.141592653589"},  // pi itself
        {true, kRadians, "30", "30"},
        {false, kDegrees, "0.5235987755981", "29.99999999998"},  // division first
        {false, kDegrees, "3.141592653589", "180"},
        {false, kGrads, "3.141592653589", "200"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.toward ? "toRadians " : "fromRadians ") + c.in);
        const DecNumber got =
            c.toward ? toRadians(c.unit, dec(c.in)) : fromRadians(c.unit, dec(c.in));
        EXPECT_TRUE(same(got, dec(c.out)));
    }
}

struct UnaryCase {
    int key;
    bool inv;
    int unit;
    const char* in;
    const char* out;
    bool error;
    bool limit;
};

TEST(Scientific, UnaryKeys) {
    const std::vector<UnaryCase> cases = {
        {23, false, kDegrees, "-1", "0", true, true},  // LNX of a negative: magnitude, error
        {23, false, kDegrees, "1", "0", false, true},
        {28, false, kDegrees, "1000", "3", false, true},
        {28, false, kDegrees, "-100", "2", true, true},
        {28, true, kDegrees, "2", "100", false, true},
        {34, false, kDegrees, "-4", "2", true, true},
        {34, true, kDegrees, "40", "6.324555320336", false, true},
        {33, false, kDegrees, "1.000000000001", "1.000000000002", false, true},
        {33, true, kDegrees, "-3.333333333333", "11.1111111111", false, true},
        {35, false, kDegrees, "3", "0.3333333333333", false, true},
        {35, true, kDegrees, "-7", "-0.1428571428571", false, true},
        {35, false, kDegrees, "0", "9.9999999e99", true, false},
        {38, false, kDegrees, "30", "0.4999999999998", false, false},
        {38, true, kDegrees, "1.0000000001", "1.0000000001", true, false},  // X unchanged
        {38, true, kDegrees, "-1.0000000001", "-1.0000000001", true, false},
        {39, true, kRadians, "2", "2", true, false},
        {38, true, kRadians, "1", "1.570796326794", false, true},
        {38, true, kDegrees, "1", "89.99999999996", false, true},
        {30, true, kDegrees, "1", "45", false, true},
        {30, true, kRadians, "-1", "-0.7853981633974", false, true},
        {50, false, kDegrees, "-2.5", "2.5", false, false},
        {59, false, kDegrees, "-2.7", "-2", false, false},
        {59, true, kDegrees, "-2.75", "-0.75", false, false},
        {59, false, kDegrees, "1.5e20", "1.5e20", false, false},
        {59, true, kDegrees, "1.5e20", "0", false, false},
        {89, false, kDegrees, "42", "3.141592653589", false, false},
        {99, false, kDegrees, "42", "42", false, false},  // not a one-argument key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + (c.inv ? " INV " : " ") + c.in);
        const KeyResult r = unaryFunction(c.key, c.inv, c.unit, dec(c.in));
        EXPECT_TRUE(same(r.x, dec(c.out)));
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.limit, c.limit);
    }
}

TEST(Scientific, TrigonometryNearTheAxes) {
    // cos 90 degrees works on a truncated pi/2 and is about 9e-13, not 0.
    const KeyResult cos90 = unaryFunction(39, false, kDegrees, dec("90"));
    EXPECT_FALSE(cos90.error);
    EXPECT_GT(cos90.x, dec("8e-13"));
    EXPECT_LT(cos90.x, dec("1e-12"));
    // tan of the truncated pi/2 is large but finite and in range.
    const KeyResult tan = dispatched(30, false, kRadians, dec("1.570796326794"));
    EXPECT_FALSE(tan.error);
    EXPECT_GT(tan.x, dec("1e11"));
    EXPECT_TRUE(inRange(tan.x));
}

struct UndefinedCase {
    int key;
    bool inv;
    int unit;
    DecNumber in;
    DecNumber out;  // after range limiting
};

TEST(Scientific, NonFiniteDoublesEndAsLimitsWithError) {
    const DecNumber huge{1000000000000, 400};  // its double is infinite
    const std::vector<UndefinedCase> cases = {
        {23, false, kDegrees, dec("0"), kNegLargest},  // ln 0 = -inf
        {28, false, kDegrees, dec("0"), kNegLargest},  // log 0 = -inf
        {23, true, kDegrees, dec("1000"), kLargest},   // e^1000 = inf
        {28, true, kDegrees, dec("200"), kLargest},    // 10^200: finite double, clamped
        {23, true, kDegrees, dec("-300"), kSmallest},  // underflow below the range
        {38, false, kRadians, huge, kLargest},         // sin(inf) = NaN, not limited by the key
        {39, false, kDegrees, huge, kLargest},        {30, false, kGrads, huge.negate(), kLargest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key) + (c.inv ? " INV " : " ") + show(c.in));
        const KeyResult r = dispatched(c.key, c.inv, c.unit, c.in);
        EXPECT_TRUE(same(r.x, c.out));
        EXPECT_TRUE(r.error);
    }
    // A double that underflows to zero is an ordinary zero.
    const KeyResult tiny = dispatched(23, true, kDegrees, dec("-1000"));
    EXPECT_TRUE(same(tiny.x, dec("0")));
    EXPECT_FALSE(tiny.error);
}

// ---------------------------------------------------------------------------------------------

struct PowerCase {
    const char* y;
    const char* x;
    const char* out;
};

TEST(Scientific, Power) {
    const std::vector<PowerCase> cases = {
        {"2", "10", "1024"}, {"0", "0", "1"},
        {"-7.5", "0", "1"},  {"-2", "3", "-8"},
        {"2", "-1", "0.5"},                                              // general path
        {"4", "1.5", "8"},   {"3.333333333333", "5", "411.5226337439"},  // truncated at every step
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.y) + " ^ " + c.x);
        bool undefined = true;
        EXPECT_TRUE(same(power(dec(c.y), dec(c.x), undefined), dec(c.out)));
        EXPECT_FALSE(undefined);
    }
    // 33 is beyond the exact path: pow gives 1.798865092445e17 (within a unit of the last
    // digit), where 33 truncating multiplications would give 1.798865092432e17.
    const DecNumber p33 = power(dec("3.333333333333"), dec("33"));
    EXPECT_GT(p33, dec("1.798865092444e17"));
    EXPECT_LT(p33, dec("1.798865092447e17"));
}

TEST(Scientific, Root) {
    const std::vector<PowerCase> cases = {
        {"16", "2", "4"},               // pow(16, 0.5); needs 16 to become exactly 16.0 as a double
        {"16", "0.5", "256"},           // reciprocal 2: exact path
        {"2", "0.3333333333333", "8"},  // reciprocal comes back as 3
        {"1.1", "0.25", "1.4641"},      // reciprocal 4
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.x) + " root of " + c.y);
        bool undefined = true;
        EXPECT_TRUE(same(root(dec(c.y), dec(c.x), undefined), dec(c.out)));
        EXPECT_FALSE(undefined);
    }
}

struct UndefinedPowerCase {
    bool isRoot;
    const char* y;
    const char* x;
    DecNumber out;  // after range limiting
};

TEST(Scientific, UndefinedPowersAreReported) {
    const std::vector<UndefinedPowerCase> cases = {
        {false, "0", "-1", kLargest},                // 0 to a negative power
        {false, "10", "400", kLargest},              // beyond the double range
        {false, "-10", "401", kNegLargest},          // negative overflow
        {false, "-8", "0.3333333333333", kLargest},  // negative base, fractional exponent
        {true, "-8", "3", kLargest},
        {true, "16", "0", kLargest},  // 0th root
        {true, "0.5", "0", kLargest},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.y) + (c.isRoot ? " root " : " ^ ") + c.x);
        bool undefined = false;
        DecNumber v =
            c.isRoot ? root(dec(c.y), dec(c.x), undefined) : power(dec(c.y), dec(c.x), undefined);
        EXPECT_TRUE(undefined);
        v.limitRange();
        EXPECT_TRUE(same(v, c.out));
    }
}

// The exact path against an independent model: each step is floor(|a| * |b| / 10^12), cut
// to 13 digits, in 128-bit arithmetic.
__extension__ typedef __int128 Wide;

DecNumber modelProduct(const DecNumber& a, const DecNumber& b) {
    const Wide ma = a.mantissa < 0 ? -Wide{a.mantissa} : Wide{a.mantissa};
    const Wide mb = b.mantissa < 0 ? -Wide{b.mantissa} : Wide{b.mantissa};
    Wide p = ma * mb / 1000000000000;
    int e = a.exponent + b.exponent;
    while (p >= 10000000000000) {
        p /= 10;
        ++e;
    }
    const auto m = static_cast<std::int64_t>(p);
    return DecNumber::fromRaw((a.mantissa < 0) != (b.mantissa < 0) ? -m : m, e);
}

TEST(Scientific, ExactPowerMatchesStepwiseTruncation) {
    for (const char* base : {"3.333333333333", "-1.999999999999", "1.000000000001",
                             "7.123456789012", "0.9999999999999"}) {
        DecNumber expected = dec(base);
        for (int n = 1; n <= 32; ++n) {
            SCOPED_TRACE(std::string(base) + " ^ " + std::to_string(n));
            if (n > 1) expected = modelProduct(expected, dec(base));
            bool undefined = true;
            EXPECT_TRUE(same(power(dec(base), DecNumber::fromInt(n), undefined), expected));
            EXPECT_FALSE(undefined);
        }
    }
}

// ---------------------------------------------------------------------------------------------

struct PolarCase {
    bool inv;
    int unit;
    const char* t;
    const char* x;
    const char* tOut;
    const char* xOut;
};

TEST(Scientific, PolarRectangular) {
    const std::vector<PolarCase> cases = {
        {false, kDegrees, "2", "30", "1.732050807569", "0.9999999999996"},
        {true, kDegrees, "-1", "1", "1.414213562373", "135"},
        {true, kDegrees, "0", "0", "0", "44.99999999998"},  // origin: pi / 4
        {true, kDegrees, "0", "2", "2", "89.99999999996"},
        {true, kDegrees, "0", "-2", "2", "-89.99999999996"},
        {true, kGrads, "0", "5", "5", "99.99999999996"},
        {true, kRadians, "1", "1", "1.414213562373", "0.7853981633974"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.inv ? "INV P->R " : "P->R ") + c.t + ", " + c.x);
        DecNumber t = dec(c.t);
        DecNumber x = dec(c.x);
        bool undefined = true;
        polarRectangular(c.inv, c.unit, t, x, undefined);
        EXPECT_TRUE(same(t, dec(c.tOut)));
        EXPECT_TRUE(same(x, dec(c.xOut)));
        EXPECT_FALSE(undefined);
    }
}

TEST(Scientific, PolarRectangularWithInfiniteAngleLeavesValues) {
    DecNumber t = dec("2");
    DecNumber x{1000000000000, 400};
    bool undefined = false;
    polarRectangular(false, kRadians, t, x, undefined);
    EXPECT_TRUE(undefined);
    EXPECT_TRUE(same(t, dec("2")));
    EXPECT_TRUE(same(x, DecNumber{1000000000000, 400}));
}

struct DmsCase {
    bool inv;
    const char* in;
    const char* out;
};

TEST(Scientific, DegreesMinutesSeconds) {
    const std::vector<DmsCase> cases = {
        {true, "1.5", "1.3"},
        {false, "1.3", "1.5"},
        {false, "-1.3", "-1.5"},
        {true, "-1.5", "-1.3"},
        {false, "12.3045", "12.5125"},
        {true, "12.5125", "12.3045"},
        {false, "1.7", "2.166666666666"},  // 70 minutes are not rejected
        {false, "0.003", "0.008333333333333"},
        {false, "-45.59599", "-45.99997222221"},
        {true, "2.7182818", "2.430581448"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.inv ? "INV D.MS " : "D.MS ") + c.in);
        EXPECT_TRUE(same(degreesMinutesSeconds(c.inv, dec(c.in)), dec(c.out)));
    }
}

}  // namespace
}  // namespace korvelce
