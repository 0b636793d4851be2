#include "cli/run_keys.h"

#include "engine/calc_engine.h"

namespace korvelce {

RunOutcome runToStop(CalcEngine& engine, std::int64_t maxSteps) {
    std::int64_t steps = 0;
    while (engine.mode == kRun) {
        if (steps++ >= maxSteps) return RunOutcome::kStepLimit;
        engine.runStep();
    }
    return RunOutcome::kDone;
}

RunOutcome pressAndRun(CalcEngine& engine, int code, std::int64_t maxSteps) {
    engine.pressKey(code);
    return runToStop(engine, maxSteps);
}

}  // namespace korvelce
