// The engine's state as one JSON object, for scripts and tests.
#pragma once

#include <string>

#include "decimal/dec_number.h"

namespace korvelce {

class CalcEngine;

// "<mantissa>E<exponent>" with the raw mantissa: exact, and the same for every platform.
std::string exactValue(const DecNumber& value);

std::string jsonState(const CalcEngine& engine);

}  // namespace korvelce
