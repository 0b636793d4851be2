// The generated face pictures agree with the layout table.
#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

#include <gtest/gtest.h>

#include "shell/layout.h"

namespace {

using korvelce::Layout;
using korvelce::layoutFor;

QImage load(const char* name) {
    return QImage(QStringLiteral(KORVELCE_ARTWORK_DIR "/") + QLatin1String(name))
        .convertToFormat(QImage::Format_RGB32);
}

bool lit(QRgb pixel) {
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel) > 96;
}

int litPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += lit(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

int nonBlackPixels(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += (image.pixel(x, y) & 0xffffffu) != 0 ? 1 : 0;
    }
    return count;
}

bool insideAnyKey(const Layout& l, int x, int y) {
    return korvelce::hitTest(l, x, y).column >= 0;
}

TEST(Artwork, EveryPictureHasItsSize) {
    const Layout& small = layoutFor(0);
    const Layout& vga = layoutFor(1);
    const Layout& wvga = layoutFor(2);
    const struct {
        const char* name;
        QSize size;
    } pictures[] = {
        {"skin0.png", {170, 294}},
        {"FondVGA.png", {vga.skinWidth, vga.skinHeight}},
        {"FondDownVGA.png", {vga.skinWidth, vga.skinHeight}},
        {"FondWVGA.png", {wvga.skinWidth, wvga.skinHeight}},
        {"FondDownWVGA.png", {wvga.skinWidth, wvga.skinHeight}},
        {"indicators0.png", {105, 8}},
        {"indicators12.png", {210, 16}},
        {"glyphs0.png", {86, 13}},
        {"glyphs12.png", {172, 26}},
        {"menu0.png", {small.menuButtonSize, small.menuButtonSize}},
        {"menu12.png", {40, 40}},
    };
    for (const auto& picture : pictures) {
        EXPECT_EQ(load(picture.name).size(), picture.size) << picture.name;
    }
    EXPECT_FALSE(load("icon.png").isNull());
}

TEST(Artwork, PressedPictureDiffersOnlyInsideTheKeys) {
    const struct {
        int mode;
        const char* skin;
        const char* pressed;
    } modes[] = {{1, "FondVGA.png", "FondDownVGA.png"}, {2, "FondWVGA.png", "FondDownWVGA.png"}};
    for (const auto& m : modes) {
        const Layout& l = layoutFor(m.mode);
        const QImage skin = load(m.skin);
        const QImage pressed = load(m.pressed);
        ASSERT_EQ(skin.size(), pressed.size()) << m.skin;
        int strayPixels = 0;
        for (int y = 0; y < skin.height(); ++y) {
            for (int x = 0; x < skin.width(); ++x) {
                if (!insideAnyKey(l, x, y) && skin.pixel(x, y) != pressed.pixel(x, y))
                    ++strayPixels;
            }
        }
        EXPECT_EQ(strayPixels, 0) << m.skin;
        for (int row = 0; row < korvelce::kGridRows; ++row) {
            for (int column = 0; column < korvelce::kGridColumns; ++column) {
                const QRect key(l.keyColumns[static_cast<std::size_t>(column)],
                                l.keyRows[static_cast<std::size_t>(row)], l.keyWidth, l.keyHeight);
                EXPECT_NE(skin.copy(key), pressed.copy(key))
                    << m.skin << " row " << row << " column " << column;
            }
        }
    }
}

TEST(Artwork, DisplayWindowIsBlackOnTheSkins) {
    const struct {
        int mode;
        const char* skin;
    } skins[] = {{0, "skin0.png"}, {1, "FondVGA.png"}, {2, "FondWVGA.png"}};
    for (const auto& s : skins) {
        const Layout& l = layoutFor(s.mode);
        const QImage skin = load(s.skin);
        EXPECT_EQ(
            nonBlackPixels(skin, QRect(l.displayX, l.displayY, l.displayWidth(), l.displayHeight)),
            0)
            << s.skin;
        EXPECT_EQ(
            nonBlackPixels(skin, QRect(l.secondX, l.indicatorY, l.angleX + l.angleWidth - l.secondX,
                                       l.indicatorHeight)),
            0)
            << s.skin;
    }
}

TEST(Artwork, GlyphsStayInsideTheirCells) {
    const struct {
        int mode;
        const char* name;
    } strips[] = {{0, "glyphs0.png"}, {1, "glyphs12.png"}};
    for (const auto& strip : strips) {
        const Layout& l = layoutFor(strip.mode);
        const QImage glyphs = load(strip.name);
        ASSERT_EQ(glyphs.height(), l.displayHeight);
        auto cell = [&](int x) { return QRect(x, 0, l.cellWidth, l.displayHeight); };
        EXPECT_GT(litPixels(glyphs, QRect(0, 0, l.pointWidth, l.displayHeight)), 0);
        // The minus sign, the ten digits and the bracket, each lit and each with a dark last
        // column so that neighbours never run together.
        std::vector<int> cells = {l.pointWidth, l.bracketGlyphX};
        for (int d = 0; d < 10; ++d)
            cells.push_back(l.digitGlyphX(d));
        for (int x : cells) {
            EXPECT_GT(litPixels(glyphs, cell(x)), 0) << strip.name << " x " << x;
            for (int y = 0; y < l.displayHeight; ++y) {
                EXPECT_EQ(glyphs.pixel(x + l.cellWidth - 1, y) & 0xffffff, 0u)
                    << strip.name << " x " << x << " y " << y;
            }
        }
        EXPECT_GT(
            litPixels(glyphs, cell(l.digitGlyphX(8))),
            litPixels(glyphs, cell(l.digitGlyphX(1))) + litPixels(glyphs, cell(l.pointWidth)));
    }
}

TEST(Artwork, EveryIndicatorGlyphIsLit) {
    const struct {
        int mode;
        const char* name;
    } strips[] = {{0, "indicators0.png"}, {1, "indicators12.png"}};
    for (const auto& strip : strips) {
        const Layout& l = layoutFor(strip.mode);
        const QImage indicators = load(strip.name);
        const QRect glyphs[] = {
            {l.secondGlyphX, 0, l.secondWidth, l.indicatorHeight},
            {l.invGlyphX, 0, l.invWidth, l.indicatorHeight},
            {l.angleGlyphX, 0, l.angleWidth, l.indicatorHeight},
            {l.angleGlyphX + l.angleWidth, 0, l.angleWidth, l.indicatorHeight},
            {l.angleGlyphX + 2 * l.angleWidth, 0, l.angleWidth, l.indicatorHeight},
        };
        for (const QRect& glyph : glyphs) {
            EXPECT_GT(litPixels(indicators, glyph), 0) << strip.name << " x " << glyph.x();
        }
        EXPECT_NE(indicators.copy(glyphs[2]), indicators.copy(glyphs[3])) << strip.name;
    }
}

}  // namespace
