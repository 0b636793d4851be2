#include "decimal/dec_number.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace korvelce {

namespace {

constexpr std::int64_t kTen12 = 1000000000000;  // 10^12
constexpr std::uint64_t kTen12u = 1000000000000;
constexpr std::uint64_t kTen13u = 10000000000000;
constexpr int kDigits = 13;

constexpr std::array<std::int64_t, 19> kPowers = [] {
    std::array<std::int64_t, 19> p{};
    std::int64_t v = 1;
    for (auto& entry : p) {
        entry = v;
        if (v <= std::numeric_limits<std::int64_t>::max() / 10) v *= 10;
    }
    return p;
}();

// 10^0 to 10^19 unsigned: digit counts up to the magnitude of the most negative mantissa.
constexpr std::array<std::uint64_t, 20> kUnsignedPowers = [] {
    std::array<std::uint64_t, 20> p{};
    std::uint64_t v = 1;
    for (auto& entry : p) {
        entry = v;
        if (v <= std::numeric_limits<std::uint64_t>::max() / 10) v *= 10;
    }
    return p;
}();

// The magnitude of a mantissa as unsigned, INT64_MIN included; without a branch, since signs
// are as likely as not.
std::uint64_t magnitude(std::int64_t m) {
    const auto sign = static_cast<std::uint64_t>(m >> 63);
    return (static_cast<std::uint64_t>(m) ^ sign) - sign;
}

// Decimal digits of an unsigned value: the bit width times log10(2) is the count or one less,
// and one comparison settles it.
int countDigits(std::uint64_t m) {
    const auto estimate = static_cast<std::size_t>((std::bit_width(m) * 1233) >> 12);
    return static_cast<int>(estimate) + (m >= kUnsignedPowers[estimate] ? 1 : 0);
}

// True when the magnitude has exactly 13 digits; one unsigned comparison.
bool hasThirteenDigits(std::uint64_t m) {
    return m - kTen12u < kTen13u - kTen12u;
}

std::int16_t storeExponent(int e) {
    if (e > DecNumber::kExponentCap) e = DecNumber::kExponentCap;
    if (e < -DecNumber::kExponentCap) e = -DecNumber::kExponentCap;
    return static_cast<std::int16_t>(e);
}

// normalize for zero and for mantissas of other than 13 or 14 digits.
DecNumber normalizeOther(std::int64_t mantissa, int exponent) {
    if (mantissa == 0) return DecNumber{};
    const int d = countDigits(magnitude(mantissa));
    if (d > kDigits) {
        mantissa /= kPowers[static_cast<std::size_t>(d - kDigits)];
        exponent += d - kDigits;
    } else if (d < kDigits) {
        mantissa *= kPowers[static_cast<std::size_t>(kDigits - d)];
        exponent -= kDigits - d;
    }
    return DecNumber{mantissa, storeExponent(exponent)};
}

// Mantissa to exactly 13 digits by truncation or zero fill; zero gets exponent 0. Sums,
// products and quotients of 13-digit mantissas nearly always have 13 or 14 digits; that short
// path is kept small enough to be inlined into the operations.
inline DecNumber normalize(std::int64_t mantissa, int exponent) {
    const std::uint64_t m = magnitude(mantissa);
    if (hasThirteenDigits(m)) return DecNumber{mantissa, storeExponent(exponent)};
    if (m - kTen13u < kTen13u * 9) return DecNumber{mantissa / 10, storeExponent(exponent + 1)};
    return normalizeOther(mantissa, exponent);
}

// A magnitude below 2^63 as double; the signed conversion is a single instruction.
double asDouble(std::uint64_t m) {
    return static_cast<double>(static_cast<std::int64_t>(m));
}

// floor(a x b / 10^12) for magnitudes below 10^13, so below 10^14. The double estimate has a
// relative error below 4e-16 and is therefore off by at most one; the exact remainder
// a x b - p x 10^12, which lies between -10^12 and 2 x 10^12, comes out right in wrapping
// 64-bit arithmetic and settles it. The result equals the long multiplication exactly.
std::uint64_t truncatedProduct(std::uint64_t a, std::uint64_t b) {
    const auto p = static_cast<std::int64_t>(asDouble(a) * asDouble(b) * 1e-12);
    const auto r = static_cast<std::int64_t>(a * b - static_cast<std::uint64_t>(p) * kTen12u);
    return static_cast<std::uint64_t>(p + (r >= kTen12 ? 1 : 0) - (r < 0 ? 1 : 0));
}

// floor(a x 10^13 / b) for magnitudes of 13 digits, so between 10^12 and 10^14; the same
// estimate and exact remainder (between -b and 2b) as the product.
std::uint64_t truncatedQuotient(std::uint64_t a, std::uint64_t b) {
    const auto q = static_cast<std::int64_t>(asDouble(a) / asDouble(b) * 1e13);
    const auto r = static_cast<std::int64_t>(a * kTen13u - static_cast<std::uint64_t>(q) * b);
    return static_cast<std::uint64_t>(q + (r >= static_cast<std::int64_t>(b) ? 1 : 0) -
                                      (r < 0 ? 1 : 0));
}

// A product or quotient of two 13-digit magnitudes, which has 13 or 14 digits, cut to 13 digits
// and given its sign.
DecNumber fromWide(std::uint64_t p, bool negative, int exponent) {
    if (p >= kTen13u) {
        p /= 10;
        ++exponent;
    }
    const auto m = static_cast<std::int64_t>(p);
    return DecNumber{negative ? -m : m, storeExponent(exponent)};
}

// multiply for a zero or an unnormalised operand (the division-by-zero marker): zero gives zero,
// the others are brought to 13 digits first. Kept out of the usual path.
[[gnu::noinline]] DecNumber& productOfOthers(DecNumber& left, const DecNumber& right) {
    if (left.mantissa == 0 || right.mantissa == 0) {
        left = DecNumber{};
        return left;
    }
    const DecNumber a = normalize(left.mantissa, left.exponent);
    const DecNumber b = normalize(right.mantissa, right.exponent);
    left = fromWide(truncatedProduct(magnitude(a.mantissa), magnitude(b.mantissa)),
                    (a.mantissa ^ b.mantissa) < 0, a.exponent + b.exponent);
    return left;
}

// divide for a zero or an unnormalised operand, in the same way; a zero divisor gives the marker.
[[gnu::noinline]] DecNumber& quotientOfOthers(DecNumber& left, const DecNumber& right) {
    if (right.mantissa == 0) {
        left = kDivideByZero;
    } else if (left.mantissa == 0) {
        left = DecNumber{};
    } else {
        const DecNumber a = normalize(left.mantissa, left.exponent);
        const DecNumber b = normalize(right.mantissa, right.exponent);
        left = fromWide(truncatedQuotient(magnitude(a.mantissa), magnitude(b.mantissa)),
                        (a.mantissa ^ b.mantissa) < 0, a.exponent - b.exponent - 1);
    }
    return left;
}

// normalize for a sum, stored into target. The exponent is that of an operand, so it needs no
// saturation while the sum keeps 13 digits. The rare shapes are left to an out-of-line tail
// call, so that the usual path needs no stack frame.
[[gnu::noinline]] DecNumber& storeOtherSum(DecNumber& target, std::int64_t mantissa,
                                           std::int16_t exponent) {
    target = normalizeOther(mantissa, exponent);
    return target;
}

DecNumber& storeSum(DecNumber& target, std::int64_t mantissa, std::int16_t exponent) {
    const std::uint64_t m = magnitude(mantissa);
    if (hasThirteenDigits(m)) {
        target = DecNumber{mantissa, exponent};
        return target;
    }
    if (m - kTen13u < kTen13u * 9) {
        target = DecNumber{mantissa / 10, storeExponent(exponent + 1)};
        return target;
    }
    return storeOtherSum(target, mantissa, exponent);
}

// add with the right operand given by its fields, so that subtract can pass the negated
// mantissa without building a value.
DecNumber& addParts(DecNumber& left, std::int64_t mantissa, std::int16_t exponent) {
    // A zero operand contributes nothing: the other operand stays exact, whatever its exponent.
    if (mantissa == 0) return left;
    if (left.mantissa == 0) {
        left = DecNumber{mantissa, exponent};
        return left;
    }
    const bool leftLarger = left.exponent >= exponent;
    const std::int64_t large = leftLarger ? left.mantissa : mantissa;
    const std::int64_t small = leftLarger ? mantissa : left.mantissa;
    const std::int16_t largeExponent = leftLarger ? left.exponent : exponent;
    const int shift = largeExponent - (leftLarger ? exponent : left.exponent);
    std::int64_t sum = large;
    // From 13 apart on, the smaller operand contributes nothing.
    if (shift < kDigits) sum += small / kPowers[static_cast<std::size_t>(shift)];
    return storeSum(left, sum, largeExponent);
}

}  // namespace

