// Program source text: the keys one would press in learn mode, '#' comments. The source is
// keyed into a fresh engine in learn mode, so every stored form is what learn mode produces.
#pragma once

#include <string>
#include <string_view>

namespace korvelce {

class CalcEngine;

struct AssembleResult {
    bool ok = true;
    std::string message;  // what went wrong, with the line
    int steps = 0;        // steps up to the last one stored
};

// Keys source into engine's user memory, starting at step 000 in learn mode.
AssembleResult assembleProgram(CalcEngine& engine, std::string_view source);

}  // namespace korvelce
