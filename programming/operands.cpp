// Operand collection: the register numbers, addresses, labels and digits that follow a key,
// typed or read from program steps, directly or through IND; and the completed instruction.
#include "engine/calc_engine.h"

namespace korvelce {

namespace {

constexpr int kIffAddress = 187;  // the address part of IFF while it is keyed in
constexpr int kDszAddress = 197;  // the address part of DSZ while it is keyed in

}  // namespace

void CalcEngine::awaitOperand(int keyCode, int digits, bool indAllowed) {
    pendingKey = static_cast<std::uint8_t>(keyCode);
    operandDigitsNeeded = static_cast<std::uint8_t>(digits);
    operandDigitsTyped = 0;
    operandValue = 0;
    indirectAllowed = indAllowed ? 1 : 0;
    indirect = 0;
    pendingInv = invFlag;
}

void CalcEngine::awaitLabel(int keyCode) {
    pendingKey = static_cast<std::uint8_t>(keyCode);
    labelExpected = 1;
}

// The branch target that follows a test (x=t, x>=t, IFF, DSZ): an address or a label for GTO.
void CalcEngine::openBranchOperand() {
    awaitOperand(key::kGto, 3, true);
    awaitLabel(key::kGto);
}

bool CalcEngine::routeToOperand(int code) {
    if (operandDigitsNeeded > 0) {
        const bool nothingCollected = operandDigitsTyped == 0;
        if (mode == kRun) {
            if (code == key::kInd && indirectAllowed != 0 && nothingCollected) {
                indirect = 1;
                indirectAllowed = 0;
                labelExpected = 0;
                if (operandDigitsNeeded > 2) operandDigitsNeeded = 2;
            } else if (labelExpected == 0 || !nothingCollected || code < 10) {
                // Each program step is one operand unit of two digits (00 to 99).
                operandValue = operandValue * 100 + code;
                operandDigitsTyped = static_cast<std::uint8_t>(operandDigitsTyped + 2);
                if (operandDigitsTyped >= operandDigitsNeeded) completeOperand();
            } else {
                labelOperand(code);
            }
            return true;
        }
        if (code == key::kInd && indirectAllowed != 0 && nothingCollected) {
            recordIndirect();
            return true;
        }
        if (isDigitKey(code)) {
            collectDigit(code);
            return true;
        }
        if (code != key::kSst) {
            // Any other key ends the operand with what was typed, or abandons it.
            if (!nothingCollected)
                completeOperand();
            else
                operandDigitsNeeded = 0;
        }
    }
    if (labelExpected != 0 && !(code == key::kSst && mode == kCalculate)) {
        labelOperand(code);
        return true;
    }
    return false;
}

void CalcEngine::recordIndirect() {
    indirect = 1;
    indirectAllowed = 0;
    operandDigitsNeeded = 2;
    labelExpected = 0;
    if (mode != kLearn) return;
    const KeyCode merged = mergedCode(pendingKey);
    if (merged != kNoMerge && learnPointer > 0) {
        programMemory[0][static_cast<std::size_t>(learnPointer - 1)] = merged;
    } else if (!storeStep(key::kInd, StepKind::kInstruction)) {
        operandDigitsNeeded = 0;
    }
}

void CalcEngine::collectDigit(int digit) {
    operandValue = operandValue * 10 + digit;
    operandDigitsTyped = static_cast<std::uint8_t>(operandDigitsTyped + 1);
    if (operandDigitsTyped >= operandDigitsNeeded) completeOperand();
}

void CalcEngine::completeOperand() {
    operandDigitsNeeded = 0;
    labelExpected = 0;
    if (mode == kLearn) {
        storeOperand();
        return;
    }
    int keyCode = pendingKey;
    if (const KeyCode plain = unmergedCode(keyCode); plain != kNoMerge) {
        keyCode = plain;
        indirect = 1;
    }
    std::int64_t value = operandValue;
    if (indirect != 0 && keyCode != key::kHir) {
        if (value < 0 || value >= kRegisters) {
            errorFlag = 1;
            if (keyCode == key::kIff || keyCode == key::kDsz) {
                // The test cannot be made: its branch target is passed over.
                condition = 0;
                openBranchOperand();
            }
            return;
        }
        value = registers[static_cast<std::size_t>(value)].toInteger();
    }
    executeOperand(keyCode, value);
}

void CalcEngine::executeOperand(int keyCode, std::int64_t value) {
    const bool inv = pendingInv != 0;
    // Indirect values may be negative or huge: each key accepts only its own range.
    auto refuse = [&] { errorFlag = 1; };
    switch (keyCode) {
        case key::kSto:
        case key::kRcl:
        case key::kSum:
        case key::kExc:
        case key::kPrd:
            if (value < 0 || value >= kRegisters)
                refuse();
            else
                registerOperation(keyCode, static_cast<int>(value), inv);
            break;
        case key::kPgm:
            if (value < 0 || value >= kBanks)
                refuse();
            else
                selectedBank[static_cast<std::size_t>(returnDepth)] =
                    static_cast<std::int16_t>(value);
            break;
        case key::kOp:
            if (value < 0)
                refuse();
            else
                specialOperation(static_cast<int>(value % 256));
            break;
        case key::kFix:
            if (value < 0)
                refuse();
            else
                fixDigits = static_cast<int>(value % 10);
            break;
        case key::kGto:
            if (condition == 0) {
                advancePc = 1;
                break;
            }
            if (value < 0 || value >= kSteps) {
                // Only a register can hold such an address (a keyed or stored one is 000 to
                // 999). The instruction is refused whole: a running program goes on after it
                // rather than running the register number as a key.
                refuse();
                advancePc = 1;
                break;
            }
            programCounter = static_cast<int>(value);
            advancePc = 0;
            break;
        case key::kSbr:
            if (value < 0 || value >= kSteps) {
                refuse();
            } else if (mode == kRun) {
                callSubroutine(programCounter + 1, static_cast<int>(value));
            } else if (callSubroutine(programCounter, static_cast<int>(value))) {
                mode = kRun;
            }
            break;
        case key::kHir:
            hirOperation(static_cast<int>(value));
            break;
        case key::kStf:
            if (value < 0)
                refuse();
            else
                userFlags[static_cast<std::size_t>(value % 10)] = inv ? 0 : 1;
            break;
        case key::kIff:
            if (value < 0) {
                refuse();
                condition = 0;
            } else {
                const bool set = userFlags[static_cast<std::size_t>(value % 10)] != 0;
                condition = set != inv ? 1 : 0;
            }
            openBranchOperand();
            break;
        case key::kDsz:
            if (value < 0 || value >= kRegisters) {
                refuse();
                condition = 0;
            } else {
                DecNumber& r = registers[static_cast<std::size_t>(value)];
                if (r.mantissa > 0)
                    r.decrement();
                else if (r.mantissa < 0)
                    r.increment();
                const bool nonZero = !r.isZero();
                condition = nonZero != inv ? 1 : 0;
            }
            openBranchOperand();
            break;
        default:
            break;
    }
}

void CalcEngine::storeOperand() {
    const int value = operandValue;
    auto storeAddress = [&] {
        if (indirect != 0) {
            storeStep(value, StepKind::kOperand);
        } else if (storeStep(value / 100, StepKind::kOperand)) {
            storeStep(value % 100, StepKind::kOperand);
        }
    };
    switch (pendingKey) {
        case key::kGto:
        case key::kEq:
        case key::kSbr:
        case key::kGe:
        case kIffAddress:
        case kDszAddress:
            storeAddress();
            break;
        case key::kIff:
        case key::kDsz: {
            const int addressPart = pendingKey == key::kIff ? kIffAddress : kDszAddress;
            if (storeStep(value, StepKind::kOperand)) {
                awaitOperand(addressPart, 3, true);
                awaitLabel(addressPart);
            }
            break;
        }
        default:
            storeStep(value, StepKind::kOperand);
            break;
    }
}

void CalcEngine::labelOperand(int code) {
    operandDigitsNeeded = 0;
    labelExpected = 0;
    if (mode == kLearn) {
        if (!learnEditKey(code)) storeStep(code, StepKind::kLabel);
        return;
    }
    if (pendingKey == key::kGto) {
        if (condition == 0) {
            advancePc = 1;
            return;
        }
        advancePc = 0;
        const int step = findLabel(code);
        if (step < 0) {
            errorFlag = 1;
            mode = kCalculate;
        } else {
            programCounter = step + 2;
        }
    } else if (pendingKey == key::kSbr) {
        const int step = findLabel(code);
        if (step < 0) {
            errorFlag = 1;
            mode = kCalculate;
        } else if (mode == kRun) {
            callSubroutine(programCounter + 1, step + 2);
        } else if (callSubroutine(programCounter, step + 2)) {
            mode = kRun;
        }
    }
    // After LBL, and for every other key, the label step is passed over.
}

}  // namespace korvelce
