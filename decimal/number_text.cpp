#include "decimal/number_text.h"

#include <cstddef>
#include <cstring>

namespace korvelce {

namespace {

// 10^n for 0 <= n <= 19 as unsigned (10^19 still fits); callers stay within that range.
constexpr std::uint64_t unsignedPower(int n) {
    std::uint64_t v = 1;
    for (int i = 0; i < n && i < 19; ++i)
        v *= 10;
    return v;
}

// The magnitude of a signed 64-bit integer; INT64_MIN included.
std::uint64_t magnitudeOf(std::int64_t v) {
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

int decimalDigits(std::uint64_t v) {
    int count = 0;
    while (v != 0) {
        v /= 10;
        ++count;
    }
    return count;
}

// v in decimal, zero-padded on the left to 13 digits (more when v is larger), terminated.
// Returns the number of digits; text needs room for 21 characters.
int printPadded(std::uint64_t v, char* text) {
    char reversed[20];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    while (n < 13)
        reversed[n++] = '0';
    for (int i = 0; i < n; ++i)
        text[i] = reversed[n - 1 - i];
    text[n] = '\0';
    return n;
}

// "0" (or as much of it as fits) as the text of a formatting that did not fit.
int failText(char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    if (capacity >= 2) {
        buffer[0] = '0';
        buffer[1] = '\0';
    } else {
        buffer[0] = '\0';
    }
    return 0;
}

// The exponent field: a space or "-", then the magnitude with at least two digits (three or
// more only for exponents of magnitude 100 or more, which only unlimited values have).
// Returns its length: 3 for every limited value, at most 6 for any 16-bit exponent (+1);
// field needs 8 characters.
int exponentField(int exponent, char* field) {
    const bool negative = exponent < 0;
    unsigned magnitude =
        negative ? 0u - static_cast<unsigned>(exponent) : static_cast<unsigned>(exponent);
    char reversed[12];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (n < 2) reversed[n++] = '0';
    int length = 0;
    field[length++] = negative ? '-' : ' ';
    while (n > 0)
        field[length++] = reversed[--n];
    field[length] = '\0';
    return length;
}

// The four range limits and their fixed texts, in the order they are checked.
struct LimitText {
    const DecNumber* value;
    const char* text;
};
constexpr LimitText kLimitTexts[] = {
    {&kLargest, "9.9999999 99"},
    {&kSmallest, "1.-99"},
    {&kNegSmallest, "-1.-99"},
    {&kNegLargest, "-9.9999999 99"},
};

// Fixed shape for exponent -1 (step 4 of formatNumber), M already shifted for -10..-2.
// Appends at position; false when the text does not fit.
bool formatBelowOne(char* buffer, int capacity, int& position, std::int64_t magnitude, int fix) {
    constexpr int kScratchCapacity = 16;
    char scratch[kScratchCapacity];
    int scratchLength = 0;
    bool carry = false;
    const int shown = fix < 0 ? 10 : fix;
    if (!formatDigits(scratch, kScratchCapacity, scratchLength, magnitude, shown, 0, fix, carry))
        return false;
    const bool leadingZero = !carry && (fix >= 0 || scratchLength <= 10);
    const int length = (leadingZero ? 1 : 0) + scratchLength;
    if (position + length >= capacity) return false;
    if (leadingZero) buffer[position++] = '0';
    std::memcpy(buffer + position, scratch, static_cast<std::size_t>(scratchLength));
    position += scratchLength;
    return true;
}

}  // namespace

bool formatDigits(char* buffer, int capacity, int& position, std::int64_t magnitude, int shown,
                  int before, int fix, bool& carry) {
    // Step 1, and the preconditions that keep every index inside the digit text: shown and
    // before describe at most 13 (before: 14) digits.
    if (buffer == nullptr || position < 0 || shown < 0 || shown > 13 || before < 0 || before > 14)
        return false;
    if (position + shown + 1 >= capacity) return false;

    // Step 2: round half up at the last shown digit (unsigned: no overflow for any input).
    std::uint64_t value = magnitudeOf(magnitude);
    const std::uint64_t f = unsignedPower(13 - shown);
    if (value % f >= f / 2) value += f;

    // Step 3.
    char text[21];
    const int digits = printPadded(value, text);
    const bool reachedTen13 = digits == 14;
    if (reachedTen13 && before == 0) before = 1;

    // A carry in the fixed shape can ask for one digit more in front of the point than shown
    // (9.6 with fix 0 gives "10."); fail rather than write past the buffer.
    const int written = (before > shown ? before : shown) + 1;
    if (position + written >= capacity) return false;

    // Step 4.
    int p = position;
    for (int i = 0; i < before; ++i)
        buffer[p++] = text[i];
    buffer[p++] = '.';
    for (int i = before; i < shown; ++i)
        buffer[p++] = text[i];

    // Step 5: without fixed decimals, drop the zeros at the end; the point stays.
    if (fix == -1) {
        while (buffer[p - 1] == '0')
            --p;
    }

    position = p;
    if (reachedTen13) carry = true;
    return true;
}

int formatNumber(const DecNumber& x, char* buffer, int capacity, int fix, bool scientific) {
    if (buffer == nullptr || capacity <= 0) return 0;
    if (fix < 0 || fix > 8) fix = -1;

    const int e = x.exponent;
    // formatDigits takes a signed magnitude; the one value without one (INT64_MIN, never a
    // normalised mantissa) is brought one unit down.
    const std::uint64_t unsignedMagnitude = magnitudeOf(x.mantissa);
    const std::int64_t m = unsignedMagnitude > static_cast<std::uint64_t>(INT64_MAX)
                               ? INT64_MAX
                               : static_cast<std::int64_t>(unsignedMagnitude);
    int position = 0;

    // Step 1.
    if (x.mantissa < 0) {
        if (capacity < 2) return failText(buffer, capacity);
        buffer[position++] = '-';
    }

    // Step 2: scientific shape.
    if (e > 9 || e < -10 || scientific) {
        const int shown = fix < 0 ? 8 : (fix + 1 > 8 ? 8 : fix + 1);
        bool carry = false;
        if (formatDigits(buffer, capacity, position, m, shown, 1, fix, carry)) {
            char field[8];
            const int length = exponentField(carry ? e + 1 : e, field);
            if (position + length < capacity) {
                std::memcpy(buffer + position, field, static_cast<std::size_t>(length) + 1);
                return 1;
            }
        }
        return failText(buffer, capacity);
    }

    // Step 3: fixed shape, magnitude at least 1.
    if (e >= 0) {
        const int shown = fix < 0 ? 10 : (e + fix + 1 > 10 ? 10 : e + fix + 1);
        const std::uint64_t unit = unsignedPower(13 - shown);
        std::uint64_t rounded = static_cast<std::uint64_t>(m) + 5 * unsignedPower(12 - shown);
        rounded = rounded / unit * unit;
        const int before = decimalDigits(rounded) == 14 ? e + 2 : e + 1;
        bool carry = false;
        if (!formatDigits(buffer, capacity, position, static_cast<std::int64_t>(rounded), shown,
                          before, fix, carry))
            return failText(buffer, capacity);
        buffer[position] = '\0';
        return 0;
    }

    // Steps 4 and 5: fixed shape below 1; -10..-2 shift the digits right first.
    const std::int64_t shifted = m / static_cast<std::int64_t>(unsignedPower(-e - 1));
    if (!formatBelowOne(buffer, capacity, position, shifted, fix))
        return failText(buffer, capacity);
    buffer[position] = '\0';
    return 0;
}

int numberText(const DecNumber& x, int fixDigits, int displayFormat, char* buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return 0;
    for (const LimitText& limit : kLimitTexts) {
        if (sameRepresentation(x, *limit.value)) {
            const std::size_t length = std::strlen(limit.text);
            if (length >= static_cast<std::size_t>(capacity)) return failText(buffer, capacity);
            std::memcpy(buffer, limit.text, length + 1);
            return 1;
        }
    }
    const int fix = fixDigits >= 0 && fixDigits <= 8 ? fixDigits : -1;
    return formatNumber(x, buffer, capacity, fix, displayFormat != 0);
}

NumberTextResult numberText(const DecNumber& x, int fixDigits, int displayFormat) {
    char buffer[kTextCapacity];
    const int result = numberText(x, fixDigits, displayFormat, buffer, kTextCapacity);
    return NumberTextResult{std::string(buffer), result == 1};
}

}  // namespace korvelce
