#include "shell/face_drawing.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>

namespace korvelce {

namespace {

// ---------------------------------------------------------------------------------------------
// Colours

const QColor kBodyTop(0x2e, 0x30, 0x35);
const QColor kBodyBottom(0x1a, 0x1b, 0x1f);
const QColor kKeyboardPanel(0x15, 0x16, 0x19);
const QColor kBezelTop(0x4a, 0x4d, 0x54);
const QColor kBezelBottom(0x25, 0x27, 0x2c);
const QColor kGold(0xee, 0xb8, 0x42);
const QColor kLed(0xff, 0x36, 0x22);
const QColor kBrand(0xd8, 0xdb, 0xe0);
const QColor kBrandSmall(0x8a, 0x8f, 0x98);

enum class KeyKind { Function, Digit, Operator, Equals, Second };

struct CapColours {
    QColor face;
    QColor legend;
};

KeyKind kindOf(int column, int row) {
    if (row == 1 && column == 0) return KeyKind::Second;
    if (row == 8 && column == 4) return KeyKind::Equals;
    if (column == 4 && row >= 4) return KeyKind::Operator;
    if (row >= 5 && column >= 1) return KeyKind::Digit;
    return KeyKind::Function;
}

CapColours coloursOf(KeyKind kind) {
    switch (kind) {
        case KeyKind::Digit:
            return {QColor(0x33, 0x36, 0x3c), QColor(0xff, 0xff, 0xff)};
        case KeyKind::Operator:
            return {QColor(0x78, 0x7e, 0x88), QColor(0xff, 0xff, 0xff)};
        case KeyKind::Equals:
            return {QColor(0xd4, 0x68, 0x24), QColor(0xff, 0xff, 0xff)};
        case KeyKind::Second:
            return {QColor(0xe9, 0xb0, 0x34), QColor(0x1c, 0x1a, 0x16)};
        case KeyKind::Function:
            break;
    }
    return {QColor(0x5c, 0x61, 0x6a), QColor(0xf4, 0xf5, 0xf7)};
}

// ---------------------------------------------------------------------------------------------
// Sizes that depend on the screen mode and the scale

struct Style {
    qreal radius;    // corner radius of a key cap
    int lip;         // height of the darker lower edge of a raised cap
    int pressShift;  // how far a pressed cap sinks
    int digitPx;     // legend sizes on the caps
    int functionPx;
    int operatorPx;
    int secondPx;     // 2nd legends above the keys
    int indicatorPx;  // indicator glyphs
    bool pixelFont;   // the smallest face uses the pixel font for its legends
    qreal unit;       // the drawing's scale against the design it follows
    int line;         // width of the thin lines and borders
    qreal secondGap;  // space between a 2nd legend and its key
    int brandPx;      // the maker's name, the caption beside it, the rule between them
    int captionPx;
    int ruleHeight;
};

// The design of each screen mode at its own size.
Style designOf(int mode) {
    switch (mode) {
        case 0:
            return {2.0, 1, 1, 10, 0, 10, 0, 0, true, 1.0, 1, 7.0, 9, 0, 0};
        case 1:
            return {4.0, 2, 1, 15, 11, 17, 10, 11, false, 1.0, 1, 4.0, 20, 9, 1};
        default:
            return {5.0, 3, 2, 19, 14, 21, 12, 11, false, 1.0, 1, 6.0, 24, 10, 2};
    }
}

// The smallest face keeps its pixel font up to this scale; larger, it is drawn with the
// outline fonts of the 480-wide design at half its scale (its keys are half as large).
constexpr qreal kPixelFontLimit = 1.5;

int scaled(int value, qreal unit, int least) {
    return std::max(least, static_cast<int>(std::lround(value * unit)));
}

Style styleFor(int mode, qreal scale) {
    if (mode == 0 && scale < kPixelFontLimit) {
        Style s = designOf(0);
        s.radius *= scale;
        s.lip = scaled(s.lip, scale, 1);
        s.pressShift = scaled(s.pressShift, scale, 1);
        s.digitPx = scaled(s.digitPx, scale, 6);
        s.operatorPx = scaled(s.operatorPx, scale, 6);
        s.unit = scale;
        s.secondGap = std::round(s.secondGap * scale);
        s.brandPx = scaled(s.brandPx, scale, 6);
        return s;
    }
    const qreal unit = mode == 0 ? scale / 2.0 : scale;
    Style s = designOf(mode == 0 ? 1 : mode);
    s.radius *= unit;
    s.lip = scaled(s.lip, unit, 1);
    s.pressShift = scaled(s.pressShift, unit, 1);
    s.digitPx = scaled(s.digitPx, unit, 6);
    s.functionPx = scaled(s.functionPx, unit, 6);
    s.operatorPx = scaled(s.operatorPx, unit, 6);
    s.secondPx = scaled(s.secondPx, unit, 6);
    s.indicatorPx = scaled(s.indicatorPx, unit, 6);
    s.unit = unit;
    s.line = scaled(1, unit, 1);
    s.secondGap *= unit;
    s.brandPx = scaled(s.brandPx, unit, 7);
    s.captionPx = scaled(s.captionPx, unit, 6);
    s.ruleHeight = scaled(s.ruleHeight, unit, 1);
    return s;
}

// ---------------------------------------------------------------------------------------------
// Fonts

QFont faceFont(int pixelSize, bool bold, int stretch = QFont::Unstretched) {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStretch(stretch);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// A legend may carry a superscript after '^' ("y^x").
struct Legend {
    QString base;
    QString superscript;
};

Legend splitLegend(const QString& text) {
    const auto caret = text.indexOf(QLatin1Char('^'));
    if (caret < 0) return {text, {}};
    return {text.left(caret), text.mid(caret + 1)};
}

QFont superscriptFont(const QFont& font) {
    QFont small = font;
    small.setPixelSize(std::max(6, font.pixelSize() * 2 / 3));
    return small;
}

qreal legendWidth(const Legend& legend, const QFont& font) {
    qreal width = QFontMetricsF(font).horizontalAdvance(legend.base);
    if (!legend.superscript.isEmpty())
        width += QFontMetricsF(superscriptFont(font)).horizontalAdvance(legend.superscript) + 0.5;
    return width;
}

// The largest font not above `pixelSize` in which the legend fits `width`; narrower letters are
// tried before smaller ones.
QFont fittingFont(const Legend& legend, int pixelSize, bool bold, qreal width) {
    for (int size = pixelSize; size > 6; --size) {
        for (int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed)}) {
            QFont font = faceFont(size, bold, stretch);
            if (legendWidth(legend, font) <= width) return font;
        }
    }
    return faceFont(6, bold, QFont::SemiCondensed);
}

// Draws a legend with its capital letters centred on `centre`.
void drawLegend(QPainter& p, const Legend& legend, const QFont& font, QPointF centre,
                const QColor& colour) {
    const QFontMetricsF metrics(font);
    const qreal width = legendWidth(legend, font);
    const qreal baseline = centre.y() + metrics.capHeight() / 2.0;
    qreal x = centre.x() - width / 2.0;
    p.setPen(colour);
    p.setFont(font);
    p.drawText(QPointF(x, baseline), legend.base);
    if (!legend.superscript.isEmpty()) {
        x += metrics.horizontalAdvance(legend.base) + 0.5;
        const QFont small = superscriptFont(font);
        p.setFont(small);
        p.drawText(QPointF(x, baseline - metrics.capHeight() * 0.55), legend.superscript);
    }
}

// ---------------------------------------------------------------------------------------------
// A 3x5 pixel font for the smallest face, where outline fonts blur into grey.

struct PixelGlyph {
    char16_t ch;
    std::array<const char*, 5> rows;  // '#' lit; all rows of one glyph have the same width
};

constexpr PixelGlyph kPixelGlyphs[] = {
    {u'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {u'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {u'2', {"###", "..#", "###", "#..", "###"}},
    {u'3', {"###", "..#", ".##", "..#", "###"}},
    {u'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {u'5', {"###", "#..", "###", "..#", "###"}},
    {u'6', {"###", "#..", "###", "#.#", "###"}},
    {u'7', {"###", "..#", "..#", ".#.", ".#."}},
    {u'8', {"###", "#.#", "###", "#.#", "###"}},
    {u'9', {"###", "#.#", "###", "..#", "###"}},
    {u'A', {".#.", "#.#", "###", "#.#", "#.#"}},
    {u'B', {"##.", "#.#", "##.", "#.#", "##."}},
    {u'C', {".##", "#..", "#..", "#..", ".##"}},
    {u'D', {"##.", "#.#", "#.#", "#.#", "##."}},
    {u'E', {"###", "#..", "##.", "#..", "###"}},
    {u'F', {"###", "#..", "##.", "#..", "#.."}},
    {u'G', {".##", "#..", "#.#", "#.#", ".##"}},
    {u'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {u'L', {"#..", "#..", "#..", "#..", "###"}},
    {u'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {u'N', {"#..#", "##.#", "#.##", "#..#", "#..#"}},
    {u'O', {".#.", "#.#", "#.#", "#.#", ".#."}},
    {u'P', {"##.", "#.#", "##.", "#..", "#.."}},
    {u'R', {"##.", "#.#", "##.", "#.#", "#.#"}},
    {u'S', {".##", "#..", ".#.", "..#", "##."}},
    {u'T', {"###", ".#.", ".#.", ".#.", ".#."}},
    {u'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {u'V', {"#.#", "#.#", "#.#", "#.#", ".#."}},
    {u'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {u'X', {"#.#", "#.#", ".#.", "#.#", "#.#"}},
    {u'Y', {"#.#", "#.#", ".#.", ".#.", ".#."}},
    {u'Z', {"###", "..#", ".#.", "#..", "###"}},
    {u'n', {"...", "...", "##.", "#.#", "#.#"}},
    {u'd', {"..#", "..#", ".##", "#.#", ".##"}},
    {u'\'', {"#", "#", ".", ".", "."}},
    {u'.', {".", ".", ".", ".", "#"}},
    {u'/', {"..#", "..#", ".#.", "#..", "#.."}},
    {u'(', {".#", "#.", "#.", "#.", ".#"}},
    {u')', {"#.", ".#", ".#", ".#", "#."}},
    {u'|', {"#", "#", "#", "#", "#"}},
    {u'=', {"...", "###", "...", "###", "..."}},
    {u'+', {"...", ".#.", "###", ".#.", "..."}},
    {u'-', {"...", "...", "###", "...", "..."}},
    {u'\u00d7', {"...", "#.#", ".#.", "#.#", "..."}},       // times
    {u'\u00f7', {".#.", "...", "###", "...", ".#."}},       // divided by
    {u'\u00b2', {"##", ".#", "#.", "##", ".."}},            // squared
    {u'\u02e3', {"#.#", ".#.", "#.#", "...", "..."}},       // superscript x
    {u'\u221a', {"...#", "...#", "#.#.", ".##.", ".#.."}},  // root
    {u'\u21c4', {"..#.", "####", "....", "####", ".#.."}},  // exchange
    {u'\u2192', {"....", "..#.", "####", "..#.", "...."}},  // arrow
    {u'\u2265', {"#..", ".#.", "#..", "...", "###"}},       // greater or equal
    {u'\u03c0', {"####", ".#.#", ".#.#", ".#.#", ".#.#"}},  // pi
    {u'\u03a3', {"###", "#..", ".#.", "#..", "###"}},       // sigma
};

const PixelGlyph* pixelGlyph(QChar ch) {
    for (const PixelGlyph& glyph : kPixelGlyphs) {
        if (glyph.ch == ch.unicode()) return &glyph;
    }
    return nullptr;
}

int pixelGlyphWidth(const PixelGlyph& glyph) {
    return static_cast<int>(std::strlen(glyph.rows[0]));
}

int pixelTextWidth(const QString& text) {
    int width = 0;
    for (QChar ch : text) {
        if (const PixelGlyph* glyph = pixelGlyph(ch)) width += pixelGlyphWidth(*glyph) + 1;
    }
    return width > 0 ? width - 1 : 0;
}

// Draws `text` in the pixel font with the top-left corner of its first glyph at `origin`.
void drawPixelText(QPainter& p, QPoint origin, const QString& text, const QColor& colour) {
    int x = origin.x();
    for (QChar ch : text) {
        const PixelGlyph* glyph = pixelGlyph(ch);
        if (glyph == nullptr) continue;
        const int width = pixelGlyphWidth(*glyph);
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < width; ++column) {
                if (glyph->rows[static_cast<std::size_t>(row)][column] == '#')
                    p.fillRect(x + column, origin.y() + row, 1, 1, colour);
            }
        }
        x += width + 1;
    }
}

// Pixel text centred in `box` (rounded towards the top left).
void drawPixelTextCentred(QPainter& p, const QRect& box, const QString& text,
                          const QColor& colour) {
    const int x = box.x() + (box.width() - pixelTextWidth(text)) / 2;
    const int y = box.y() + (box.height() - 5) / 2;
    drawPixelText(p, QPoint(x, y), text, colour);
}

// ---------------------------------------------------------------------------------------------
// Key legends as printed on the face

QString legendText(std::string_view mnemonic) {
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"X<->T", "x\u21c4t"}, {"SQRT", "\u221ax"}, {"Y^X", "y^x"},       {"PI", "\u03c0"},
        {"*", "\u00d7"},       {"/", "\u00f7"},     {"-", "\u2212"},      {"EQ", "x=t"},
        {"GE", "x\u2265t"},    {"|X|", "|x|"},      {"X²", "x\u00b2"},    {"1/X", "1/x"},
        {"LNX", "ln x"},       {"LOG", "log"},      {"P->R", "P\u2192R"}, {"DMS", "D.MS"},
        {"SIN", "sin"},        {"COS", "cos"},      {"TAN", "tan"},       {"+/-", "+/\u2212"},
        {"STA", "\u03a3+"},    {"AVR", "x\u0304"},
    };
    for (const auto& [from, to] : kLabels) {
        if (from == mnemonic) return QString::fromUtf8(to.data(), qsizetype(to.size()));
    }
    return QString::fromUtf8(mnemonic.data(), qsizetype(mnemonic.size()));
}

// The same for the pixel font: capitals, and only the symbols it has.
QString pixelLabel(std::string_view mnemonic) {
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"X<->T", "X\u21c4T"}, {"SQRT", "\u221aX"}, {"Y^X", "Y\u02e3"}, {"PI", "\u03c0"},
        {"*", "\u00d7"},       {"/", "\u00f7"},     {"EQ", "X=T"},      {"GE", "X\u2265T"},
        {"P->R", "P\u2192R"},  {"DMS", "D.MS"},     {"STA", "\u03a3+"},
    };
    for (const auto& [from, to] : kLabels) {
        if (from == mnemonic) return QString::fromUtf8(to.data(), qsizetype(to.size()));
    }
    return QString::fromUtf8(mnemonic.data(), qsizetype(mnemonic.size()));
}

// ---------------------------------------------------------------------------------------------
// The skin

QRect displayWindowRect(const Layout& l) {
    const int pad = l.cellGap * 3 / 5;
    const int top = l.displayY - pad;
    const int bottom = l.indicatorY + l.indicatorHeight + pad;
    return {l.displayX - pad, top, l.displayWidth() + 2 * pad, bottom - top};
}

QRect bezelRect(const Layout& l) {
    const int border = l.cellGap * 4 / 5;
    return displayWindowRect(l).adjusted(-border, -border, border, border);
}

QRect keyboardRect(const Layout& l) {
    const int gap = l.keyRows[1] - l.keyRows[0] - l.keyHeight;
    const int side = l.keyColumns[0] / 2;
    const int top = l.keyRows[0] - gap - gap / 4;
    const int bottom = l.keyRows[kGridRows - 1] + l.keyHeight + gap / 2;
    return {side, top, l.skinWidth - 2 * side, bottom - top};
}

// The band between the display bezel and the keyboard.
QRect brandRect(const Layout& l) {
    const int top = bezelRect(l).bottom() + 1;
    const int bottom = keyboardRect(l).top();
    return {l.keyColumns[0], top, l.keyColumns[4] + l.keyWidth - l.keyColumns[0], bottom - top};
}

void drawBrand(QPainter& p, const Layout& l, const Style& s) {
    const QRect box = brandRect(l);
    if (s.pixelFont) {
        QFont font = faceFont(s.brandPx, true);
        font.setLetterSpacing(QFont::AbsoluteSpacing, s.unit);
        p.setFont(font);
        p.setPen(kBrand);
        const qreal baseline = box.center().y() + QFontMetricsF(font).capHeight() / 2.0;
        p.drawText(QPointF(box.left(), baseline), QStringLiteral("KORVEL"));
        return;
    }
    const int size = s.brandPx;
    QFont font = faceFont(size, true);
    font.setItalic(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, size / 10.0);
    const QFontMetricsF metrics(font);
    const qreal baseline = box.center().y() + metrics.capHeight() / 2.0;
    p.setFont(font);
    p.setPen(kBrand);
    p.drawText(QPointF(box.left(), baseline), QStringLiteral("Korvel"));
    const qreal brandWidth = metrics.horizontalAdvance(QStringLiteral("Korvel"));

    QFont small = faceFont(s.captionPx, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.5 * s.unit);
    const QString caption = QStringLiteral("PROGRAMMABLE");
    const qreal captionWidth = QFontMetricsF(small).horizontalAdvance(caption);
    const qreal right = box.right() + 1;
    p.setFont(small);
    p.setPen(kBrandSmall);
    p.drawText(QPointF(right - captionWidth, baseline), caption);

    // A gold rule between the name and the caption.
    const qreal ruleY = baseline - metrics.capHeight() / 2.0;
    const qreal ruleLeft = box.left() + brandWidth + size / 2.0;
    const qreal ruleRight = right - captionWidth - size / 2.0;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(ruleLeft, std::floor(ruleY), ruleRight - ruleLeft, s.ruleHeight), kGold);
    p.setRenderHint(QPainter::Antialiasing, true);
}