std::int64_t powerOfTen(int n) {
    if (n <= 0) return 1;
    if (n > 18) n = 18;
    return kPowers[static_cast<std::size_t>(n)];
}

int digitCount(std::int64_t v) {
    return countDigits(magnitude(v));
}

DecNumber DecNumber::fromInt(std::int32_t n) {
    return normalize(static_cast<std::int64_t>(n), 12);
}

DecNumber DecNumber::fromParts(std::int32_t high, std::int32_t low, int exponent) {
    const std::int64_t mag = std::abs(static_cast<std::int64_t>(high)) * 1000000 + low;
    return normalize(high < 0 ? -mag : mag, exponent);
}

DecNumber DecNumber::fromRaw(std::int64_t mantissa, int exponent) {
    return normalize(mantissa, exponent);
}

DecNumber DecNumber::fromDouble(double x) {
    if (x == 0.0) return DecNumber{};
    // Infinities and not-a-number come from overflowing or undefined double functions; they
    // become a value beyond the calculator's range so that range limiting clamps them to the
    // nearest limit and raises the error.
    if (std::isnan(x)) return DecNumber{kTen12, 999};
    if (std::isinf(x)) return DecNumber{x > 0 ? kTen12 : -kTen12, 999};
    std::int64_t sign = 1;
    if (x < 0.0) {
        sign = -1;
        x = -x;
    }
    int shift = 0;
    if (x < 1e-280) {
        // Keep pow(10, d - 12) away from the double underflow.
        x *= 1e200;
        shift = -200;
    }
    const int d = static_cast<int>(std::floor(std::log10(x)));
    const double quotient = x / std::pow(10.0, d - 12);
    std::int64_t q = 0;
    if (quotient >= 9.0e18 || !std::isfinite(quotient)) {
        q = 9000000000000000000;
    } else {
        q = static_cast<std::int64_t>(quotient);
    }
    return normalize(sign * q, d + shift);
}

