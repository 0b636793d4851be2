// Pressing keys the way the window does, but without delays: a key that starts a program runs
// it to its end before the next key.
#pragma once

#include <cstdint>

namespace korvelce {

class CalcEngine;

enum class RunOutcome { kDone, kStepLimit };

// Presses code; while the engine is in run mode, executes steps (at most maxSteps).
RunOutcome pressAndRun(CalcEngine& engine, int code, std::int64_t maxSteps);

// Executes steps while the engine is in run mode, at most maxSteps of them.
RunOutcome runToStop(CalcEngine& engine, std::int64_t maxSteps);

}  // namespace korvelce
