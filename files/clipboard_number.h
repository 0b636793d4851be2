// The display value as text other programs read, and a number from other programs as the keys
// that type it: what copy and paste do in every front end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "decimal/dec_number.h"

namespace korvelce {

class CalcEngine;

// A display text as a plain number: "1.414213562", "-1.5e-12", "6.0221408e23", "12" (the
// trailing point dropped). hasExponent says that the last three characters are the exponent's
// sign and two digits.
std::string plainNumber(std::string_view displayText, bool hasExponent);

// A number with every one of its digits: "1.414213562373", "-1.5e-12". Trailing zeros are
// dropped; from 1e-5 up to 1e13 it is written without an exponent.
std::string fullNumber(const DecNumber& value);

// What the display shows as a plain number; with allDigits the display value with all its
// digits instead. In learn mode, the value the display shows once learn mode is left; while a
// program runs, the value it computes with.
std::string displayedNumber(const CalcEngine& engine, bool allDigits);

// The keys that type a number in (digits, the point, EE, +/-), or why it cannot be typed.
struct TypedNumber {
    std::vector<int> keys;
    std::string problem;  // empty when keys are good
};

// A plain decimal number with an optional exponent ("12.5", "-.5", "1.5e-12", "+3E4"),
// blanks around it ignored, as the keys that type it on the calculator: refused when it is
// not such a number, or when it needs more digits than entry takes (10, or 8 with an
// exponent; the exponent two at most).
TypedNumber keysForNumber(std::string_view text);

// The keys a paste of text presses on the engine as it stands: CE first when a number is
// being typed, so the pasted one replaces it. Refused (with the reason) while a program runs,
// while a key waits for its operand, and for anything keysForNumber refuses.
TypedNumber keysForPaste(const CalcEngine& engine, std::string_view text);

}  // namespace korvelce
