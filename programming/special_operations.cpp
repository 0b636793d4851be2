// The special operations OP 00 to OP 40.
#include "engine/calc_engine.h"

namespace korvelce {

void CalcEngine::specialOperation(int /*number*/) {}

}  // namespace korvelce
