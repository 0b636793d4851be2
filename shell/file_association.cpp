#include "shell/file_association.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace korvelce {

namespace {

QString dataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

// The characters that make an Exec argument need quotes.
bool reservedInExec(QChar c) {
    static const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return kReserved.contains(c);
}

// Escapes text as a desktop-entry string value.
QString escapeStringValue(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

// Whether the file at path holds exactly contents.
bool holds(const QString& path, const QByteArray& contents) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.size() == contents.size() && file.readAll() == contents;
}

// Replaces the file at path with contents through a temporary file and a rename, unless it
// already holds them. The commit sees every failed write (a full disk among them), and the old
// file then stays as it was. Returns whether new contents were put in place.
bool replaceFile(const QString& path, const QByteArray& contents) {
    if (holds(path, contents)) return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result: a buffered
    // one would only be flushed by commit, which does not notice a partial flush.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Starts a cache-rebuilding tool on folder when the system has it, without waiting for it.
void runTool(const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (!program.isEmpty()) QProcess::startDetached(program, {folder});
}

}  // namespace

QString desktopEntryPath() {
    return dataHome() + QStringLiteral("/applications/korvelce.desktop");
}

QString mimePackagePath() {
    return dataHome() + QStringLiteral("/mime/packages/korvelce.xml");
}

QString desktopExecArgument(const QString& argument) {
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        if (reservedInExec(c)) quote = true;

    QString arg;
    if (quote) arg += u'"';
    for (const QChar c : argument) {
        if (c == u'%') {
            arg += QStringLiteral("%%");  // a literal percent sign, not a field code
            continue;
        }
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\')) arg += u'\\';
        arg += c;
    }
    if (quote) arg += u'"';
    // The file's string escapes are undone before the Exec quoting is read.
    return escapeStringValue(arg);
}

QByteArray desktopEntryText(const QString& executablePath) {
    const QString text =
        QStringLiteral(
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Korvelce\n"
            "Comment=Korvel programmable calculator\n"
            "Exec=%1 %f\n"
            "MimeType=%2;\n"
            "Terminal=false\n"
            // Present for the file association only, not as a menu entry.
            "NoDisplay=true\n")
            .arg(desktopExecArgument(executablePath), QString::fromLatin1(kProgramMimeType));
    return text.toUtf8();
}

QByteArray mimePackageText() {
    return QByteArrayLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           QByteArray(kProgramMimeType) +
           QByteArrayLiteral(
               "\">\n"
               "    <comment>Korvel program</comment>\n"
               "    <glob pattern=\"*.kv\"/>\n"
               "  </mime-type>\n"
               "</mime-info>\n");
}

void registerFileAssociation(const QString& executablePath, bool refreshCaches) {
    const bool entryChanged = replaceFile(desktopEntryPath(), desktopEntryText(executablePath));
    const bool packageChanged = replaceFile(mimePackagePath(), mimePackageText());
    if (!refreshCaches) return;
    if (packageChanged)
        runTool(QStringLiteral("update-mime-database"), dataHome() + QStringLiteral("/mime"));
    if (entryChanged)
        runTool(QStringLiteral("update-desktop-database"),
                dataHome() + QStringLiteral("/applications"));
}

}  // namespace korvelce
