#include "files/program_source.h"

#include "engine/calc_engine.h"
#include "files/key_tokens.h"

namespace korvelce {

AssembleResult assembleProgram(CalcEngine& engine, std::string_view source) {
    AssembleResult result;
    engine.pressKey(key::kRst);
    engine.pressKey(key::kLrn);
    int line = 1;
    std::size_t start = 0;
    while (start <= source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        const KeyParse parsed = parseKeyTokens(source.substr(start, end - start), true);
        if (!parsed.ok) {
            result.ok = false;
            result.message =
                "line " + std::to_string(line) + ": unknown key token '" + parsed.badToken + "'";
            return result;
        }
        for (const int code : parsed.codes) {
            if (engine.mode != kLearn) {
                result.ok = false;
                result.message = "line " + std::to_string(line) +
                                 ": the program does not fit in 1000 steps (or leaves learn "
                                 "mode with LRN)";
                return result;
            }
            engine.pressKey(code);
            if (engine.learnPointer > result.steps) result.steps = engine.learnPointer;
        }
        start = end + 1;
        ++line;
    }
    if (engine.mode == kLearn) engine.pressKey(key::kLrn);
    engine.pressKey(key::kRst);
    return result;
}

}  // namespace korvelce
