// The operations waiting on the pending stack as the registers panels show them, in the window
// and in the web page alike.
#pragma once

#include <string>

namespace korvelce {

class CalcEngine;

// Oldest first: each open parenthesis, each waiting value (in the display's format) and the
// operator that waits with it ("( 4. +", "2. × ( 3. −"), or "none".
std::string pendingText(const CalcEngine& engine);

}  // namespace korvelce
