// A running program executed a slice at a time, so that a front end stays responsive between
// slices and sees R/S and PAU as soon as they happen.
#pragma once

#include <cstdint>

namespace korvelce {

class CalcEngine;

// Executes at most count steps while the engine is in run mode, and ends early after a step
// that asked for a pause (PAU), so that the front end can show it. Returns the steps executed.
std::int64_t runSlice(CalcEngine& engine, std::int64_t count);

}  // namespace korvelce
