#include "shell/layout.h"

namespace korvelce {

namespace {

constexpr Layout kMode0 = [] {
    Layout l;
    l.mode = 0;
    l.keyColumns = {19, 48, 76, 104, 132};
    l.keyRows = {87, 110, 132, 154, 176, 198, 220, 242, 264};
    l.keyWidth = 18;
    l.keyHeight = 11;
    l.displayX = 16;
    l.displayY = 16;
    l.cellWidth = 7;
    l.cellGap = 5;
    l.displayHeight = 13;
    l.pointWidth = 1;
    l.bracketGlyphX = 78;
    l.indicatorY = 32;
    l.indicatorHeight = 8;
    l.secondX = 16;
    l.secondWidth = 17;
    l.secondGlyphX = 0;
    l.invX = 35;
    l.invWidth = 13;
    l.invGlyphX = 19;
    l.angleX = 120;
    l.angleWidth = 23;
    l.angleGlyphX = 35;
    l.skinWidth = 170;
    l.skinHeight = 294;
    l.indicatorStripWidth = 105;
    l.glyphStripWidth = 86;
    l.menuButtonSize = 20;
    return l;
}();

constexpr Layout kMode1 = [] {
    Layout l;
    l.mode = 1;
    l.keyColumns = {38, 87, 144, 204, 262};
    l.keyRows = {174, 218, 262, 307, 351, 396, 440, 485, 529};
    l.keyWidth = 46;
    l.keyHeight = 22;
    l.displayX = 32;
    l.displayY = 32;
    l.cellWidth = 14;
    l.cellGap = 10;
    l.displayHeight = 26;
    l.pointWidth = 2;
    l.bracketGlyphX = 156;
    l.indicatorY = 64;
    l.indicatorHeight = 16;
    l.secondX = 32;
    l.secondWidth = 34;
    l.secondGlyphX = 0;
    l.invX = 70;
    l.invWidth = 26;
    l.invGlyphX = 38;
    l.angleX = 240;
    l.angleWidth = 46;
    l.angleGlyphX = 70;
    l.skinWidth = 346;
    l.skinHeight = 580;
    l.indicatorStripWidth = 210;
    l.glyphStripWidth = 172;
    l.menuButtonSize = 40;
    return l;
}();

constexpr Layout kMode2 = [] {
    Layout l = kMode1;
    l.mode = 2;
    l.keyColumns = {40, 100, 170, 242, 312};
    l.keyRows = {210, 264, 317, 372, 425, 479, 533, 587, 641};
    l.keyWidth = 58;
    l.keyHeight = 28;
    l.displayX = 64;
    l.displayY = 64;
    l.indicatorY = 96;
    l.secondX = 64;
    l.invX = 102;
    l.angleX = 272;
    l.skinWidth = 410;
    l.skinHeight = 712;
    return l;
}();

// Legends by row, then column: the key's own function, then its 2nd function.
constexpr KeyLegend kLegends[kGridRows][kGridColumns] = {
    {{"A", "A'"}, {"B", "B'"}, {"C", "C'"}, {"D", "D'"}, {"E", "E'"}},
    {{"2nd", ""}, {"INV", "INV"}, {"LNX", "LOG"}, {"CE", "CP"}, {"CLR", "CLR"}},
    {{"LRN", "PGM"}, {"X<->T", "P->R"}, {"X²", "SIN"}, {"SQRT", "COS"}, {"1/X", "TAN"}},
    {{"SST", "INS"}, {"STO", "CMS"}, {"RCL", "EXC"}, {"SUM", "PRD"}, {"Y^X", "IND"}},
    {{"BST", "DEL"}, {"EE", "ENG"}, {"(", "FIX"}, {")", "INT"}, {"/", "|X|"}},
    {{"GTO", "PAU"}, {"7", "EQ"}, {"8", "NOP"}, {"9", "OP"}, {"*", "DEG"}},
    {{"SBR", "LBL"}, {"4", "GE"}, {"5", "STA"}, {"6", "AVR"}, {"-", "RAD"}},
    {{"RST", "STF"}, {"1", "IFF"}, {"2", "DMS"}, {"3", "PI"}, {"+", "GRD"}},
    {{"R/S", "WRT"}, {"0", "DSZ"}, {".", "ADV"}, {"+/-", "PRT"}, {"=", "LST"}},
};

}  // namespace

const Layout& layoutFor(int mode) {
    switch (mode) {
        case 0:
            return kMode0;
        case 1:
            return kMode1;
        default:
            return kMode2;
    }
}

std::optional<int> screenModeFor(int width, int height) {
    if (width == 240 && (height == 320 || height == 400)) return 0;
    if (width == 480 && height == 640) return 1;
    if (width == 480 && height == 800) return 2;
    return std::nullopt;
}

GridHit hitTest(const Layout& layout, int x, int y) {
    GridHit hit;
    for (int c = 0; c < kGridColumns; ++c) {
        const int left = layout.keyColumns[static_cast<std::size_t>(c)];
        if (x >= left && x < left + layout.keyWidth) {
            hit.column = c;
            break;
        }
    }
    for (int r = 0; r < kGridRows; ++r) {
        const int top = layout.keyRows[static_cast<std::size_t>(r)];
        if (y >= top && y < top + layout.keyHeight) {
            hit.row = r;
            break;
        }
    }
    if (hit.column < 0 || hit.row < 0) return GridHit{};
    return hit;
}

KeyLegend keyLegend(int column, int row) {
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows) return {};
    return kLegends[row][column];
}

}  // namespace korvelce
