// Writes the calculator face for the browser: the pictures of the largest screen mode drawn at
// a few scales, and face.json, which holds the layout table at each scale, every key's codes and
// legends, the codes the page treats apart (2nd, GTO, R/S), the case colours and the window's
// default keyboard map. The page draws and hit-tests
// with exactly what the window uses, so the two faces cannot drift apart.
//
//   korvelce_web_face OUTPUT_FOLDER SCALE...
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>

#include "engine/key_codes.h"
#include "shell/face_drawing.h"
#include "shell/key_map.h"
#include "shell/layout.h"

namespace {

using korvelce::Layout;

// The screen mode the page shows: the largest face, drawn at whatever size the page needs.
constexpr int kWebMode = 2;

QJsonObject layoutObject(const Layout& l) {
    QJsonArray columns;
    for (int x : l.keyColumns)
        columns.append(x);
    QJsonArray rows;
    for (int y : l.keyRows)
        rows.append(y);
    return QJsonObject{
        {"keyColumns", columns},
        {"keyRows", rows},
        {"keyWidth", l.keyWidth},
        {"keyHeight", l.keyHeight},
        {"displayX", l.displayX},
        {"displayY", l.displayY},
        {"displayWidth", l.displayWidth()},
        {"displayHeight", l.displayHeight},
        {"cellWidth", l.cellWidth},
        {"cellGap", l.cellGap},
        {"pointWidth", l.pointWidth},
        {"bracketGlyphX", l.bracketGlyphX},
        {"indicatorY", l.indicatorY},
        {"indicatorHeight", l.indicatorHeight},
        {"secondX", l.secondX},
        {"secondWidth", l.secondWidth},
        {"secondGlyphX", l.secondGlyphX},
        {"invX", l.invX},
        {"invWidth", l.invWidth},
        {"invGlyphX", l.invGlyphX},
        {"angleX", l.angleX},
        {"angleWidth", l.angleWidth},
        {"angleGlyphX", l.angleGlyphX},
        {"skinWidth", l.skinWidth},
        {"skinHeight", l.skinHeight},
    };
}

QJsonArray keysArray() {
    QJsonArray keys;
    for (int row = 0; row < korvelce::kGridRows; ++row) {
        for (int column = 0; column < korvelce::kGridColumns; ++column) {
            const korvelce::KeyLegend legend = korvelce::keyLegend(column, row);
            keys.append(QJsonObject{
                {"column", column},
                {"row", row},
                {"code", korvelce::keyCodeAt(column, row, false)},
                {"secondCode", korvelce::keyCodeAt(column, row, true)},
                {"legend", korvelce::faceLegend(legend.main).remove(u'^')},
                {"secondLegend", korvelce::faceLegend(legend.second).remove(u'^')},
            });
        }
    }
    return keys;
}

QJsonArray keyMapArray() {
    QJsonArray entries;
    const korvelce::KeyMap map = korvelce::KeyMap::defaults();
    for (const auto& [pc, face] : map.entries()) {
        entries.append(QJsonObject{
            {"pc", korvelce::pcKeyName(pc)},
            {"column", face.column},
            {"row", face.row},
            {"second", face.second},
            {"name", korvelce::faceKeyName(face)},
        });
    }
    return entries;
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "korvelce_web_face: cannot write %s\n", qPrintable(path));
    return false;
}

QString scaleName(double scale) {
    return QString::number(scale, 'g', 3).replace(u'.', u'_');
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: korvelce_web_face OUTPUT_FOLDER SCALE...\n");
        return 2;
    }
    QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "korvelce_web_face: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }

    bool ok = true;
    QJsonArray scales;
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool number = false;
        const double scale = args[i].toDouble(&number);
        if (!number || scale <= 0.0 || scale > 8.0) {
            std::fprintf(stderr, "korvelce_web_face: not a scale: %s\n", qPrintable(args[i]));
            return 2;
        }
        const korvelce::FaceImages face = korvelce::drawFace(kWebMode, scale);
        const QString suffix = scaleName(scale);
        const QString skin = QStringLiteral("skin-%1.png").arg(suffix);
        const QString pressed = QStringLiteral("pressed-%1.png").arg(suffix);
        const QString glyphs = QStringLiteral("glyphs-%1.png").arg(suffix);
        const QString indicators = QStringLiteral("indicators-%1.png").arg(suffix);
        ok = save(face.skin, out, skin) && ok;
        ok = save(face.pressed, out, pressed) && ok;
        ok = save(face.glyphs, out, glyphs) && ok;
        ok = save(face.indicators, out, indicators) && ok;
        scales.append(QJsonObject{
            {"scale", scale},
            {"layout", layoutObject(face.layout)},
            {"skin", skin},
            {"pressed", pressed},
            {"glyphs", glyphs},
            {"indicators", indicators},
        });
    }
    ok = save(korvelce::drawIcon(192), out, QStringLiteral("icon-192.png")) && ok;
    ok = save(korvelce::drawIcon(512), out, QStringLiteral("icon-512.png")) && ok;

    const QJsonObject face{
        {"mode", kWebMode},
        {"layout", layoutObject(korvelce::layoutFor(kWebMode))},
        {"scales", scales},
        {"bodyTop", korvelce::bodyTopColour().name()},
        {"bodyBottom", korvelce::bodyBottomColour().name()},
        {"keys", keysArray()},
        {"secondKeyCode", korvelce::kSecondKeyCode},
        {"gtoKeyCode", korvelce::key::kGto},
        {"runStopKeyCode", korvelce::key::kRunStop},
        {"keyMap", keyMapArray()},
    };
    QFile json(out.filePath(QStringLiteral("face.json")));
    if (!json.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        json.write(QJsonDocument(face).toJson(QJsonDocument::Compact)) < 0) {
        std::fprintf(stderr, "korvelce_web_face: cannot write %s\n", qPrintable(json.fileName()));
        return 1;
    }
    return ok ? 0 : 1;
}
