// Runs library programs the way a user does: a fresh engine with a module loaded, keys pressed
// one by one, every program run to its stop (bounded).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/calc_engine.h"

namespace korvelce::test {

struct LibraryRun {
    std::unique_ptr<CalcEngine> engine;
    bool finished = true;  // false when a run went past the step limit
    [[nodiscard]] std::string display() const { return engine->displayText(); }
    // The display value as a double, for tolerance checks.
    [[nodiscard]] double x() const { return engine->displayValue().toDouble(); }
    [[nodiscard]] double t() const { return engine->tRegister.toDouble(); }
    [[nodiscard]] double r(int n) const {
        return engine->registers[static_cast<std::size_t>(n)].toDouble();
    }
};

// A fresh engine with module 110 or 128 loaded and the user's program `userSource` (program
// source text, may be empty) keyed into user memory; then `keys` pressed, each run bounded.
LibraryRun runLibrary(int module, std::string_view keys, std::string_view userSource = {},
                      std::int64_t maxSteps = 50000000);

// Presses more keys on an existing run.
void pressMore(LibraryRun& run, std::string_view keys, std::int64_t maxSteps = 50000000);

}  // namespace korvelce::test
