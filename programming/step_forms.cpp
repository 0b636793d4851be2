#include "programming/step_forms.h"

namespace korvelce {

namespace {

// Keys followed by one operand step (a register, program or operation number, or a flag).
bool takesNumber(int code) {
    return takesTwoDigitOperand(code) || unmergedCode(code) != kNoMerge || code == key::kHir ||
           code == key::kStf;
}

// Keys followed by a branch target: an absolute address, IND and a register, or a label.
bool takesAddress(int code) {
    return code == key::kGto || code == key::kEq || code == key::kGe || code == key::kSbr;
}

}  // namespace

std::vector<StepRole> instructionSteps(const ProgramBank& bank, int s) {
    std::vector<StepRole> roles{StepRole::kInstruction};
    if (s < 0 || s >= kSteps) return roles;
    int next = s + 1;
    auto add = [&](StepRole role) {
        if (next >= kSteps) return false;
        roles.push_back(role);
        ++next;
        return true;
    };
    auto at = [&](int i) { return static_cast<int>(bank[static_cast<std::size_t>(i)]); };
    // A register, program, operation or flag operand. Only keys that accept IND in a running
    // program read a following 40 as IND; for the others (STO 40, OP 40, the merged forms,
    // HIR) it is the number itself.
    auto number = [&](bool indAllowed) {
        if (indAllowed && next < kSteps && at(next) == key::kInd) {
            add(StepRole::kIndirect);
        }
        add(StepRole::kNumber);
    };
    auto address = [&] {
        if (next >= kSteps) return;
        const int first = at(next);
        if (first == key::kInd) {
            add(StepRole::kIndirect);
            add(StepRole::kNumber);
        } else if (first < 10) {
            add(StepRole::kAddressHigh);
            add(StepRole::kAddressLow);
        } else {
            add(StepRole::kLabel);
        }
    };
    const int code = at(s);
    if (takesNumber(code)) {
        number(code == key::kPgm || code == key::kStf);
    } else if (takesAddress(code)) {
        address();
    } else if (code == key::kIff || code == key::kDsz) {
        number(true);
        address();
    } else if (code == key::kLbl) {
        add(StepRole::kLabel);
    } else if (code == key::kFix && next < kSteps && at(next) == key::kInd) {
        number(true);
    }
    return roles;
}

}  // namespace korvelce