// Everything except the key caps: body, display window, brand, keyboard panel, the shadows
// under the caps and the 2nd legends. The pressed-key picture is this with every key drawn
// pressed, so it must not depend on which key is pressed.
void drawBody(QPainter& p, const Layout& l, const Style& s) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF skin(0, 0, l.skinWidth, l.skinHeight);
    const qreal line = s.line;

    QLinearGradient body(0, 0, 0, l.skinHeight);
    body.setColorAt(0.0, kBodyTop);
    body.setColorAt(1.0, kBodyBottom);
    p.fillRect(skin, body);
    // A faint rim along the edge of the case.
    const qreal rimRadius = s.radius * 3;
    p.setPen(QPen(QColor(255, 255, 255, 28), line));
    p.setBrush(Qt::NoBrush);
    const qreal rimInset = 1.5 * line;
    p.drawRoundedRect(skin.adjusted(rimInset, rimInset, -rimInset, -rimInset), rimRadius,
                      rimRadius);

    // Display bezel and its black window.
    const QRectF bezel = bezelRect(l);
    QLinearGradient bezelFill(0, bezel.top(), 0, bezel.bottom());
    bezelFill.setColorAt(0.0, kBezelTop);
    bezelFill.setColorAt(1.0, kBezelBottom);
    p.setPen(QPen(QColor(0, 0, 0, 150), line));
    p.setBrush(bezelFill);
    const qreal half = line / 2.0;
    p.drawRoundedRect(bezel.adjusted(half, half, -half, -half), s.radius * 1.5, s.radius * 1.5);
    const QRect window = displayWindowRect(l);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(window.adjusted(-s.line, -s.line, s.line, s.line), QColor(0x0c, 0x0c, 0x0e));
    p.fillRect(window, Qt::black);
    p.setRenderHint(QPainter::Antialiasing, true);

    drawBrand(p, l, s);

    // The keyboard sits on a slightly darker, recessed panel.
    const QRectF keyboard = keyboardRect(l);
    p.setPen(QPen(QColor(255, 255, 255, 22), line));
    p.setBrush(kKeyboardPanel);
    p.drawRoundedRect(keyboard.adjusted(half, half, -half, -half), s.radius * 2, s.radius * 2);
    p.setPen(QPen(QColor(0, 0, 0, 120), line));
    p.setBrush(Qt::NoBrush);
    const qreal inner = 1.5 * line;
    p.drawRoundedRect(keyboard.adjusted(inner, inner, -inner, -inner), s.radius * 2, s.radius * 2);

    const bool bigLip = s.lip > s.unit;
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QRectF key = keyRect(l, column, row);
            // Shadow under the cap.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0, 0, 0, 90));
            p.drawRoundedRect(
                key.adjusted(-0.5 * s.unit, s.unit, 0.5 * s.unit, (bigLip ? 2 : 1) * s.unit),
                s.radius, s.radius);

            // The 2nd legend above the key.
            const auto legend = korvelce::keyLegend(column, row);
            if (legend.second.empty()) continue;
            if (s.pixelFont) {
                const QString text = pixelLabel(legend.second);
                const int x =
                    static_cast<int>(key.left()) + (l.keyWidth - pixelTextWidth(text) + 1) / 2;
                drawPixelText(p, QPoint(x, static_cast<int>(key.top() - s.secondGap)), text, kGold);
                continue;
            }
            const Legend text = splitLegend(faceLegend(legend.second));
            const QFont font = fittingFont(text, s.secondPx, true, l.keyWidth);
            const qreal capHeight = QFontMetricsF(font).capHeight();
            const qreal centreY = key.top() - s.secondGap - capHeight / 2.0;
            drawLegend(p, text, font, QPointF(key.center().x(), centreY), kGold);
        }
    }
}

