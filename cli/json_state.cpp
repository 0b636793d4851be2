#include "cli/json_state.h"

#include "engine/calc_engine.h"
#include "files/json_text.h"

namespace korvelce {

std::string exactValue(const DecNumber& value) {
    return std::to_string(value.mantissa) + "E" + std::to_string(value.exponent);
}

std::string jsonState(const CalcEngine& engine) {
    auto flag = [](int v) { return v != 0 ? "true" : "false"; };
    JsonText registers = JsonText::array();
    for (const DecNumber& value : engine.registers)
        registers.add(jsonString(exactValue(value)));
    JsonText flags = JsonText::array();
    for (const auto value : engine.userFlags)
        flags.add(std::to_string(value));
    return JsonText::object()
        .field("display", jsonString(engine.displayText()))
        .field("error", flag(engine.errorFlag))
        .field("mode", std::to_string(engine.mode))
        .field("inv", flag(engine.invFlag))
        .field("angle", std::to_string(engine.angleUnit))
        .field("fix", std::to_string(engine.fixDigits))
        .field("format", std::to_string(engine.displayFormat))
        .field("x", jsonString(exactValue(engine.displayValue())))
        .field("t", jsonString(exactValue(engine.tRegister)))
        .field("registers", registers.text())
        .field("pc", std::to_string(engine.programCounter))
        .field("depth", std::to_string(engine.returnDepth))
        .field("learnPointer", std::to_string(engine.learnPointer))
        .field("flags", flags.text())
        .text();
}

}  // namespace korvelce
