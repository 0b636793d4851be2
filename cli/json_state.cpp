#include "cli/json_state.h"

#include "engine/calc_engine.h"

namespace korvelce {

namespace {

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') result += '\\';
        result += c;
    }
    return result + '"';
}

}  // namespace

std::string exactValue(const DecNumber& value) {
    return std::to_string(value.mantissa) + "E" + std::to_string(value.exponent);
}

std::string jsonState(const CalcEngine& engine) {
    std::string json = "{";
    auto field = [&](const char* name, const std::string& value) {
        if (json.size() > 1) json += ",";
        json += "\"";
        json += name;
        json += "\":";
        json += value;
    };
    auto flag = [](int v) { return std::string(v != 0 ? "true" : "false"); };
    field("display", quoted(engine.displayText()));
    field("error", flag(engine.errorFlag));
    field("mode", std::to_string(engine.mode));
    field("inv", flag(engine.invFlag));
    field("angle", std::to_string(engine.angleUnit));
    field("fix", std::to_string(engine.fixDigits));
    field("format", std::to_string(engine.displayFormat));
    field("x", quoted(exactValue(engine.displayValue())));
    field("t", quoted(exactValue(engine.tRegister)));
    std::string registers = "[";
    for (std::size_t i = 0; i < engine.registers.size(); ++i) {
        if (i > 0) registers += ",";
        registers += quoted(exactValue(engine.registers[i]));
    }
    field("registers", registers + "]");
    field("pc", std::to_string(engine.programCounter));
    field("depth", std::to_string(engine.returnDepth));
    field("learnPointer", std::to_string(engine.learnPointer));
    std::string flags = "[";
    for (std::size_t i = 0; i < engine.userFlags.size(); ++i) {
        if (i > 0) flags += ",";
        flags += std::to_string(engine.userFlags[i]);
    }
    field("flags", flags + "]");
    return json + "}";
}

}  // namespace korvelce
