#include "shell/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdint>
#include <limits>

#include "shell/registry_key.h"

namespace korvelce {

namespace {

const QString kPrintFile = QStringLiteral("PrintFile");
const QString kRunDelay = QStringLiteral("DelaiRun");
const QString kShortPause = QStringLiteral("DureePauseCourte");
const QString kLongPause = QStringLiteral("DureePauseLongue");
const QString kBlink = QStringLiteral("DureeClignotement");
const QString kLeft = QStringLiteral("Gauche");
const QString kTop = QStringLiteral("Haut");
const QString kWidth = QStringLiteral("Largeur");
const QString kHeight = QStringLiteral("Hauteur");
const QString kModule = QStringLiteral("Module");
const QString kWorkbenchGeometry = QStringLiteral("WorkbenchGeometry");
const QString kWorkbenchPanels = QStringLiteral("WorkbenchPanels");
const QString kRegistersNonZero = QStringLiteral("RegistersNonZero");
// Qt's saved window layouts are a few hundred bytes; anything far larger is not one.
constexpr std::size_t kLayoutBufferBytes = 1 << 16;

// A saved layout, kept as Base64 text; empty when missing or unreadable.
QByteArray readLayout(const RegistryKey& key, const QString& name) {
    QString text;
    if (!key.readString(name, text, kLayoutBufferBytes)) return {};
    const auto decoded =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

// Reads a 32-bit value into an int; unchanged when it cannot be read or is refused.
void readInt(const RegistryKey& key, const QString& name, int& value, int lowest) {
    std::int32_t read = value;
    if (key.readInt32(name, read) && read >= lowest) value = read;
}

}  // namespace

QString documentsFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder.isEmpty() ? QDir::homePath() : folder;
}

QString dialogFolder() {
    const QString documents = documentsFolder();
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString defaultPrinterPath() {
    return documentsFolder() + QStringLiteral("/Korvel.txt");
}

Settings loadSettings() {
    Settings settings;
    RegistryKey key;
    key.open(QString::fromLatin1(kSettingsKeyPath), false);

    // An empty path names no file: it counts as missing.
    if (!key.readString(kPrintFile, settings.printerPath, kPrintFileBufferBytes) ||
        settings.printerPath.isEmpty())
        settings.printerPath = defaultPrinterPath();

    // The run delay is never taken from the store.
    settings.runDelayMs = 0;

    // A negative time means nothing, and a zero blink period would fire the timer without
    // pause: such values keep the default.
    readInt(key, kShortPause, settings.shortPauseMs, 0);
    readInt(key, kLongPause, settings.longPauseMs, 0);
    readInt(key, kBlink, settings.blinkMs, 1);
    readInt(key, kLeft, settings.left, std::numeric_limits<std::int32_t>::min());
    readInt(key, kTop, settings.top, std::numeric_limits<std::int32_t>::min());
    // A size of 0 means none was saved: the window then opens at a size that suits the screen.
    readInt(key, kWidth, settings.width, 0);
    readInt(key, kHeight, settings.height, 0);
    // Any module number is kept; one that names no module loads nothing.
    readInt(key, kModule, settings.module, std::numeric_limits<std::int32_t>::min());
    settings.workbenchGeometry = readLayout(key, kWorkbenchGeometry);
    settings.workbenchLayout = readLayout(key, kWorkbenchPanels);
    int nonZero = 0;
    readInt(key, kRegistersNonZero, nonZero, 0);
    settings.registersNonZeroOnly = nonZero != 0;
    return settings;
}

void saveSettings(const Settings& settings) {
    RegistryKey key;
    if (!key.open(QString::fromLatin1(kSettingsKeyPath), true)) return;
    if (!settings.printerPath.isEmpty()) key.writeString(kPrintFile, settings.printerPath);
    key.writeInt32(kRunDelay, settings.runDelayMs);
    key.writeInt32(kShortPause, settings.shortPauseMs);
    key.writeInt32(kLongPause, settings.longPauseMs);
    key.writeInt32(kBlink, settings.blinkMs);
    key.writeInt32(kLeft, settings.left);
    key.writeInt32(kTop, settings.top);
    key.writeInt32(kWidth, settings.width);
    key.writeInt32(kHeight, settings.height);
    key.writeInt32(kModule, settings.module);
    if (!settings.workbenchGeometry.isEmpty())
        key.writeString(kWorkbenchGeometry,
                        QString::fromLatin1(settings.workbenchGeometry.toBase64()));
    if (!settings.workbenchLayout.isEmpty())
        key.writeString(kWorkbenchPanels, QString::fromLatin1(settings.workbenchLayout.toBase64()));
    key.writeInt32(kRegistersNonZero, settings.registersNonZeroOnly ? 1 : 0);
}

}  // namespace korvelce
