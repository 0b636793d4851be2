// How the interactive calculator draws on a terminal: the display line with its indicators,
// and the printer's paper.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvelce {

class CalcEngine;

// The indicators beside the display.
struct Indicators {
    bool second = false;  // the next key gives its 2nd function
    bool inv = false;
    int angle = 0;  // 0 DEG, 1 RAD, 2 GRD
};

// The display as one line: the text right-aligned in the display's twelve cells (the point
// beside its digit), the exponent field (the last three characters when exponent is set) set
// apart, then the 2nd, INV and angle indicators. With ansi an error display blinks in inverse
// video; without, the word "error" follows the indicators.
std::string displayLine(std::string_view text, bool exponent, bool error,
                        const Indicators& indicators, bool ansi);

// The display line of the engine as the calculator shows it between runs.
std::string engineDisplayLine(const CalcEngine& engine, bool second, bool ansi);

// A printed line as it appears on the terminal: the 20 columns of paper between bars, without
// the line end.
std::string paperLine(std::u16string_view printed);

// The number of characters (code points) of UTF-8 text.
std::size_t textWidth(std::string_view utf8);

// text padded with blanks on the right to width characters (never cut).
std::string padRight(std::string_view text, std::size_t width);

}  // namespace korvelce
