// How many steps each stored instruction occupies: the key's own step and the operand steps
// that learn mode stores after it. The label list and the program listing walk memory with it,
// so an operand is never taken for an instruction or a label.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/calc_engine.h"

namespace korvelce {

// What one step of an instruction is.
enum class StepRole {
    kInstruction,  // a key
    kNumber,       // a register, program, operation, flag or digit operand (00 to 99)
    kIndirect,     // the IND step inside an operand
    kLabel,        // a label key after GTO, SBR, a test, LBL, IFF or DSZ
    kAddressHigh,  // the hundreds digit of an absolute address
    kAddressLow,   // the last two digits of an absolute address
};

// The roles of the steps of the instruction that starts at step s (the first is always
// kInstruction); the list stops at the end of memory.
std::vector<StepRole> instructionSteps(const ProgramBank& bank, int s);

}  // namespace korvelce
