// DecNumber: the calculator's number type. Thirteen significant decimal digits held in a
// signed 64-bit mantissa and a power of ten; every operation truncates, nothing rounds.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace korvelce {

// 10^n as a 64-bit integer by n multiplications by ten; 1 for n <= 0. n must not exceed 18.
std::int64_t powerOfTen(int n);

// Decimal digits of the magnitude of v; zero has none.
int digitCount(std::int64_t v);

// The 16-byte storage form of a DecNumber in register memory and program files:
// mantissa (8 bytes), exponent (2 bytes), 6 bytes of padding, all little-endian.
using DecimalRecord = std::array<std::uint8_t, 16>;

struct DecNumber {
    // value = mantissa x 10^(exponent - 12); a nonzero normalised mantissa has 13 digits.
    std::int64_t mantissa = 0;
    std::int16_t exponent = 0;

    // Exponents are saturated at this magnitude when stored, so that a long chain of
    // unlimited intermediate results never wraps the 16-bit field into a wrong value.
    static constexpr int kExponentCap = 30000;

    static DecNumber fromInt(std::int32_t n);
    static DecNumber fromParts(std::int32_t high, std::int32_t low, int exponent);
    static DecNumber fromRaw(std::int64_t mantissa, int exponent);
    static DecNumber fromDouble(double x);
    // Digits with at most one point (other characters skipped), sign (true = positive), and a
    // power of ten, as the number being typed is converted.
    static DecNumber fromDigits(std::string_view text, bool positive, int exponent);

    [[nodiscard]] double toDouble() const;
    // Truncated toward zero; saturates at the 64-bit limits instead of overflowing.
    [[nodiscard]] std::int64_t toInteger() const;
    [[nodiscard]] bool isInteger() const;
    [[nodiscard]] bool isZero() const { return mantissa == 0; }
    [[nodiscard]] bool isNegative() const { return mantissa < 0; }

    [[nodiscard]] DecNumber negate() const;
    [[nodiscard]] DecNumber absolute() const;

    DecNumber& add(const DecNumber& right);
    DecNumber& subtract(const DecNumber& right);
    DecNumber& multiply(const DecNumber& right);
    DecNumber& divide(const DecNumber& right);
    DecNumber& add(double right) { return add(fromDouble(right)); }
    DecNumber& subtract(double right) { return subtract(fromDouble(right)); }
    DecNumber& multiply(double right) { return multiply(fromDouble(right)); }
    DecNumber& divide(double right) { return divide(fromDouble(right)); }
    DecNumber& increment();
    DecNumber& decrement();

    // -1, 0 or +1; exact, relies on both operands being normalised.
    [[nodiscard]] int compare(const DecNumber& other) const;

    [[nodiscard]] DecNumber integerPart() const;
    // Root of the magnitude, truncated to 13 digits.
    [[nodiscard]] DecNumber squareRoot() const;

    // Clamps to the calculator's range; true when the value was replaced by a limit.
    bool limitRange();

    [[nodiscard]] DecimalRecord toRecord() const;
    static DecNumber fromRecord(const DecimalRecord& record);

    friend bool operator==(const DecNumber& a, const DecNumber& b) { return a.compare(b) == 0; }
    friend auto operator<=>(const DecNumber& a, const DecNumber& b) { return a.compare(b) <=> 0; }
    friend bool operator==(const DecNumber& a, double b) { return a.compare(fromDouble(b)) == 0; }
    friend auto operator<=>(const DecNumber& a, double b) { return a.compare(fromDouble(b)) <=> 0; }
    friend bool operator==(const DecNumber& a, int b) { return a.compare(fromInt(b)) == 0; }
    friend auto operator<=>(const DecNumber& a, int b) { return a.compare(fromInt(b)) <=> 0; }
};

DecNumber operator+(DecNumber a, const DecNumber& b);
DecNumber operator-(DecNumber a, const DecNumber& b);
DecNumber operator*(DecNumber a, const DecNumber& b);
DecNumber operator/(DecNumber a, const DecNumber& b);

// True when both fields are identical (no normalisation assumed), unlike operator==.
inline bool sameRepresentation(const DecNumber& a, const DecNumber& b) {
    return a.mantissa == b.mantissa && a.exponent == b.exponent;
}

// The calculator's range and pi, built at compile time.
inline constexpr DecNumber kLargest{9999999900000, 99};
inline constexpr DecNumber kSmallest{1000000000000, -99};
inline constexpr DecNumber kNegSmallest{-1000000000000, -99};
inline constexpr DecNumber kNegLargest{-9999999900000, 99};
inline constexpr DecNumber kPi{3141592653589, 0};
// What division by zero yields: unnormalised, greater than every value in range.
inline constexpr DecNumber kDivideByZero{1, 999};

}  // namespace korvelce
