#include "engine/calc_engine.h"

#include <cstdio>

#include "decimal/number_text.h"

namespace korvelce {

CalcEngine::CalcEngine() {
    // The members above are built zeroed; the rest of the start state, in order.
    entryActive = 1;
    errorFlag = 0;
    labelExpected = 0;
    userFlags.fill(0);
    calledFromKeyboard.fill(0);
    returnAddress.fill(0);
    returnBank.fill(0);
    selectedBank.fill(0);
    calledFromKeyboard[0] = 1;
    advancePc = 1;
    indirect = 0;
    indirectAllowed = 0;
    invFlag = 0;
    pendingInv = 0;
    lastStepWasInv = 0;
    pauseRequest = 0;
    condition = 1;
    operandValue = 0;
    operandDigitsNeeded = 0;
    operandDigitsTyped = 0;
    pendingKey = key::kNop;
    resumeAddress = 0;
    programCounter = 0;
    learnPointer = 0;
    registers.fill(DecNumber{});
    displayFormat = 0;
    angleUnit = 0;
    mode = kCalculate;
    fixDigits = 9;
    returnDepth = 0;
    stack.reset();
    currentBank = 0;
    for (auto& bank : programMemory)
        bank.fill(0);
    printerPath.clear();
    alphaLine.fill(u' ');
    tRegister = DecNumber{};
    stopRequested = 0;
    pressKey(key::kClr);
}

int CalcEngine::displayText(char* buffer, int capacity, bool showWhileRunning) const {
    if (capacity <= 0) return 0;
    auto copy = [&](const char* text) {
        std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s", text);
    };
    switch (mode) {
        case kCalculate:
            break;
        case kLearn: {
            const int pointer = learnPointer >= 0 && learnPointer < kSteps ? learnPointer : 0;
            std::snprintf(buffer, static_cast<std::size_t>(capacity), "%03d %02d", pointer,
                          static_cast<int>(programMemory[0][static_cast<std::size_t>(pointer)]));
            return 1;
        }
        case kRun:
            if (!showWhileRunning) {
                copy("[          ");
                return 0;
            }
            break;
        default:
            copy("-");
            return 0;
    }
    if (entryActive != 0) return entry.render(buffer, capacity);
    return numberText(displayValue(), fixDigits, displayFormat, buffer, capacity);
}

std::string CalcEngine::displayText(bool showWhileRunning) const {
    char buffer[kTextCapacity];
    displayText(buffer, kTextCapacity, showWhileRunning);
    return buffer;
}

DecNumber CalcEngine::finishEntry(bool markOperand) {
    if (entryActive != 0) {
        stack.setDisplayValue(entry.toDecNumber());
        entryActive = 0;
    } else if (markOperand) {
        stack.markOperand();
    }
    return stack.displayValue();
}

void CalcEngine::limitDisplay() {
    DecNumber x = stack.displayValue();
    if (x.limitRange()) {
        stack.setDisplayValue(x);
        errorFlag = 1;
    }
}

void CalcEngine::limitRegister(int n) {
    if (n < 0 || n >= kRegisters) return;
    if (registers[static_cast<std::size_t>(n)].limitRange()) errorFlag = 1;
}

void CalcEngine::pressKey(int code) {
    // Operand collection and learn mode come first; they take the key when they claim it.
    if (!operandPending() && mode != kLearn && entryActive != 0 && isDigitKey(code)) {
        // The most common key of all: another digit of the number being typed.
        advancePc = 1;
        entry.applyKey(code, false);
        invFlag = 0;
    } else if (!(operandPending() && routeToOperand(code))) {
        if (mode == kLearn) {
            learnModeKey(code);
            return;
        }
        advancePc = 1;
        immediateAction(code);
        if (code != key::kInv && code != key::kInv2 && code != key::kSst && code != key::kLbl)
            invFlag = 0;
    }
    // A running program stops on an error only when flag 8 is set; this is checked after an
    // operand step too, so an instruction that fails on its operand stops the run there.
    if (errorFlag != 0 && userFlags[8] != 0 && mode == kRun) {
        if (operandPending())
            stopRequested = 1;
        else
            mode = kCalculate;
    }
}

}  // namespace korvelce
