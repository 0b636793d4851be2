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

}  // namespace

std::string pendingText(const CalcEngine& engine) {
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
            add(numberText(stack.values[s], engine.fixDigits, engine.displayFormat).text);
            add(operatorText(stack.ops[s]));
        }
    }
    return parts.empty() ? "none" : parts;
}

}  // namespace korvelce
