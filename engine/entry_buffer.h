// The number being typed, held as text until a key needs its value.
#pragma once

#include <array>

#include "decimal/dec_number.h"

namespace korvelce {

struct EntryBuffer {
    std::array<char, 32> text{};  // digits and at most one point, no sign
    int length = 0;
    int hasPoint = 0;
    std::array<char, 2> expDigits{'0', '0'};
    int inExponent = 0;
    int mantissaPositive = 1;
    int exponentPositive = 1;
    int exponentPresent = 0;
    // The typed digits as a whole number and where the point stands, kept as the keys arrive
    // so that ending entry needs no parsing.
    std::int64_t digitValue = 0;
    int typedDigits = 0;
    int digitsBeforePoint = -1;  // -1 while there is no point

    void reset();
    // Digits 0..9, the point (93), EE (52, with inv), +/- (94); other codes change nothing.
    void applyKey(int code, bool inv);
    // Loads a display text as if typed; hasExponent says it ends in the exponent field.
    // Returns the new length.
    int loadDisplayText(const char* displayText, bool hasExponent);
    [[nodiscard]] DecNumber toDecNumber() const;
    // The text to display; returns 1 when it shows an exponent.
    int render(char* buffer, int capacity) const;

  private:
    void appendDigit(int digit);
};

}  // namespace korvelce
