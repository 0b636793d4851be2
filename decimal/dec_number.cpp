#include "decimal/dec_number.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace korvelce {

namespace {

constexpr std::int64_t kTen13 = 10000000000000;  // 10^13
constexpr std::int64_t kTen12 = 1000000000000;   // 10^12
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

std::int16_t storeExponent(int e) {
    if (e > DecNumber::kExponentCap) e = DecNumber::kExponentCap;
    if (e < -DecNumber::kExponentCap) e = -DecNumber::kExponentCap;
    return static_cast<std::int16_t>(e);
}

// Mantissa to exactly 13 digits by truncation or zero fill; zero gets exponent 0.
DecNumber normalize(std::int64_t mantissa, int exponent) {
    if (mantissa == 0) return DecNumber{};
    const int d = digitCount(mantissa);
    if (d > kDigits) {
        mantissa /= kPowers[static_cast<std::size_t>(d - kDigits)];
        exponent += d - kDigits;
    } else if (d < kDigits) {
        mantissa *= kPowers[static_cast<std::size_t>(kDigits - d)];
        exponent -= kDigits - d;
    }
    return DecNumber{mantissa, storeExponent(exponent)};
}

// The magnitude of a mantissa as unsigned; INT64_MIN included.
std::uint64_t magnitude(std::int64_t m) {
    return m < 0 ? 0 - static_cast<std::uint64_t>(m) : static_cast<std::uint64_t>(m);
}

// A well-formed operand for multiply and divide: only the division-by-zero marker (or a
// record loaded from a file) can be unnormalised, and those are brought to 13 digits.
DecNumber normalised(const DecNumber& v) {
    const std::uint64_t m = magnitude(v.mantissa);
    if (m == 0 ||
        (m >= static_cast<std::uint64_t>(kTen12) && m < static_cast<std::uint64_t>(kTen13)))
        return v;
    return normalize(v.mantissa, v.exponent);
}

}  // namespace

std::int64_t powerOfTen(int n) {
    if (n <= 0) return 1;
    if (n > 18) n = 18;
    return kPowers[static_cast<std::size_t>(n)];
}

int digitCount(std::int64_t v) {
    int count = 0;
    while (v != 0) {
        v /= 10;
        ++count;
    }
    return count;
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
    return static_cast<double>(mantissa) * std::pow(10.0, exponent - 12);
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
    // A zero operand contributes nothing: the other operand stays exact, whatever its exponent.
    if (right.mantissa == 0) return *this;
    if (mantissa == 0) {
        *this = right;
        return *this;
    }
    const bool leftLarger = exponent >= right.exponent;
    const DecNumber& large = leftLarger ? *this : right;
    const DecNumber& small = leftLarger ? right : *this;
    const int shift = large.exponent - small.exponent;
    std::int64_t sum = large.mantissa;
    if (shift < kDigits) sum += small.mantissa / kPowers[static_cast<std::size_t>(shift)];
    *this = normalize(sum, large.exponent);
    return *this;
}

DecNumber& DecNumber::subtract(const DecNumber& right) {
    return add(right.negate());
}

DecNumber& DecNumber::multiply(const DecNumber& right) {
    const DecNumber a = normalised(*this);
    const DecNumber b = normalised(right);
    constexpr std::int64_t K = 1000000;
    const std::int64_t A = a.mantissa < 0 ? -a.mantissa : a.mantissa;
    const std::int64_t B = b.mantissa < 0 ? -b.mantissa : b.mantissa;
    const bool negative = (a.mantissa < 0) != (b.mantissa < 0);
    const std::int64_t ah = A / K, al = A % K, bh = B / K, bl = B % K;
    const std::int64_t t = (al * bl) / K;
    const std::int64_t u = t + ah * bl + al * bh;
    const std::int64_t w = u / K;
    const std::int64_t p = w + ah * bh;
    DecNumber result = normalize(p, a.exponent + b.exponent);
    if (negative) result.mantissa = -result.mantissa;
    *this = result;
    return *this;
}

DecNumber& DecNumber::divide(const DecNumber& right) {
    if (right.mantissa == 0) {
        *this = kDivideByZero;
        return *this;
    }
    const DecNumber a = normalised(*this);
    const DecNumber b = normalised(right);
    const std::int64_t A = a.mantissa < 0 ? -a.mantissa : a.mantissa;
    const std::int64_t B = b.mantissa < 0 ? -b.mantissa : b.mantissa;
    const bool negative = (a.mantissa < 0) != (b.mantissa < 0);
    const std::int64_t n1 = A * 100000;
    const std::int64_t q1 = n1 / B, r1 = n1 % B;
    const std::int64_t n2 = r1 * 10000;
    const std::int64_t q2 = n2 / B, r2 = n2 % B;
    const std::int64_t n3 = r2 * 10000;
    const std::int64_t q3 = n3 / B;
    const std::int64_t q = q1 * 100000000 + q2 * 10000 + q3;
    DecNumber result = normalize(q, a.exponent - b.exponent - 1);
    if (negative) result.mantissa = -result.mantissa;
    *this = result;
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
    std::int64_t m = mantissa < 0 ? -mantissa : mantissa;
    int e = exponent;
    if (e % 2 != 0) {
        m *= 10;
        e -= 1;
    }
    auto r = static_cast<std::int64_t>(std::sqrt(static_cast<double>(m)));
    // The double estimate may land one off for 14-digit operands; settle it exactly.
    while (r > 0 && r * r > m)
        --r;
    while ((r + 1) * (r + 1) <= m)
        ++r;
    std::int64_t rem = m - r * r;
    for (int i = 0; i < 6; ++i) {
        rem *= 100;
        r *= 10;
        for (std::int64_t h = 9; h >= 0; --h) {
            const std::int64_t t = (2 * r + h) * h;
            if (t <= rem) {
                rem -= t;
                r += h;
                break;
            }
        }
    }
    return fromRaw(r, e / 2);
}

bool DecNumber::limitRange() {
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
