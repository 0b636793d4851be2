// Learn mode: keys become program steps of the user's memory (bank 0), with their operands in
// the stored forms the executor reads back; SST, BST, INS and DEL edit.
#include <algorithm>

#include "engine/calc_engine.h"

namespace korvelce {

bool CalcEngine::storeStep(int code, StepKind kind) {
    programMemory[0][static_cast<std::size_t>(learnPointer)] = static_cast<std::uint8_t>(code);
    // Only the INV key stored as an instruction makes a following SBR a return; an operand or
    // label that happens to hold 22 must not.
    lastStepWasInv = code == key::kInv && kind == StepKind::kInstruction ? 1 : 0;
    if (learnPointer >= kSteps - 1) {
        mode = kCalculate;
        return false;
    }
    ++learnPointer;
    return true;
}

// LRN, SST, BST, INS and DEL; false for every other key.
bool CalcEngine::learnEditKey(int code) {
    auto& memory = programMemory[0];
    const auto pointer = static_cast<std::ptrdiff_t>(learnPointer);
    switch (code) {
        case key::kLrn:
            mode = kCalculate;
            if (returnBank[static_cast<std::size_t>(returnDepth)] == 0)
                programCounter = learnPointer;
            return true;
        case key::kSst:
            if (learnPointer >= kSteps - 1)
                mode = kCalculate;
            else
                ++learnPointer;
            return true;
        case key::kBst:
            if (learnPointer > 0) --learnPointer;
            return true;
        case key::kIns:
            std::copy_backward(memory.begin() + pointer, memory.end() - 1, memory.end());
            memory[static_cast<std::size_t>(learnPointer)] = 0;
            return true;
        case key::kDel:
            std::copy(memory.begin() + pointer + 1, memory.end(), memory.begin() + pointer);
            memory[kSteps - 1] = 0;
            return true;
        default:
            return false;
    }
}

void CalcEngine::learnModeKey(int code) {
    if (code < 0 || code > 99) return;  // no key produces such a code: nothing is stored
    if (learnEditKey(code)) return;
    if (code == key::kSbr && lastStepWasInv != 0 && learnPointer > 0) {
        // INV SBR is a return: the INV step becomes RTN.
        programMemory[0][static_cast<std::size_t>(learnPointer - 1)] = key::kRtn;
        return;
    }
    // INV FIX clears the fixed decimals and takes no digit, as it does when it runs.
    const bool afterInv = lastStepWasInv != 0;
    if (!storeStep(code, StepKind::kInstruction)) return;
    if (takesTwoDigitOperand(code)) {
        awaitOperand(code, 2, true);
        return;
    }
    switch (code) {
        case key::kGto:
        case key::kEq:
        case key::kSbr:
        case key::kGe:
            awaitOperand(code, 3, true);
            awaitLabel(code);
            break;
        case key::kLbl:
            awaitLabel(code);
            break;
        case key::kFix:
            if (!afterInv) awaitOperand(code, 1, true);
            break;
        case key::kStf:
        case key::kIff:
        case key::kDsz:
            awaitOperand(code, 1, true);
            break;
        default:
            break;
    }
}

}  // namespace korvelce
