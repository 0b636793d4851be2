// The pending-operation stack: operands wait in value slots below the display value, each with
// the operator that joins it to the slot above, until an operator of the same or lower
// precedence (or a parenthesis bound, or equals) lets them be evaluated.
#include "engine/pending_stack.h"

#include <cstddef>

#include "decimal/scientific.h"

namespace korvelce {

namespace {

constexpr int kOpCount = 9;
constexpr int kLastBinaryOp = kOpSubtract;
constexpr int kHRegisters = 8;

constexpr std::size_t slot(int index) {
    return static_cast<std::size_t>(index);
}

// values[k - 1] for H register k, or nothing for any other k.
template <typename Values>
auto* hRegister(Values& values, int k) {
    return (k >= 1 && k <= kHRegisters) ? &values[slot(k - 1)] : nullptr;
}

// left op right for one of the six binary operators; any other index leaves left as it is.
// undefined is set when a power or root has no defined value (its double was infinite or not
// a number, or the root of index zero was asked for).
DecNumber evaluate(int op, DecNumber left, const DecNumber& right, bool& undefined) {
    switch (op) {
        case kOpRoot:
            return root(left, right, undefined);
        case kOpPower:
            return power(left, right, undefined);
        case kOpMultiply:
            return left.multiply(right);
        case kOpDivide:
            return left.divide(right);
        case kOpAdd:
            return left.add(right);
        case kOpSubtract:
            return left.subtract(right);
        default:
            return left;
    }
}

}  // namespace

int precedence(int op) {
    static constexpr int kPrecedence[kOpCount] = {9, 9, 8, 8, 7, 7, 1, 1, 0};
    // An unknown index ranks below everything, so a reduction never evaluates it.
    if (op < 0 || op >= kOpCount) return -1;
    return kPrecedence[op];
}

void PendingStack::reset() {
    openParens = 0;
    level = 0;
    operandReady = 1;
    parenCount.fill(0);
}

void PendingStack::setDisplayValue(const DecNumber& x) {
    values[slot(level)] = x;
    operandReady = 1;
}

void PendingStack::push(int op) {
    if (op < 0 || op >= kOpCount) return;

    if (op == kOpOpenParen) {
        if (openParens >= kMaxParens) {
            setError();
            return;
        }
        ++openParens;
        ++parenCount[slot(level)];
        return;
    }

    // A binary operator, ')' or '=' needs a value to work on; right after another binary
    // operator there is none.
    if (operandReady == 0) {
        setError();
        return;
    }

    reduce(precedence(op), op == kOpEquals);

    if (op == kOpCloseParen) {
        if (openParens > 0) --openParens;
        if (parenCount[slot(level)] > 0) --parenCount[slot(level)];
    }

    if (op <= kLastBinaryOp) {
        if (level >= kSlots - 1) {
            // No slot left for the right operand: the operator is dropped and the display
            // value stays usable as an operand.
            setError();
            return;
        }
        ops[slot(level)] = op;
        values[slot(level + 1)] = values[slot(level)];
        ++level;
    }

    operandReady = (op == kOpCloseParen || op == kOpEquals) ? 1 : 0;
}

void PendingStack::reduce(int minimumPrecedence, bool ignoreParens) {
    while (level >= 1) {
        if (!ignoreParens && parenCount[slot(level)] > 0) return;
        const int op = ops[slot(level - 1)];
        if (precedence(op) < minimumPrecedence) return;
        bool undefined = false;
        values[slot(level - 1)] =
            evaluate(op, values[slot(level - 1)], values[slot(level)], undefined);
        if (undefined) setError();
        --level;
    }
}

void PendingStack::hStore(int k, const DecNumber& x) {
    if (DecNumber* h = hRegister(values, k)) *h = x;
}

DecNumber PendingStack::hRecall(int k) const {
    const DecNumber* h = hRegister(values, k);
    return h != nullptr ? *h : DecNumber{};
}

void PendingStack::hAdd(int k, const DecNumber& x) {
    if (DecNumber* h = hRegister(values, k)) h->add(x);
}

void PendingStack::hSubtract(int k, const DecNumber& x) {
    if (DecNumber* h = hRegister(values, k)) h->subtract(x);
}

void PendingStack::hMultiply(int k, const DecNumber& x) {
    if (DecNumber* h = hRegister(values, k)) h->multiply(x);
}

void PendingStack::hDivide(int k, const DecNumber& x) {
    if (x.isZero()) return;
    if (DecNumber* h = hRegister(values, k)) h->divide(x);
}

}  // namespace korvelce