void drawCap(QPainter& p, const Layout& l, const Style& s, int column, int row, bool pressed) {
    const KeyKind kind = kindOf(column, row);
    const CapColours colours = coloursOf(kind);
    const QRect key = keyRect(l, column, row);
    p.save();
    p.setClipRect(key);
    p.setRenderHint(QPainter::Antialiasing, true);

    // The cap's outline: raised, it fills the key; pressed, it sinks by pressShift and shows
    // less of its lower edge.
    const int shift = pressed ? s.pressShift : 0;
    const int lip = pressed ? std::max(0, s.lip - s.pressShift) : s.lip;
    const QRectF outer = QRectF(key).adjusted(0, shift, 0, 0);
    const QColor face = pressed ? colours.face.darker(118) : colours.face;

    QLinearGradient edge(0, outer.top(), 0, outer.bottom());
    edge.setColorAt(0.0, face.darker(150));
    edge.setColorAt(1.0, face.darker(210));
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    p.drawRoundedRect(outer, s.radius, s.radius);

    const qreal border = s.pixelFont ? 0.0 : s.line;
    const QRectF top = outer.adjusted(border, border, -border, -(lip + border * 0.5));
    QLinearGradient fill(0, top.top(), 0, top.bottom());
    fill.setColorAt(0.0, pressed ? face.darker(108) : face.lighter(128));
    fill.setColorAt(0.55, face);
    fill.setColorAt(1.0, face.darker(112));
    p.setBrush(fill);
    const qreal innerRadius = std::max(1.0, s.radius - border);
    p.drawRoundedRect(top, innerRadius, innerRadius);

    if (!s.pixelFont) {
        // Light catching the upper edge of a raised cap, shade under that of a sunken one.
        const QColor edgeLine =
            pressed ? QColor(0, 0, 0, 90) : QColor(255, 255, 255, kind == KeyKind::Digit ? 55 : 80);
        p.setPen(QPen(edgeLine, s.line));
        const qreal y = top.top() + s.line / 2.0;
        p.drawLine(QPointF(top.left() + innerRadius, y), QPointF(top.right() - innerRadius, y));
    }

    const auto legend = korvelce::keyLegend(column, row);
    const QColor ink = pressed ? colours.legend.darker(112) : colours.legend;
    const bool large =
        kind == KeyKind::Digit || kind == KeyKind::Operator || kind == KeyKind::Equals;
    if (s.pixelFont) {
        const QRect box = top.toAlignedRect();
        if (large) {
            const Legend text = splitLegend(faceLegend(legend.main));
            p.setRenderHint(QPainter::TextAntialiasing, true);
            drawLegend(p, text, faceFont(s.digitPx, true),
                       QPointF(top.center().x(), box.top() + (box.height() - 1) / 2.0 + 0.5), ink);
        } else {
            drawPixelTextCentred(p, box, pixelLabel(legend.main), ink);
        }
    } else {
        const Legend text = splitLegend(faceLegend(legend.main));
        const int size = kind == KeyKind::Digit ? s.digitPx : large ? s.operatorPx : s.functionPx;
        const QFont font = fittingFont(text, size, true, top.width() - 2 * s.radius);
        drawLegend(p, text, font, top.center(), ink);
    }
    p.restore();
}

