// Writes the pictures of the calculator face at each screen mode's own size: the skins and
// pressed-key pictures, the display glyphs, the indicator glyphs, the menu button and the icon.
// The drawing itself is shared with the window, which draws the same face at any size.
//
//   korvelce_artwork OUTPUT_FOLDER [--preview PREVIEW_FOLDER]
//   korvelce_artwork --icons OUTPUT_FOLDER SIZE...   the icon alone, as korvelce-SIZE.png
//
// With --preview it also writes a picture of the whole window of each screen mode, with a value
// on the display, lit indicators and one key held down, as the window would paint them.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

#include "shell/face_drawing.h"
#include "shell/layout.h"

namespace {

using korvelce::Layout;

// ---------------------------------------------------------------------------------------------
// Preview: the window as it would paint itself

struct PreviewState {
    QString text;      // display text
    bool exponent;     // the text ends in a two-digit exponent
    bool second, inv;  // indicators
    int angleUnit;
    int pressedColumn, pressedRow;
};

QImage drawPreview(const Layout& l, QSize screen, const QImage& skin, const QImage& pressed,
                   const QImage& glyphs, const QImage& indicators, const QImage& menu,
                   const PreviewState& state) {
    QImage image(screen, QImage::Format_RGB32);
    QPainter p(&image);
    korvelce::fillSurround(p, image.rect(), 1, skin.height());
    const QPoint origin((screen.width() - skin.width()) / 2, 1);
    p.drawImage(origin, skin);
    if (state.pressedColumn >= 0) {
        const QRect key = korvelce::keyRect(l, state.pressedColumn, state.pressedRow);
        p.drawImage(key.translated(origin), pressed, key);
    }
    auto indicator = [&](bool lit, int x, int glyphX, int width) {
        const QRect target(origin.x() + x, origin.y() + l.indicatorY, width, l.indicatorHeight);
        if (lit)
            p.drawImage(target, indicators, QRect(glyphX, 0, width, l.indicatorHeight));
        else
            p.fillRect(target, Qt::black);
    };
    indicator(state.second, l.secondX, l.secondGlyphX, l.secondWidth);
    indicator(state.inv, l.invX, l.invGlyphX, l.invWidth);
    indicator(true, l.angleX, l.angleGlyphX + state.angleUnit * l.angleWidth, l.angleWidth);

    // The display, rendered right to left as the window does.
    const QPoint display = origin + QPoint(l.displayX, l.displayY);
    p.fillRect(QRect(display, QSize(l.displayWidth(), l.displayHeight)), Qt::black);
    int x = l.displayWidth() - l.cellWidth;
    if (!state.exponent) x -= l.cellWidth + l.cellGap;
    const int move = l.cellWidth + l.cellGap;
    auto glyph = [&](int at, int glyphX, int width) {
        p.drawImage(QRect(display.x() + at, display.y(), width, l.displayHeight), glyphs,
                    QRect(glyphX, 0, width, l.displayHeight));
    };
    for (auto i = state.text.size(); i-- > 0;) {
        const QChar ch = state.text[i];
        if (ch == QLatin1Char(' ')) {
            x -= move;
        } else if (ch == QLatin1Char('-')) {
            glyph(x, l.pointWidth, l.cellWidth);
            x -= move;
        } else if (ch.isDigit()) {
            glyph(x, l.digitGlyphX(ch.digitValue()), l.cellWidth);
            x -= move;
        } else if (ch == QLatin1Char('[')) {
            glyph(x, l.bracketGlyphX, l.cellWidth);
            x -= move;
        } else if (ch == QLatin1Char('.')) {
            glyph(x + l.cellWidth + l.pointWidth, 0, l.pointWidth);
        }
    }
    p.drawImage(QPoint(0, screen.height() - menu.height()), menu);
    return image;
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "korvelce_artwork: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() >= 4 && args[1] == QStringLiteral("--icons")) {
        const QDir icons(args[2]);
        bool ok = icons.mkpath(QStringLiteral("."));
        for (qsizetype i = 3; ok && i < args.size(); ++i) {
            const int size = args[i].toInt();
            ok = size > 0 &&
                 save(korvelce::drawIcon(size), icons, QStringLiteral("korvelce-%1.png").arg(size));
        }
        return ok ? 0 : 1;
    }
    if (args.size() != 2 && !(args.size() == 4 && args[2] == QStringLiteral("--preview"))) {
        std::fprintf(stderr, "usage: korvelce_artwork OUTPUT_FOLDER [--preview FOLDER]\n");
        return 2;
    }
    QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "korvelce_artwork: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }

