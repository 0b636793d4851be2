#include "files/state_text.h"

#include "engine/calc_engine.h"

namespace korvelce {

std::string_view angleName(int angleUnit) {
    static constexpr std::string_view kNames[] = {"DEG", "RAD", "GRD"};
    return angleUnit >= 0 && angleUnit <= 2 ? kNames[angleUnit] : kNames[0];
}

std::string formatText(const CalcEngine& engine) {
    std::string text = engine.fixDigits >= 0 && engine.fixDigits <= 8
                           ? "FIX " + std::to_string(engine.fixDigits)
                           : std::string("no FIX");
    switch (engine.displayFormat) {
        case 1:
            return text + ", scientific (EE)";
        case 2:
            return text + ", engineering (ENG)";
        default:
            return text + ", normal";
    }
}

std::string flagsText(const CalcEngine& engine) {
    std::string set;
    for (std::size_t f = 0; f < engine.userFlags.size(); ++f) {
        if (engine.userFlags[f] == 0) continue;
        set += set.empty() ? "set: " : " ";
        set += std::to_string(f);
    }
    return set.empty() ? "none set" : set;
}

}  // namespace korvelce
