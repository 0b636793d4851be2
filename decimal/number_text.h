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
// fixDigits is 0..8, or 9 for none (any other value also means none); displayFormat is 0
// normal, 1 scientific, 2 engineering (both give the same texts). The four range limits,
// matched by exact mantissa and exponent, give their fixed texts ("9.9999999 99", "1.-99",
// "-1.-99", "-9.9999999 99") whatever the settings. Returns 1 when the text ends with the
// exponent field, else 0. The field is a space or "-" and two digits; only values that were
// not range-limited have wider ones (" 100", "-30000"). A text that does not fit the capacity,
// a limit text included, becomes "0" (empty for capacity 1, nothing for capacity <= 0) with 0.
// Never writes outside buffer[0, capacity), for any DecNumber whatsoever.
int numberText(const DecNumber& x, int fixDigits, int displayFormat, char* buffer, int capacity);

// fix is -1 for none (values outside 0..8 also mean none); scientific forces the scientific
// shape. Returns 1 when the text ends with an exponent field; a text that does not fit becomes
// "0" with result 0. Knows nothing of the limit texts (numberText checks those first).
int formatNumber(const DecNumber& x, char* buffer, int capacity, int fix, bool scientific);

// The digit writer shared by all shapes: rounds magnitude (up to 13 digits, read as a mantissa)
// half up at `shown` digits, writes `before` digits, the point and the rest from `position` on,
// advancing it; sets carry when rounding reached 10^13. Fails, writing nothing and changing
// neither position nor carry, when position + shown + 1 >= capacity; also when before (after a
// carry) exceeds shown and that longer text would not fit (9.6 with fix 0 is "10."), and when
// shown is outside 0..13 or before outside 0..14. Writes no terminator; on
// success position < capacity, so the caller has room for one. fix -1 drops trailing zeros.
bool formatDigits(char* buffer, int capacity, int& position, std::int64_t magnitude, int shown,
                  int before, int fix, bool& carry);

// Convenience forms returning the text.
struct NumberTextResult {
    std::string text;
    bool hasExponent = false;
};
NumberTextResult numberText(const DecNumber& x, int fixDigits, int displayFormat);

}  // namespace korvelce
