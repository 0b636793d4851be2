#include "files/pending_text.h"

#include <algorithm>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"

namespace korvelce {

namespace {

// The key that put an operator on the pending stack.
const char* operatorText(int op) {
    switch (op) {
        case kOpRoot:
            return "INV Y^X";
        case kOpPower:
            return "Y^X";
        case kOpMultiply:
            return "\u00D7";
        case kOpDivide:
            return "\u00F7";
        case kOpAdd:
            return "+";
        case kOpSubtract:
            return "\u2212";
        default:
            return "?";
    }
}

std::string displayedValue(const CalcEngine& engine, const DecNumber& value) {
    return numberText(value, engine.fixDigits, engine.displayFormat).text;
}

}  // namespace

const PendingNotation kPanelNotation = {displayedValue, operatorText};

std::string pendingText(const CalcEngine& engine, const PendingNotation& notation) {
    const PendingStack& stack = engine.stack;
    const int level = std::clamp(stack.level, 0, PendingStack::kSlots - 1);
    std::string parts;
    auto add = [&](const std::string& part) {
        if (!parts.empty()) parts += ' ';
        parts += part;
    };
    for (int i = 0; i <= level; ++i) {
        const auto s = static_cast<std::size_t>(i);
        for (int p = 0; p < stack.parenCount[s]; ++p)
            add("(");
        if (i < level) {
            add(notation.value(engine, stack.values[s]));
            add(notation.op(stack.ops[s]));
        }
    }
    return parts.empty() ? "none" : parts;
}

}  // namespace korvelce
