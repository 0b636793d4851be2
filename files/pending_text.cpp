#include "files/pending_text.h"

#include <algorithm>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"

namespace korvelce {

namespace {

// Each operator that waits on the pending stack, as the face's legends show it and as key
// tokens write it.
struct OperatorNames {
    int op;
    const char* shown;
    const char* keyed;
};
constexpr OperatorNames kOperators[] = {
    {kOpRoot, "INV Y^X", "INV Y^X"}, {kOpPower, "Y^X", "Y^X"}, {kOpMultiply, "\u00D7", "*"},
    {kOpDivide, "\u00F7", "/"},      {kOpAdd, "+", "+"},       {kOpSubtract, "\u2212", "-"},
};

const char* operatorShown(int op) {
    for (const OperatorNames& names : kOperators)
        if (names.op == op) return names.shown;
    return "?";
}

std::string displayedValue(const CalcEngine& engine, const DecNumber& value) {
    return numberText(value, engine.fixDigits, engine.displayFormat).text;
}

}  // namespace

const char* operatorKeyed(int op) {
    for (const OperatorNames& names : kOperators)
        if (names.op == op) return names.keyed;
    return "?";
}

const PendingNotation kPanelNotation = {displayedValue, operatorShown};

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
