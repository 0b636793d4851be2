// Presses key tokens (the headless front end's token language) on an engine, so tests read
// like the face of the calculator.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/calc_engine.h"

namespace korvelce::test {

// The codes of the tokens; the test fails when a token is unknown.
std::vector<int> keyCodes(std::string_view tokens);

// Presses the tokens on the engine.
void press(CalcEngine& engine, std::string_view tokens);

// A fresh engine with the tokens pressed.
std::unique_ptr<CalcEngine> engineAfter(std::string_view tokens);

// The number shown, without the point that ends a whole number once it is computed.
std::string shown(const CalcEngine& engine);

// The display text of a fresh engine after the tokens.
std::string displayAfter(std::string_view tokens);

}  // namespace korvelce::test