    // Every picture at its screen mode's own size: scale 1.
    const korvelce::FaceImages face0 = korvelce::drawFace(0, 1.0);
    const korvelce::FaceImages face1 = korvelce::drawFace(1, 1.0);
    const korvelce::FaceImages face2 = korvelce::drawFace(2, 1.0);
    const Layout& small = face0.layout;
    const Layout& vga = face1.layout;
    const Layout& wvga = face2.layout;

    const QImage& skin0 = face0.skin;
    const QImage& skin1 = face1.skin;
    const QImage& pressed1 = face1.pressed;
    const QImage& skin2 = face2.skin;
    const QImage& pressed2 = face2.pressed;
    const QImage& glyphs0 = face0.glyphs;
    const QImage& glyphs12 = face1.glyphs;
    const QImage& indicators0 = face0.indicators;
    const QImage& indicators12 = face1.indicators;
    const QImage& menu0 = face0.menuButton;
    const QImage& menu12 = face1.menuButton;

    bool ok = save(skin0, out, QStringLiteral("skin0.png"));
    ok = save(skin1, out, QStringLiteral("FondVGA.png")) && ok;
    ok = save(pressed1, out, QStringLiteral("FondDownVGA.png")) && ok;
    ok = save(skin2, out, QStringLiteral("FondWVGA.png")) && ok;
    ok = save(pressed2, out, QStringLiteral("FondDownWVGA.png")) && ok;
    ok = save(glyphs0, out, QStringLiteral("glyphs0.png")) && ok;
    ok = save(glyphs12, out, QStringLiteral("glyphs12.png")) && ok;
    ok = save(indicators0, out, QStringLiteral("indicators0.png")) && ok;
    ok = save(indicators12, out, QStringLiteral("indicators12.png")) && ok;
    ok = save(menu0, out, QStringLiteral("menu0.png")) && ok;
    ok = save(menu12, out, QStringLiteral("menu12.png")) && ok;
    ok = save(korvelce::drawIcon(128), out, QStringLiteral("icon.png")) && ok;

    if (ok && args.size() == 4) {
        QDir preview(args[3]);
        preview.mkpath(QStringLiteral("."));
        // Mode 0 cannot show a pressed key from a picture (the window inverts it instead).
        const QImage pressed0 = skin0;
        ok = save(drawPreview(small, QSize(240, 320), skin0, pressed0, glyphs0, indicators0, menu0,
                              {QStringLiteral("-1234567.89"), false, true, false, 1, -1, -1}),
                  preview, QStringLiteral("preview0.png")) &&
             ok;
        ok = save(drawPreview(vga, QSize(480, 640), skin1, pressed1, glyphs12, indicators12, menu12,
                              {QStringLiteral("6.0221408 23"), true, false, true, 1, 2, 6}),
                  preview, QStringLiteral("preview1.png")) &&
             ok;
        ok = save(drawPreview(wvga, QSize(480, 800), skin2, pressed2, glyphs12, indicators12,
                              menu12, {QStringLiteral("3.141592654"), false, true, true, 0, 1, 5}),
                  preview, QStringLiteral("preview2.png")) &&
             ok;
    }
    return ok ? 0 : 1;
}
