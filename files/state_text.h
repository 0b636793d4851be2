// The calculator's modes and flags in words, as the registers panels of the window and the web
// page show them and the terminal names them.
#pragma once

#include <string>
#include <string_view>

namespace korvelce {

class CalcEngine;

// "DEG", "RAD" or "GRD" for an angle unit (0, 1, 2); DEG for anything else.
std::string_view angleName(int angleUnit);

// The display's settings: "FIX 2, scientific (EE)", "no FIX, normal".
std::string formatText(const CalcEngine& engine);

// The user flags that are set: "set: 1 7", or "none set".
std::string flagsText(const CalcEngine& engine);

}  // namespace korvelce
