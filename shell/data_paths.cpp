#include "shell/data_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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

}  // namespace korvelce
