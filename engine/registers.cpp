// The data-register keys (STO, RCL, SUM, EXC, PRD, CMS), the statistics keys (STA, AVR) and the
// HIR step on the H registers.
#include <cstddef>

#include "engine/calc_engine.h"
#include "engine/key_codes.h"

namespace korvelce {

namespace {

// Statistics sums live in ordinary data registers.
constexpr std::size_t kSumX = 1;
constexpr std::size_t kSumXSquared = 2;
constexpr std::size_t kCount = 3;
constexpr std::size_t kSumY = 4;
constexpr std::size_t kSumYSquared = 5;
constexpr std::size_t kSumXY = 6;

// sum += term, or sum -= term when a point is being removed.
void accumulate(DecNumber& sum, const DecNumber& term, bool remove) {
    if (remove)
        sum.subtract(term);
    else
        sum.add(term);
}

// Square root of (sumOfSquares - sum * sum / n) / nMinusOne, evaluated left to right.
DecNumber deviation(const DecNumber& sum, const DecNumber& sumOfSquares, const DecNumber& n,
                    const DecNumber& nMinusOne) {
    DecNumber square = sum;
    square.multiply(sum);
    square.divide(n);
    DecNumber variance = sumOfSquares;
    variance.subtract(square);
    variance.divide(nMinusOne);
    return variance.squareRoot();
}

}  // namespace

void CalcEngine::registerOperation(int keyCode, int n, bool inv) {
    if (n < 0 || n >= kRegisters) {
        errorFlag = 1;
        return;
    }
    DecNumber& reg = registers[static_cast<std::size_t>(n)];
    const DecNumber x = stack.displayValue();
    switch (keyCode) {
        case key::kSto:
            reg = x;
            break;
        case key::kRcl:
            // The display shows the register as it is; only the register itself is clamped.
            stack.setDisplayValue(reg);
            break;
        case key::kSum:
            if (inv)
                reg.subtract(x);
            else
                reg.add(x);
            break;
        case key::kExc:
            stack.setDisplayValue(reg);
            reg = x;
            break;
        case key::kPrd:
            if (inv)
                reg.divide(x);
            else
                reg.multiply(x);
            break;
        default:
            return;
    }
    limitRegister(n);
}

void CalcEngine::clearRegisters() {
    registers.fill(DecNumber{});
}

void CalcEngine::statisticsAccumulate(bool inv) {
    // No range limiting anywhere here: the sums keep whatever the arithmetic gives.
    const DecNumber x = stack.displayValue();
    const DecNumber y = tRegister;
    accumulate(registers[kSumX], x, inv);
    accumulate(registers[kSumXSquared], x * x, inv);
    if (inv)
        registers[kCount].decrement();
    else
        registers[kCount].increment();
    accumulate(registers[kSumY], y, inv);
    accumulate(registers[kSumYSquared], y * y, inv);
    accumulate(registers[kSumXY], x * y, inv);
    if (inv)
        tRegister.decrement();
    else
        tRegister.increment();
    stack.setDisplayValue(registers[kCount]);
}

void CalcEngine::statisticsAverage(bool inv) {
    const DecNumber n = registers[kCount];
    if (!inv) {
        if (n.isZero()) {
            stack.setDisplayValue(DecNumber::fromInt(1));
            errorFlag = 1;
            return;
        }
        tRegister = registers[kSumY] / n;
        stack.setDisplayValue(registers[kSumX] / n);
        return;
    }
    // Standard deviations with divisor n - 1, which must not be zero.
    if (n.isZero() || n == 1) {
        stack.setDisplayValue(DecNumber{});
        errorFlag = 1;
        return;
    }
    DecNumber nMinusOne = n;
    nMinusOne.subtract(DecNumber::fromDouble(1.0));
    tRegister = deviation(registers[kSumY], registers[kSumYSquared], n, nMinusOne);
    stack.setDisplayValue(deviation(registers[kSumX], registers[kSumXSquared], n, nMinusOne));
}

void CalcEngine::hirOperation(int operand) {
    if (operand < 0 || operand > 99) return;
    const int k = operand % 10;
    const DecNumber x = stack.displayValue();
    switch (operand / 10) {
        case 0:
            stack.hStore(k, x);
            break;
        case 1:
            stack.setDisplayValue(stack.hRecall(k));
            break;
        case 2:
            break;
        case 3:
            stack.hAdd(k, x);
            break;
        case 4:
            stack.hMultiply(k, x);
            break;
        case 5:
            stack.hSubtract(k, x);
            break;
        default:
            stack.hDivide(k, x);
            break;
    }
}

}  // namespace korvelce