DecNumber DecNumber::fromDigits(std::string_view text, bool positive, int exponent) {
    // The first thirteen significant digits framed as a 13-digit mantissa; later digits are cut
    // off. Leading zeros only move the power of ten, so a long text of small magnitude keeps
    // its digits instead of being framed as zeros.
    std::int64_t frame = 0;
    int digits = 0;
    int leadingZeros = 0;
    int kept = 0;
    int pointIndex = -1;
    for (const char c : text) {
        if (c == '.') {
            if (pointIndex < 0) pointIndex = digits;
            continue;
        }
        if (c < '0' || c > '9') continue;
        ++digits;
        if (kept == 0 && c == '0') {
            ++leadingZeros;
        } else if (kept < kDigits) {
            frame = frame * 10 + (c - '0');
            ++kept;
        }
    }
    if (kept == 0) return DecNumber{};
    frame *= kPowers[static_cast<std::size_t>(kDigits - kept)];
    const int p = pointIndex < 0 ? digits : pointIndex;
    return normalize(positive ? frame : -frame, exponent + p - 1 - leadingZeros);
}

double DecNumber::toDouble() const {
    // Powers of ten up to 10^22 are exact doubles: scaling by one of them rounds once, so whole
    // numbers and short decimals arrive as the nearest double (16 is 16.0, not 15.999...).
    static constexpr std::array<double, 23> kExact = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int k = exponent - 12;
    const auto m = static_cast<double>(mantissa);
    if (k >= 0 && k < static_cast<int>(kExact.size()))
        return m * kExact[static_cast<std::size_t>(k)];
    if (k < 0 && -k < static_cast<int>(kExact.size()))
        return m / kExact[static_cast<std::size_t>(-k)];
    return m * std::pow(10.0, k);
}

