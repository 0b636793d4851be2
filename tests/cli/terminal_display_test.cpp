// The display line and the paper of the calculator on a terminal.
#include <gtest/gtest.h>

#include <string>

#include "cli/terminal_display.h"
#include "support/key_sequence.h"

namespace korvelce {
namespace {

TEST(TerminalDisplay, TextRightAlignedWithTheExponentApartAndTheIndicators) {
    struct Case {
        const char* text;
        bool exponent;
        bool error;
        Indicators indicators;
        bool ansi;
        const char* line;
    };
    const Case cases[] = {
        {"14.", false, false, {}, true, "           14.               DEG"},
        {"0", false, false, {}, true, "             0               DEG"},
        {"-1234567890.", false, false, {}, true, "  -1234567890.               DEG"},
        {"12.5-03", true, false, {}, true, "          12.5 -03           DEG"},
        {"1. 12", true, false, {}, true, "            1.  12           DEG"},
        {"012 43", true, false, {}, true, "           012  43           DEG"},
        {"7", false, false, {true, false, 0}, true, "             7       2nd     DEG"},
        {"7", false, false, {false, true, 1}, true, "             7           INV RAD"},
        {"7", false, false, {true, true, 2}, true, "             7       2nd INV GRD"},
        {"7", false, false, {false, false, 7}, true, "             7               DEG"},
        // An error blinks in inverse video, or is named where the terminal has no attributes.
        {"9.9999999 99", true, true, {}, true, "  \x1b[5;7m   9.9999999  99\x1b[0m           DEG"},
        {"9.9999999 99", true, true, {}, false, "     9.9999999  99           DEG  error"},
        {"1", false, false, {}, false, "             1               DEG"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayLine(c.text, c.exponent, c.error, c.indicators, c.ansi), c.line) << c.text;
}

TEST(TerminalDisplay, TheEngineBlinksOnlyInCalculateMode) {
    const auto error = test::engineAfter("5 / 0 =");
    EXPECT_NE(engineDisplayLine(*error, false, true).find("\x1b[5;7m"), std::string::npos);
    EXPECT_NE(engineDisplayLine(*error, false, false).find("error"), std::string::npos);
    // In learn mode the display shows the step, not the error.
    const auto learning = test::engineAfter("5 / 0 = LRN");
    EXPECT_EQ(engineDisplayLine(*learning, false, false), "           000  00           DEG");
    const auto shifted = test::engineAfter("RAD INV");
    EXPECT_EQ(engineDisplayLine(*shifted, true, true), "             0       2nd INV RAD");
}

TEST(TerminalDisplay, PaperLinesKeepTwentyColumnsBetweenBars) {
    struct Case {
        std::u16string printed;
        const char* line;
    };
    const Case cases[] = {
        {u"        123.        \r\n", "  |        123.        |"},
        {u"\r\n", "  |                    |"},
        {u"ABC", "  |ABC                 |"},
        {u"X\u00B2 \u221A", "  |X\u00B2 \u221A                |"},      // one column a character
        {u"123456789012345678901234", "  |123456789012345678901234|"},  // never cut
    };
    for (const Case& c : cases)
        EXPECT_EQ(paperLine(c.printed), c.line) << c.line;
}

TEST(TerminalDisplay, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(textWidth(""), 0u);
    EXPECT_EQ(textWidth("X\u00B2"), 2u);
    EXPECT_EQ(textWidth("\u221A2"), 2u);
    EXPECT_EQ(padRight("X\u00B2", 4), "X\u00B2  ");
    EXPECT_EQ(padRight("LONGER", 3), "LONGER");
}

}  // namespace
}  // namespace korvelce