QImage drawBodyImage(const Layout& l, const Style& s) {
    QImage image(l.skinWidth, l.skinHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    drawBody(p, l, s);
    return image;
}

// The body with every key cap drawn raised or pressed over it.
QImage drawCaps(QImage image, const Layout& l, const Style& s, bool pressed) {
    QPainter p(&image);
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column)
            drawCap(p, l, s, column, row, pressed);
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Display glyphs: seven-segment LED digits

enum Segment : unsigned { kA = 1, kB = 2, kC = 4, kD = 8, kE = 16, kF = 32, kG = 64 };

constexpr std::array<unsigned, 10> kDigitSegments = {
    kA | kB | kC | kD | kE | kF,       // 0
    kB | kC,                           // 1
    kA | kB | kD | kE | kG,            // 2
    kA | kB | kC | kD | kG,            // 3
    kB | kC | kF | kG,                 // 4
    kA | kC | kD | kF | kG,            // 5
    kA | kC | kD | kE | kF | kG,       // 6
    kA | kB | kC,                      // 7
    kA | kB | kC | kD | kE | kF | kG,  // 8
    kA | kB | kC | kD | kF | kG,       // 9
};

// Segment geometry inside a glyph box of width w and height h (before slanting).
struct SegmentShape {
    qreal w, h, t, gap;
    QPolygonF horizontal(qreal y, qreal left, qreal right) const {
        const qreal a = left + gap, b = right - gap, half = t / 2.0;
        return QPolygonF({{a, y},
                          {a + half, y - half},
                          {b - half, y - half},
                          {b, y},
                          {b - half, y + half},
                          {a + half, y + half}});
    }
    QPolygonF vertical(qreal x, qreal top, qreal bottom) const {
        const qreal a = top + gap, b = bottom - gap, half = t / 2.0;
        return QPolygonF({{x, a},
                          {x + half, a + half},
                          {x + half, b - half},
                          {x, b},
                          {x - half, b - half},
                          {x - half, a + half}});
    }
    QPolygonF segment(Segment which) const {
        const qreal left = t / 2.0, right = w - t / 2.0;
        const qreal topY = t / 2.0, middle = h / 2.0, bottomY = h - t / 2.0;
        switch (which) {
            case kA:
                return horizontal(topY, left, right);
            case kB:
                return vertical(right, topY, middle);
            case kC:
                return vertical(right, middle, bottomY);
            case kD:
                return horizontal(bottomY, left, right);
            case kE:
                return vertical(left, middle, bottomY);
            case kF:
                return vertical(left, topY, middle);
            case kG:
                break;
        }
        return horizontal(middle, left, right);
    }
};

// Large glyphs: slanted polygons with a faint glow around them.
void drawLedSegments(QPainter& p, const QRectF& box, unsigned segments, bool bracket,
                     qreal unit = 1.0) {
    const qreal slant = box.width() * 0.14;
    const SegmentShape shape{box.width() - slant - 1.0, box.height() - 1.0, box.width() * 0.245,
                             box.width() * 0.035};
    QTransform transform;
    transform.translate(box.left() + slant + 0.5, box.top() + 0.5);
    transform.shear(-slant / box.height(), 0);
    p.save();
    p.setClipRect(box);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setTransform(transform);
    for (const bool glow : {true, false}) {
        p.setPen(glow ? QPen(QColor(kLed.red(), kLed.green(), kLed.blue(), 60), 1.4 * unit)
                      : Qt::NoPen);
        p.setBrush(kLed);
        for (unsigned bit = 1; bit <= kG; bit <<= 1) {
            if ((segments & bit) == 0) continue;
            QPolygonF polygon = shape.segment(static_cast<Segment>(bit));
            if (bracket && (bit == kA || bit == kD)) {
                // The running-display bracket: short top and bottom bars.
                const qreal limit = shape.w * 0.6;
                for (QPointF& point : polygon)
                    point.setX(std::min(point.x(), limit));
            }
            p.drawPolygon(polygon);
        }
    }
    p.restore();
}

// Small glyphs: one-pixel segments on the pixel grid.
void drawPixelSegments(QPainter& p, const QRect& box, unsigned segments, bool bracket) {
    const int w = box.width(), h = box.height(), mid = (h - 1) / 2;
    const int x0 = box.left(), y0 = box.top();
    const int barRight = bracket ? 2 : w - 2;
    auto fill = [&](int x, int y, int width, int height) {
        p.fillRect(x0 + x, y0 + y, width, height, kLed);
    };
    if (segments & kA) fill(1, 0, barRight, 1);
    if (segments & kG) fill(1, mid, w - 2, 1);
    if (segments & kD) fill(1, h - 1, barRight, 1);
    if (segments & kF) fill(0, 1, 1, mid - 1);
    if (segments & kE) fill(0, mid + 1, 1, h - mid - 2);
    if (segments & kB) fill(w - 1, 1, 1, mid - 1);
    if (segments & kC) fill(w - 1, mid + 1, 1, h - mid - 2);
    if (bracket) {
        // Join the bracket's upright through the middle row.
        fill(0, mid, 1, 1);
    }
}

}  // namespace

