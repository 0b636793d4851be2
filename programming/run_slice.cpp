#include "programming/run_slice.h"

#include "engine/calc_engine.h"

namespace korvelce {

std::int64_t runSlice(CalcEngine& engine, std::int64_t count) {
    std::int64_t steps = 0;
    while (engine.mode == kRun && steps < count) {
        engine.runStep();
        ++steps;
        if (engine.pauseRequest != 0) break;
    }
    return steps;
}

}  // namespace korvelce