std::int64_t DecNumber::toInteger() const {
    const int k = exponent - 12;
    if (k == 0) return mantissa;
    if (k < 0) return -k > 18 ? 0 : mantissa / kPowers[static_cast<std::size_t>(-k)];
    if (mantissa == 0) return 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (k > 18 || magnitude(mantissa) >
                      static_cast<std::uint64_t>(kMax / kPowers[static_cast<std::size_t>(k)]))
        return mantissa < 0 ? std::numeric_limits<std::int64_t>::min() : kMax;
    return mantissa * kPowers[static_cast<std::size_t>(k)];
}

bool DecNumber::isInteger() const {
    if (exponent < 0 || exponent > 12) return false;
    return mantissa % kPowers[static_cast<std::size_t>(12 - exponent)] == 0;
}

DecNumber DecNumber::negate() const {
    return DecNumber{-mantissa, exponent};
}

DecNumber DecNumber::absolute() const {
    return DecNumber{mantissa < 0 ? -mantissa : mantissa, exponent};
}

DecNumber& DecNumber::add(const DecNumber& right) {
    return addParts(*this, right.mantissa, right.exponent);
}

DecNumber& DecNumber::subtract(const DecNumber& right) {
    return addParts(*this, -right.mantissa, right.exponent);
}

DecNumber& DecNumber::multiply(const DecNumber& right) {
    const std::uint64_t a = magnitude(mantissa);
    const std::uint64_t b = magnitude(right.mantissa);
    if (!hasThirteenDigits(a) || !hasThirteenDigits(b)) return productOfOthers(*this, right);
    *this = fromWide(truncatedProduct(a, b), (mantissa ^ right.mantissa) < 0,
                     exponent + right.exponent);
    return *this;
}

DecNumber& DecNumber::divide(const DecNumber& right) {
    const std::uint64_t a = magnitude(mantissa);
    const std::uint64_t b = magnitude(right.mantissa);
    if (!hasThirteenDigits(a) || !hasThirteenDigits(b)) return quotientOfOthers(*this, right);
    *this = fromWide(truncatedQuotient(a, b), (mantissa ^ right.mantissa) < 0,
                     exponent - right.exponent - 1);
    return *this;
}

DecNumber& DecNumber::increment() {
    return add(fromInt(1));
}

DecNumber& DecNumber::decrement() {
    return subtract(fromInt(1));
}

int DecNumber::compare(const DecNumber& other) const {
    if (mantissa == 0) {
        if (other.mantissa < 0) return 1;
        return other.mantissa > 0 ? -1 : 0;
    }
    int e = 1;
    if (mantissa < 0) {
        if (other.mantissa >= 0) return -1;
        e = -1;
    } else if (other.mantissa <= 0) {
        return 1;
    }
    if (exponent != other.exponent) return exponent < other.exponent ? -e : e;
    const std::uint64_t a = magnitude(mantissa), b = magnitude(other.mantissa);
    if (a == b) return 0;
    return a < b ? -e : e;
}

