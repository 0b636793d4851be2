// The calculator face for each screen mode: where the keys, the display and the indicators
// lie on the skin, and which key code each grid position sends. Plain data, no window system:
// the window hit-tests with it and the artwork generator draws the skins from it, so pictures
// and sensitive rectangles always agree.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "engine/face_grid.h"  // the grid's size and the code each key sends (keyCodeAt)

namespace korvelce {

inline constexpr int kDisplayCells = 12;

struct Layout {
    int mode = 2;
    std::array<int, kGridColumns> keyColumns{};  // left edge of key columns 0..4
    std::array<int, kGridRows> keyRows{};        // top edge of key rows 0..8
    int keyWidth = 0, keyHeight = 0;
    int displayX = 0, displayY = 0;
    int cellWidth = 0, cellGap = 0, displayHeight = 0;
    int pointWidth = 0;     // width of the point glyph; also the x of the minus glyph
    int bracketGlyphX = 0;  // x of the running-display glyph in the glyph strip
    int indicatorY = 0, indicatorHeight = 0;
    int secondX = 0, secondWidth = 0, secondGlyphX = 0;
    int invX = 0, invWidth = 0, invGlyphX = 0;
    int angleX = 0, angleWidth = 0, angleGlyphX = 0;
    // Sizes of the pictures the executable carries.
    int skinWidth = 0, skinHeight = 0;  // the drawn skin (mode 0 fixed at 170x294)
    int indicatorStripWidth = 0, glyphStripWidth = 0, menuButtonSize = 0;

    [[nodiscard]] int displayWidth() const {
        return kDisplayCells * cellWidth + (kDisplayCells - 1) * cellGap;
    }
    // x of the glyph of digit d in the glyph strip; the minus glyph is at pointWidth.
    [[nodiscard]] int digitGlyphX(int d) const { return pointWidth + (d + 1) * cellWidth; }
};

// The layout of screen mode 0 (240x320, 240x400), 1 (480x640) or 2 (480x800).
const Layout& layoutFor(int mode);

// The screen mode of a screen size, or nothing when the size is not supported.
std::optional<int> screenModeFor(int width, int height);

struct GridHit {
    int column = -1;
    int row = -1;
};

// The key under a point given relative to the skin's top-left corner; -1/-1 when none.
GridHit hitTest(const Layout& layout, int x, int y);

// The legends of a key: its own and its 2nd function, as printed on the face.
struct KeyLegend {
    std::string_view main;
    std::string_view second;
};
KeyLegend keyLegend(int column, int row);

}  // namespace korvelce
