#include "shell/data_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "korvelce/version.h"

namespace korvelce {

QString dataFilePathFrom(const QString& executableFolder, const QString& name) {
    const QDir folder(executableFolder);
    QString beside = folder.filePath(name);
    if (QFileInfo(beside).isFile()) return beside;
    QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral("../share/korvelce/") + name));
    if (QFileInfo(installed).isFile()) return installed;
    return beside;
}

QString dataFilePath(const QString& name) {
    return dataFilePathFrom(QCoreApplication::applicationDirPath(), name);
}

bool installedWithDesktopEntryFrom(const QString& executableFolder) {
    const QString entry =
        QStringLiteral("../share/applications/%1.desktop").arg(QString::fromLatin1(kApplicationId));
    return QFileInfo(QDir(executableFolder).filePath(entry)).isFile();
}

bool installedWithDesktopEntry() {
    return installedWithDesktopEntryFrom(QCoreApplication::applicationDirPath());
}

}  // namespace korvelce
