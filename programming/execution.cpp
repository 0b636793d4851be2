// Program execution: the single step, labels, subroutine calls and returns, and the
// program-control keys in calculate and run mode.
#include "engine/calc_engine.h"

namespace korvelce {

void CalcEngine::runStep() {
    pauseRequest = 0;
    if (currentBank < 0 || currentBank >= kBanks || programCounter < 0 ||
        programCounter >= kSteps) {
        errorFlag = 1;
        mode = kCalculate;
        return;
    }
    pressKey(programMemory[static_cast<std::size_t>(currentBank)]
                          [static_cast<std::size_t>(programCounter)]);
    if (programCounter >= kSteps - 1) {
        // Running off the end of memory stops with the error.
        errorFlag = 1;
        mode = kCalculate;
    } else if (advancePc != 0) {
        ++programCounter;
    }
    if (stopRequested != 0 && !operandPending()) {
        // The instruction the stop waited for is complete. The run may already have ended
        // (flag 8, a missing label); the request must not outlive it and cut the next run.
        if (mode == kRun) pressKey(key::kRunStop);
        stopRequested = 0;
    }
}

void CalcEngine::userRunStop() {
    if (mode != kRun) {
        pressKey(key::kRunStop);
        return;
    }
    if (operandPending())
        stopRequested = 1;
    else
        mode = kCalculate;
}

int CalcEngine::findLabel(int labelKey) const {
    const int bank = selectedBank[static_cast<std::size_t>(returnDepth)];
    if (bank < 0 || bank >= kBanks) return -1;
    const auto& steps = programMemory[static_cast<std::size_t>(bank)];
    for (std::size_t s = 0; s + 2 < kSteps; ++s)
        if (steps[s] == key::kLbl && steps[s + 1] == labelKey) return static_cast<int>(s);
    return -1;
}

bool CalcEngine::callSubroutine(int returnTo, int target) {
    const auto d = static_cast<std::size_t>(returnDepth);
    if (returnDepth >= kLevels - 1) {
        errorFlag = 1;
        return false;
    }
    returnAddress[d] = static_cast<std::int16_t>(returnTo);
    selectedBank[d + 1] = selectedBank[d];
    returnBank[d + 1] = selectedBank[d];
    calledFromKeyboard[d] = mode == kCalculate ? 1 : 0;
    // A library selection made inside a program serves one call; one from the keyboard stays.
    if (calledFromKeyboard[d] == 0) selectedBank[d] = returnBank[d];
    // Entering a library program from user memory keeps the user's place for learn mode.
    if (returnBank[d] == 0 && selectedBank[d] != 0) learnPointer = std::min(returnTo, kSteps - 1);
    returnDepth = returnDepth + 1;
    programCounter = target;
    currentBank = returnBank[d + 1];
    advancePc = 0;
    return true;
}

void CalcEngine::returnFromSubroutine() {
    const auto d = static_cast<std::size_t>(returnDepth);
    if (returnDepth <= 0) {
        mode = kCalculate;
        return;
    }
    const int next = std::min(programCounter + 1, kSteps - 1);
    resumeAddress = static_cast<std::int16_t>(next);
    if (returnBank[d] == 0 && returnBank[d - 1] != 0) learnPointer = next;
    returnDepth = returnDepth - 1;
    programCounter = returnAddress[d - 1];
    if (calledFromKeyboard[d - 1] != 0) mode = kCalculate;
    currentBank = returnBank[d - 1];
    advancePc = 0;
}

void CalcEngine::programKey(int code, bool inv) {
    if (isLabelKey(code)) {
        const int step = findLabel(code);
        if (step < 0) {
            errorFlag = 1;
        } else if (mode == kRun) {
            callSubroutine(programCounter + 1, step + 2);
        } else if (callSubroutine(programCounter, step + 2)) {
            mode = kRun;
        }
        return;
    }
    if (takesTwoDigitOperand(code)) {
        // A running program carries IND in the merged codes, except for PGM.
        finishEntry();
        awaitOperand(code, 2, mode == kCalculate || code == key::kPgm);
        return;
    }
    switch (code) {
        case key::kGtoInd:
            finishEntry();
            condition = 1;
            awaitOperand(code, 2, false);
            break;
        case key::kPgmInd:
        case key::kExcInd:
        case key::kPrdInd:
        case key::kStoInd:
        case key::kRclInd:
        case key::kSumInd:
        case key::kOpInd:
        case key::kHir:
            finishEntry();
            awaitOperand(code, 2, false);
            break;
        case key::kStf:
        case key::kIff:
            finishEntry();
            awaitOperand(code, 1, true);
            break;
        case key::kDsz:
            awaitOperand(code, 1, true);
            break;
        case key::kGto:
            finishEntry();
            condition = 1;
            openBranchOperand();
            break;
        case key::kEq:
        case key::kGe: {
            const int order = finishEntry().compare(tRegister);
            const bool holds = code == key::kEq ? order == 0 : order >= 0;
            condition = holds != inv ? 1 : 0;
            openBranchOperand();
            break;
        }
        case key::kSbr:
            finishEntry();
            if (inv) {
                returnFromSubroutine();
            } else {
                awaitOperand(code, 3, true);
                awaitLabel(code);
            }
            break;
        case key::kRtn:
            finishEntry();
            returnFromSubroutine();
            break;
        case key::kLbl:
            if (mode == kRun) {
                finishEntry();
                awaitLabel(code);
            }
            break;
        case key::kLrn:
            if (mode == kCalculate) {
                mode = kLearn;
                if (returnBank[static_cast<std::size_t>(returnDepth)] == 0)
                    learnPointer = programCounter;
            }
            break;
        case key::kSst:
            if (mode == kCalculate) {
                mode = kRun;
                runStep();
                mode = kCalculate;
            }
            break;
        case key::kRunStop:
            if (mode == kRun) {
                if (operandPending())
                    stopRequested = 1;
                else
                    mode = kCalculate;
            } else {
                const auto d = static_cast<std::size_t>(returnDepth);
                // Keyboard R/S with a library program selected enters it where the last
                // return left off; a refused call leaves the calculator stopped.
                if (selectedBank[d] != returnBank[d] &&
                    !callSubroutine(programCounter, resumeAddress))
                    break;
                mode = kRun;
            }
            break;
        default:
            // NOP, INS, BST, DEL and the codes no key produces: nothing.
            break;
    }
}

}  // namespace korvelce
