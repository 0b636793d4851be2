#include "cli/terminal_display.h"

#include "engine/calc_engine.h"
#include "files/state_text.h"
#include "programming/text_encoding.h"

namespace korvelce {

namespace {

// The twelve cells of the display and the point, which sits beside a digit and takes no cell
// of its own on the calculator but a column here.
constexpr std::size_t kMantissaColumns = 12;
// The exponent field: a column apart, the sign and two digits.
constexpr std::size_t kExponentColumns = 4;
constexpr std::size_t kExponentField = 3;

std::string padLeft(std::string_view text, std::size_t width) {
    const std::size_t length = textWidth(text);
    std::string result(length < width ? width - length : 0, ' ');
    return result.append(text);
}

}  // namespace

std::size_t textWidth(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string padRight(std::string_view text, std::size_t width) {
    std::string result(text);
    const std::size_t length = textWidth(text);
    if (length < width) result.append(width - length, ' ');
    return result;
}

std::string displayLine(std::string_view text, bool exponent, bool error,
                        const Indicators& indicators, bool ansi) {
    std::string field;
    if (exponent && text.size() >= kExponentField) {
        const std::size_t split = text.size() - kExponentField;
        field = padLeft(text.substr(0, split), kMantissaColumns);
        field += ' ';
        field.append(text.substr(split));
    } else {
        field = padLeft(text, kMantissaColumns);
        field.append(kExponentColumns, ' ');
    }
    std::string line = "  ";
    if (error && ansi)
        line.append("\x1b[5;7m").append(field).append("\x1b[0m");
    else
        line += field;
    line += "   ";
    line += indicators.second ? "2nd" : "   ";
    line += ' ';
    line += indicators.inv ? "INV" : "   ";
    line += ' ';
    line += angleName(indicators.angle);
    if (error && !ansi) line += "  error";
    return line;
}

std::string engineDisplayLine(const CalcEngine& engine, bool second, bool ansi) {
    char buffer[32];
    const int exponent = engine.displayText(buffer, static_cast<int>(sizeof buffer));
    // The calculator blinks its display only in calculate mode.
    const bool error = engine.errorFlag != 0 && engine.mode == kCalculate;
    return displayLine(buffer, exponent != 0, error,
                       Indicators{second, engine.invFlag != 0, engine.angleUnit}, ansi);
}

std::string paperLine(std::u16string_view printed) {
    std::string text = toUtf8(printed);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    // A line end inside (none is printed so) would break the paper's edge; show it as a blank.
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return "  |" + padRight(text, 20) + "|";
}

}  // namespace korvelce