QImage drawGlyphStrip(const Layout& l, double scale) {
    QImage image(l.glyphStripWidth, l.displayHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    const Style s = styleFor(l.mode, scale);
    const bool small = s.pixelFont;
    // Every glyph keeps the last column of its cell dark, so neighbouring cells never touch.
    auto glyphBox = [&](int x) {
        return small ? QRect(x, 1, l.cellWidth - 1, l.displayHeight - 2)
                     : QRect(x + s.line, 2 * s.line, l.cellWidth - 2 * s.line,
                             l.displayHeight - 4 * s.line);
    };
    auto draw = [&](int x, unsigned segments, bool bracket) {
        if (small)
            drawPixelSegments(p, glyphBox(x), segments, bracket);
        else
            drawLedSegments(p, glyphBox(x), segments, bracket, s.unit);
    };

    // The decimal point, level with the bottom segment.
    const QRect box = glyphBox(0);
    const int pointHeight = small ? 1 : 3 * s.line;
    p.fillRect(0, box.bottom() + 1 - pointHeight, l.pointWidth, pointHeight, kLed);

    draw(l.pointWidth, kG, false);
    for (int d = 0; d < 10; ++d)
        draw(l.digitGlyphX(d), kDigitSegments[static_cast<std::size_t>(d)], false);
    draw(l.bracketGlyphX, kA | kD | kE | kF, true);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Indicators, menu button, icon

QImage drawIndicatorStrip(const Layout& l, double scale) {
    QImage image(l.indicatorStripWidth, l.indicatorHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const Style s = styleFor(l.mode, scale);
    struct Item {
        QString text;
        int x, width;
    };
    const Item items[] = {
        {QStringLiteral("2nd"), l.secondGlyphX, l.secondWidth},
        {QStringLiteral("INV"), l.invGlyphX, l.invWidth},
        {QStringLiteral("DEG"), l.angleGlyphX, l.angleWidth},
        {QStringLiteral("RAD"), l.angleGlyphX + l.angleWidth, l.angleWidth},
        {QStringLiteral("GRD"), l.angleGlyphX + 2 * l.angleWidth, l.angleWidth},
    };
    for (const Item& item : items) {
        const QRect box(item.x, 0, item.width, l.indicatorHeight);
        p.save();
        p.setClipRect(box);
        if (s.pixelFont) {
            drawPixelTextCentred(p, box.adjusted(0, 0, 0, 1), item.text, kLed);
        } else {
            const Legend text{item.text, {}};
            const QFont font = fittingFont(text, s.indicatorPx, true, item.width - 2 * s.line);
            drawLegend(p, text, font, QRectF(box).center(), kLed);
        }
        p.restore();
    }
    return image;
}

QImage drawMenuButton(int size) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(kBodyBottom);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal inset = size / 10.0;
    const QRectF cap = QRectF(0, 0, size, size).adjusted(inset, inset, -inset, -inset);
    QLinearGradient fill(0, cap.top(), 0, cap.bottom());
    const QColor face = coloursOf(KeyKind::Function).face;
    fill.setColorAt(0.0, face.lighter(125));
    fill.setColorAt(1.0, face.darker(125));
    p.setPen(QPen(face.darker(200), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), size / 8.0, size / 8.0);
    // Three bars.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int barHeight = std::max(2, static_cast<int>(std::lround(size * 0.075)));
    const int barLeft = size * 3 / 10, barWidth = size - 2 * barLeft;
    const int step = size / 5;
    const int first = size / 2 - step - barHeight / 2;
    for (int i = 0; i < 3; ++i) {
        p.fillRect(barLeft, first + i * step, barWidth, barHeight, QColor(0xf4, 0xf5, 0xf7));
    }
    return image;
}

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal unit = size / 128.0;
    const QRectF body(20 * unit, 4 * unit, 88 * unit, 120 * unit);
    QLinearGradient bodyFill(0, body.top(), 0, body.bottom());
    bodyFill.setColorAt(0.0, kBodyTop.lighter(130));
    bodyFill.setColorAt(1.0, kBodyBottom);
    p.setPen(QPen(QColor(0, 0, 0, 200), 2 * unit));
    p.setBrush(bodyFill);
    p.drawRoundedRect(body, 12 * unit, 12 * unit);

    const QRectF window(28 * unit, 13 * unit, 72 * unit, 26 * unit);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(window, 3 * unit, 3 * unit);
    // "42" on the display.
    const qreal cell = 13 * unit;
    const QRectF first(window.right() - 2 * cell - 10 * unit, window.top() + 4 * unit, cell,
                       18 * unit);
    drawLedSegments(p, first, kDigitSegments[4], false);
    drawLedSegments(p, first.translated(cell + 4 * unit, 0), kDigitSegments[2], false);

    // A 4 x 4 block of keys in the face's colours.
    const KeyKind kinds[4][4] = {
        {KeyKind::Second, KeyKind::Function, KeyKind::Function, KeyKind::Operator},
        {KeyKind::Digit, KeyKind::Digit, KeyKind::Digit, KeyKind::Operator},
        {KeyKind::Digit, KeyKind::Digit, KeyKind::Digit, KeyKind::Operator},
        {KeyKind::Digit, KeyKind::Digit, KeyKind::Digit, KeyKind::Equals},
    };
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const QRectF key((30 + column * 18) * unit, (50 + row * 17) * unit, 14 * unit,
                             11 * unit);
            const QColor face = coloursOf(kinds[row][column]).face;
            QLinearGradient fill(0, key.top(), 0, key.bottom());
            fill.setColorAt(0.0, face.lighter(130));
            fill.setColorAt(1.0, face.darker(115));
            p.setBrush(fill);
            p.drawRoundedRect(key, 2.5 * unit, 2.5 * unit);
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// The layout at a scale, the whole face, the surround

Layout scaledLayout(const Layout& base, double scale) {
    auto r = [scale](int value, int least) {
        return std::max(least, static_cast<int>(std::lround(value * scale)));
    };
    Layout l = base;
    for (std::size_t c = 0; c < l.keyColumns.size(); ++c)
        l.keyColumns[c] = r(base.keyColumns[c], 0);
    for (std::size_t row = 0; row < l.keyRows.size(); ++row)
        l.keyRows[row] = r(base.keyRows[row], 0);
    l.keyWidth = r(base.keyWidth, 2);
    l.keyHeight = r(base.keyHeight, 2);
    l.displayX = r(base.displayX, 0);
    l.displayY = r(base.displayY, 0);
    l.cellWidth = r(base.cellWidth, 4);
    l.cellGap = r(base.cellGap, 1);
    l.displayHeight = r(base.displayHeight, 7);
    l.pointWidth = r(base.pointWidth, 1);
    // The strips are laid out again from the scaled cells: the glyphs follow one another as
    // in the table, and the indicator glyphs never overlap.
    l.bracketGlyphX = l.pointWidth + 11 * l.cellWidth;
    l.glyphStripWidth = std::max(r(base.glyphStripWidth, 1), l.bracketGlyphX + l.cellWidth);
    l.indicatorY = r(base.indicatorY, 0);
    l.indicatorHeight = r(base.indicatorHeight, 5);
    l.secondX = r(base.secondX, 0);
    l.secondWidth = r(base.secondWidth, 1);
    l.invX = r(base.invX, 0);
    l.invWidth = r(base.invWidth, 1);
    l.angleX = r(base.angleX, 0);
    l.angleWidth = r(base.angleWidth, 1);
    l.secondGlyphX = 0;
    l.invGlyphX = std::max(r(base.invGlyphX, 0), l.secondWidth);
    l.angleGlyphX = std::max(r(base.angleGlyphX, 0), l.invGlyphX + l.invWidth);
    l.indicatorStripWidth =
        std::max(r(base.indicatorStripWidth, 1), l.angleGlyphX + 3 * l.angleWidth);
    l.skinWidth = r(base.skinWidth, 1);
    l.skinHeight = r(base.skinHeight, 1);
    l.menuButtonSize = r(base.menuButtonSize, 8);
    return l;
}

QRect keyRect(const Layout& l, int column, int row) {
    return {l.keyColumns[static_cast<std::size_t>(column)],
            l.keyRows[static_cast<std::size_t>(row)], l.keyWidth, l.keyHeight};
}

QImage drawSkin(const Layout& l, double scale) {
    const Style s = styleFor(l.mode, scale);
    return drawCaps(drawBodyImage(l, s), l, s, false);
}

QImage drawPressedSkin(const Layout& l, double scale) {
    const Style s = styleFor(l.mode, scale);
    return drawCaps(drawBodyImage(l, s), l, s, true);
}

FaceImages drawFace(int mode, double scale, bool withPressedPicture) {
    FaceImages face;
    face.scale = scale;
    face.layout = scaledLayout(layoutFor(mode), scale);
    const Layout& l = face.layout;
    const Style s = styleFor(l.mode, scale);
    const QImage body = drawBodyImage(l, s);
    face.skin = drawCaps(body, l, s, false);
    if (withPressedPicture)
        face.pressed = drawCaps(body, l, s, true);
    else
        face.body = body;
    face.glyphs = drawGlyphStrip(l, scale);
    face.indicators = drawIndicatorStrip(l, scale);
    face.menuButton = drawMenuButton(l.menuButtonSize);
    return face;
}

QImage drawPressedKey(const FaceImages& face, int column, int row) {
    const QRect key = keyRect(face.layout, column, row);
    if (!face.pressed.isNull()) return face.pressed.copy(key);
    QImage image = face.body.copy(key);
    if (image.isNull()) return image;
    QPainter p(&image);
    p.translate(-key.topLeft());
    drawCap(p, face.layout, styleFor(face.layout.mode, face.scale), column, row, true);
    return image;
}

QColor bodyTopColour() {
    return kBodyTop;
}

QColor bodyBottomColour() {
    return kBodyBottom;
}

void fillSurround(QPainter& painter, const QRect& area, int skinTop, int skinHeight) {
    QLinearGradient body(0, skinTop, 0, skinTop + skinHeight);
    body.setColorAt(0.0, kBodyTop);
    body.setColorAt(1.0, kBodyBottom);
    painter.fillRect(area, body);
}

QString faceLegend(std::string_view mnemonic) {
    return legendText(mnemonic);
}

}  // namespace korvelce