DecNumber DecNumber::integerPart() const {
    if (exponent < 0) return DecNumber{};
    if (exponent > 12) return *this;
    const std::int64_t f = kPowers[static_cast<std::size_t>(12 - exponent)];
    return normalize(mantissa / f * f, exponent);
}

DecNumber DecNumber::squareRoot() const {
    if (mantissa == 0) return DecNumber{};
    // The division marker (the only unnormalised value) is brought to 13 digits first.
    const DecNumber x =
        hasThirteenDigits(magnitude(mantissa)) ? *this : fromRaw(mantissa, exponent);
    std::uint64_t m = magnitude(x.mantissa);
    int e = x.exponent;
    if (e % 2 != 0) {
        m *= 10;
        e -= 1;
    }
    // The root is floor(sqrt(m x 10^12)), the digit-by-digit root of m carried to 13 digits.
    // The double estimate is never below it (m x 10^12 is at least r^2, whose rounded root is r
    // again since r is below 2^44) and at most one above (relative error below 2e-16 on a root
    // below 10^13). The exact remainder m x 10^12 - r^2 is small enough to come out right in
    // wrapping 64-bit arithmetic and settles it.
    auto r = static_cast<std::uint64_t>(static_cast<std::int64_t>(std::sqrt(asDouble(m) * 1e12)));
    if (static_cast<std::int64_t>(m * kTen12u - r * r) < 0) --r;
    return DecNumber{static_cast<std::int64_t>(r), storeExponent(e / 2)};
}

bool DecNumber::limitRange() {
    // Zero, and every normalised value strictly inside the range's decades, needs no test.
    if (mantissa == 0) return false;
    if (exponent > -99 && exponent < 99 && hasThirteenDigits(magnitude(mantissa))) return false;
    if (compare(kNegLargest) < 0) {
        *this = kNegLargest;
        return true;
    }
    if (mantissa < 0 && compare(kNegSmallest) > 0) {
        *this = kNegSmallest;
        return true;
    }
    if (mantissa > 0 && compare(kSmallest) < 0) {
        *this = kSmallest;
        return true;
    }
    if (compare(kLargest) > 0) {
        *this = kLargest;
        return true;
    }
    return false;
}

DecimalRecord DecNumber::toRecord() const {
    DecimalRecord record{};
    const auto m = static_cast<std::uint64_t>(mantissa);
    for (std::size_t i = 0; i < 8; ++i)
        record[i] = static_cast<std::uint8_t>(m >> (8 * i));
    const auto e = static_cast<std::uint16_t>(exponent);
    record[8] = static_cast<std::uint8_t>(e & 0xFF);
    record[9] = static_cast<std::uint8_t>(e >> 8);
    return record;
}

DecNumber DecNumber::fromRecord(const DecimalRecord& record) {
    std::uint64_t m = 0;
    for (std::size_t i = 0; i < 8; ++i)
        m |= static_cast<std::uint64_t>(record[i]) << (8 * i);
    const auto e = static_cast<std::uint16_t>(record[8] | (record[9] << 8));
    // A record from a damaged or foreign file may hold any mantissa; bring it to 13 digits so
    // that later arithmetic on it can neither overflow nor misorder. Normalised values load
    // unchanged; a stored division marker stays a value beyond the range.
    return normalize(static_cast<std::int64_t>(m), static_cast<std::int16_t>(e));
}

DecNumber operator+(DecNumber a, const DecNumber& b) {
    return a.add(b);
}
DecNumber operator-(DecNumber a, const DecNumber& b) {
    return a.subtract(b);
}
DecNumber operator*(DecNumber a, const DecNumber& b) {
    return a.multiply(b);
}
DecNumber operator/(DecNumber a, const DecNumber& b) {
    return a.divide(b);
}

}  // namespace korvelce
