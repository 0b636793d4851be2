// The immediate action of every key in calculate and run mode.
#include <cstring>

#include "decimal/number_text.h"
#include "decimal/scientific.h"
#include "engine/calc_engine.h"
#include "engine/shell_services.h"

namespace korvelce {

namespace {

// The pending-stack operator of a binary-operator, parenthesis or equals key; -1 for others.
int pendingOperator(int code, bool inv) {
    switch (code) {
        case key::kPower:
            return inv ? kOpRoot : kOpPower;
        case key::kMultiply:
            return kOpMultiply;
        case key::kDivide:
            return kOpDivide;
        case key::kAdd:
            return kOpAdd;
        case key::kSubtract:
            return kOpSubtract;
        case key::kOpen:
            return kOpOpenParen;
        case key::kClose:
            return kOpCloseParen;
        case key::kEquals:
            return kOpEquals;
        default:
            return -1;
    }
}

bool isUnaryFunction(int code) {
    switch (code) {
        case key::kLnx:
        case key::kLog:
        case key::kSquare:
        case key::kSqrt:
        case key::kReciprocal:
        case key::kSin:
        case key::kCos:
        case key::kTan:
        case key::kAbs:
        case key::kInt:
            return true;
        default:
            return false;
    }
}

// A display text whose exponent field is the usual three characters (sign and two digits);
// only an out-of-range value nobody limited has a longer one.
bool reloadable(const char* text, int hasExponent) {
    if (hasExponent == 0) return true;
    const std::size_t length = std::strlen(text);
    return length >= 3 && (text[length - 3] == ' ' || text[length - 3] == '-');
}

}  // namespace

void CalcEngine::immediateAction(int code) {
    if (code < 0 || code > 99) return;  // a byte no key produces: nothing but clearing INV
    const bool inv = invFlag != 0;
    if (isDigitKey(code) || code == key::kPoint) {
        digitOrPoint(code);
        return;
    }
    if (const int op = pendingOperator(code, inv); op >= 0) {
        finishEntry(false);
        stack.push(op);
        limitDisplay();
        return;
    }
    if (isUnaryFunction(code)) {
        const KeyResult result = unaryFunction(code, inv, angleUnit, finishEntry());
        stack.setDisplayValue(result.x);
        if (result.error) errorFlag = 1;
        if (result.limit) limitDisplay();
        return;
    }
    switch (code) {
        case key::kEe:
            exponentKey();
            break;
        case key::kChangeSign:
            changeSign();
            break;
        case key::kInv:
        case key::kInv2:
            invFlag = 1 - invFlag;
            break;
        case key::kCe:
            clearEntry();
            break;
        case key::kClr:
        case key::kClr2:
            clearAll();
            break;
        case key::kCp:
            clearProgram();
            break;
        case key::kCms:
            finishEntry();
            clearRegisters();
            break;
        case key::kPi:
            entryActive = 0;
            stack.setDisplayValue(kPi);
            break;
        case key::kXt: {
            const DecNumber x = finishEntry();
            stack.setDisplayValue(tRegister);
            tRegister = x;
            break;
        }
        case key::kPolar: {
            DecNumber x = finishEntry();
            bool undefined = false;
            polarRectangular(inv, angleUnit, tRegister, x, undefined);
            stack.setDisplayValue(x);
            if (undefined) errorFlag = 1;
            break;
        }
        case key::kDms:
            degreesMinutesSecondsKey(inv);
            break;
        case key::kDeg:
            angleUnit = kDegrees;
            break;
        case key::kRad:
            angleUnit = kRadians;
            break;
        case key::kGrd:
            angleUnit = kGrads;
            break;
        case key::kEng:
            finishEntry();
            if (!inv)
                displayFormat = 2;
            else if (displayFormat == 2)
                displayFormat = 0;
            break;
        case key::kFix:
            finishEntry();
            if (inv)
                fixDigits = 9;
            else
                awaitOperand(code, 1, true);
            break;
        case key::kSta:
            finishEntry();
            statisticsAccumulate(inv);
            break;
        case key::kAvr:
            finishEntry();
            statisticsAverage(inv);
            break;
        case key::kPau:
            pauseRequest = 1;
            break;
        case key::kInd:
            indirect = 1;
            break;
        case key::kRst:
            programCounter = 0;
            advancePc = 0;
            userFlags.fill(0);
            if (mode != kRun) {
                resumeAddress = 0;
                selectedBank[static_cast<std::size_t>(returnDepth)] = 0;
            }
            break;
        case key::kLst: {
            const DecNumber x = finishEntry();
            if (mode != kCalculate) break;
            if (inv)
                listRegisters(x.toInteger());
            else if (shell != nullptr)
                shell->writeListing(*this);
            break;
        }
        case key::kWrt:
            finishEntry();
            if (mode == kCalculate && shell != nullptr) {
                if (inv)
                    shell->openProgramFile(*this);
                else
                    shell->saveProgramFile(*this);
            }
            break;
        case key::kPrt:
            printValue(finishEntry());
            break;
        case key::kAdv:
            finishEntry();
            printLine(u"\r\n");
            break;
        default:
            programKey(code, inv);
            break;
    }
}

void CalcEngine::digitOrPoint(int code) {
    if (entryActive == 0) {
        entryActive = 1;
        entry.reset();
    }
    entry.applyKey(code, false);
}

void CalcEngine::exponentKey() {
    const bool inv = invFlag != 0;
    if (entryActive != 0) {
        entry.applyKey(key::kEe, inv);
    } else if (!inv) {
        // Typing continues from the digits the display shows at this moment. A value with a
        // three-digit exponent cannot be typed on: it is left as it is rather than reloaded as
        // a different number.
        char text[kTextCapacity];
        const int hasExponent =
            numberText(displayValue(), fixDigits, displayFormat, text, kTextCapacity);
        if (reloadable(text, hasExponent)) {
            entryActive = 1;
            entry.loadDisplayText(text, hasExponent != 0);
            entry.applyKey(key::kEe, false);
        }
    }
    if (displayFormat != 2) displayFormat = inv ? 0 : 1;
}

void CalcEngine::changeSign() {
    if (entryActive != 0) {
        entry.applyKey(key::kChangeSign, false);
        return;
    }
    // The negated value is a new display value and so an available operand.
    stack.setDisplayValue(displayValue().negate());
}

void CalcEngine::degreesMinutesSecondsKey(bool inv) {
    DecNumber x = finishEntry();
    if (!inv && fixDigits >= 0 && fixDigits <= 8) {
        // With fixed decimals the conversion works on the rounded digits the user sees.
        char text[kTextCapacity];
        const int hasExponent = numberText(x, fixDigits, displayFormat, text, kTextCapacity);
        if (reloadable(text, hasExponent)) {
            entryActive = 1;
            entry.loadDisplayText(text, hasExponent != 0);
            x = finishEntry();
        }
    }
    stack.setDisplayValue(degreesMinutesSeconds(inv, x));
}

void CalcEngine::clearEntry() {
    errorFlag = 0;
    if (entryActive != 0)
        entry.reset();
    else
        stack.markOperand();
}

void CalcEngine::clearAll() {
    errorFlag = 0;
    entryActive = 1;
    entry.reset();
    stack.reset();
    if (displayFormat == 1) displayFormat = 0;
}

void CalcEngine::clearProgram() {
    if (mode != kRun) {
        programMemory[0].fill(0);
        programCounter = 0;
        returnDepth = 0;
        selectedBank[0] = 0;
    }
    tRegister = DecNumber{};
}

}  // namespace korvelce
