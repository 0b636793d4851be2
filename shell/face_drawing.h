// Draws the calculator face from the layout table at any scale: the skin with its raised and
// pressed keys, the display glyph strip, the indicator strip, the menu button and the icon.
//
// The build-time generator draws the pictures of each screen mode's own size with it (scale 1),
// and the window draws the same pictures at the size they are shown (zoom times the device
// pixel ratio), so a face at any size is the same drawing, sharp, and its keys lie where the
// scaled layout table says.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <string_view>

#include "shell/layout.h"

class QPainter;

namespace korvelce {

// The layout table of a mode multiplied by scale, every coordinate and size rounded to whole
// pixels. The glyph and indicator strips are laid out again from the scaled cells so that their
// glyphs never overlap; scale 1 gives the table itself.
Layout scaledLayout(const Layout& base, double scale);

// The rectangle of the key in grid column c, row r, relative to the skin.
QRect keyRect(const Layout& layout, int column, int row);

// Every picture of a face at one scale. The layout is the scaled layout the pictures follow.
struct FaceImages {
    double scale = 1.0;
    Layout layout;
    QImage skin;        // every key raised
    QImage pressed;     // every key pressed; outside the keys the same as skin; may be null
    QImage body;        // the skin without its key caps, when pressed is null (drawPressedKey)
    QImage glyphs;      // display glyph strip
    QImage indicators;  // indicator strip
    QImage menuButton;  // menu button, layout.menuButtonSize square
};

// Draws all pictures of a screen mode at a scale (1 for the mode's own size). Without the
// pressed picture, which costs as much as the skin, the body is kept instead so that a key can
// be drawn pressed when it is (drawPressedKey).
FaceImages drawFace(int mode, double scale, bool withPressedPicture = true);

// One key drawn pressed, the size of its rectangle: the same pixels as that rectangle of the
// pressed picture. The face must hold the pressed picture or the body.
QImage drawPressedKey(const FaceImages& face, int column, int row);

// The pictures one at a time, for a layout made by scaledLayout(layoutFor(mode), scale).
QImage drawSkin(const Layout& layout, double scale);
QImage drawPressedSkin(const Layout& layout, double scale);
QImage drawGlyphStrip(const Layout& layout, double scale);
QImage drawIndicatorStrip(const Layout& layout, double scale);
QImage drawMenuButton(int size);
QImage drawIcon(int size);

// The case's colour at the top and at the bottom of the skin. The area around the skin is
// filled with the same vertical gradient, so the case runs on without a seam.
QColor bodyTopColour();
QColor bodyBottomColour();
// Fills area with the case's gradient for a skin whose top and bottom rows are skinTop and
// skinTop + skinHeight - 1 (in the painter's coordinates).
void fillSurround(QPainter& painter, const QRect& area, int skinTop, int skinHeight);

// A key's legend as printed on the face ("x⇄t", "√x", "÷"); a '^' marks the start of a
// superscript ("y^x").
QString faceLegend(std::string_view mnemonic);

}  // namespace korvelce
