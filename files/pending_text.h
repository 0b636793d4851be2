// The operations waiting on the pending stack as text: as the registers panels show them, in the
// window and in the web page alike, or in any other notation a front end gives.
#pragma once

#include <string>

#include "decimal/dec_number.h"

namespace korvelce {

class CalcEngine;

// How a waiting value and a waiting operator (kOpAdd ...) are written.
struct PendingNotation {
    std::string (*value)(const CalcEngine& engine, const DecNumber& value);
    const char* (*op)(int op);
};

// The panels' notation: values in the display's format, operators as the face's legends.
extern const PendingNotation kPanelNotation;

// A waiting operator as key tokens write it ("*", "INV Y^X"), or "?".
const char* operatorKeyed(int op);

// Oldest first, separated by blanks: each open parenthesis, each waiting value and the operator
// that waits with it ("( 4. +", "2. × ( 3. −"), or "none".
std::string pendingText(const CalcEngine& engine, const PendingNotation& notation = kPanelNotation);

}  // namespace korvelce
