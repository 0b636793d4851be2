// The display text of a DecNumber: fixed and scientific shapes, fixed decimals, rounding half
// up for the text only, and the four fixed texts of the range limits.
#pragma once

#include <cstdint>
#include <string>

#include "decimal/dec_number.h"

namespace korvelce {

// All callers pass this capacity; every reachable text fits in it.
inline constexpr int kTextCapacity = 32;

// Writes the display text of x into buffer (zero-terminated, at most capacity - 1 characters).
// fixDigits is 0..8, or 9 for none; displayFormat is 0 normal, 1 scientific, 2 engineering.
// Returns 1 when the text ends with the three-character exponent field, else 0.
int numberText(const DecNumber& x, int fixDigits, int displayFormat, char* buffer, int capacity);

// fix is -1 for none; scientific forces the scientific shape. Returns 1 when the text ends with
// an exponent field; a text that does not fit becomes "0" with result 0.
int formatNumber(const DecNumber& x, char* buffer, int capacity, int fix, bool scientific);

// The digit writer shared by all shapes: rounds magnitude (up to 13 digits, read as a mantissa)
// half up at `shown` digits, writes `before` digits, the point and the rest from `position` on,
// advancing it; sets carry when rounding reached 10^13. Fails, writing nothing, when
// position + shown + 1 >= capacity.
bool formatDigits(char* buffer, int capacity, int& position, std::int64_t magnitude, int shown,
                  int before, int fix, bool& carry);

// Convenience forms returning the text.
struct NumberTextResult {
    std::string text;
    bool hasExponent = false;
};
NumberTextResult numberText(const DecNumber& x, int fixDigits, int displayFormat);

}  // namespace korvelce
