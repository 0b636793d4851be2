#include "shell/shell_services_qt.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "engine/calc_engine.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "shell/settings.h"
#include "shell/system_error.h"

namespace korvelce {

namespace {

// Files are named by their local 8-bit encoding below the Qt layer.
std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

FileDialogRequest programRequest(bool save) {
    FileDialogRequest request;
    request.save = save;
    request.folder = dialogFolder();
    request.defaultName = QStringLiteral("prog.kv");
    // "*" and not "*.*": on this system a name need not hold a dot.
    request.filters = {QStringLiteral("Korvel files (*.kv)"), QStringLiteral("All files (*)")};
    if (save) request.defaultSuffix = QStringLiteral("kv");
    return request;
}

}  // namespace

FileDialogRequest saveProgramRequest() {
    return programRequest(true);
}

FileDialogRequest openProgramRequest() {
    return programRequest(false);
}

FileDialogRequest saveTextRequest(const QString& title, const QString& defaultName) {
    FileDialogRequest request;
    request.save = true;
    request.title = title;
    request.folder = dialogFolder();
    request.defaultName = defaultName;
    request.filters = {QStringLiteral("txt files (*.txt)"), QStringLiteral("All files (*)")};
    request.defaultSuffix = QStringLiteral("txt");
    return request;
}

FileDialogRequest listingRequest() {
    return saveTextRequest(QStringLiteral("Listing"), QStringLiteral("korvel.txt"));
}

FileDialogRequest printerFileRequest(const QString& current) {
    FileDialogRequest request;
    request.save = true;
    // Prints are added to the end of the file: choosing an existing one replaces nothing.
    request.confirmOverwrite = false;
    request.title = QStringLiteral("Printer file");
    request.folder = dialogFolder();
    request.defaultName = current;
    request.filters = {QStringLiteral("txt files (*.txt)"), QStringLiteral("All files (*)")};
    request.defaultSuffix = QStringLiteral("txt");
    request.fileNameLabel = QStringLiteral("Add prints to the end of:");
    request.acceptLabel = QStringLiteral("Choose");
    return request;
}

void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    if (!request.title.isEmpty()) dialog.setWindowTitle(request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileNameLabel.isEmpty())
        dialog.setLabelText(QFileDialog::FileName, request.fileNameLabel);
    if (!request.acceptLabel.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
    dialog.setDirectory(request.folder);
    // A proposed path takes the dialog to its folder only when that folder exists; otherwise
    // the dialog would fall back to the folder the program was started from.
    const QFileInfo proposed(request.defaultName);
    if (proposed.isAbsolute() && !proposed.absoluteDir().exists())
        dialog.selectFile(proposed.fileName());
    else
        dialog.selectFile(request.defaultName);
}

QString runFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner);
    configureFileDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString QtShellServices::chooseFile(const FileDialogRequest& request) const {
    return dialog_ ? dialog_(owner_.data(), request) : runFileDialog(owner_.data(), request);
}

void QtShellServices::saveProgramFile(CalcEngine& engine) {
    const QString path = chooseFile(saveProgramRequest());
    if (path.isEmpty()) return;
    const SaveResult result = saveMemoryImage(engine, localPath(path));
    if (!result.ok)
        korvelce::showSystemError(QStringLiteral("CreateFile"),
                                  QString::fromLocal8Bit(result.message));
}

void QtShellServices::openProgramFile(CalcEngine& engine) {
    const QString path = chooseFile(openProgramRequest());
    if (path.isEmpty()) return;
    // A file that cannot be read leaves the engine as it was, and says why.
    std::string why;
    if (!loadMemoryImage(engine, localPath(path), &why))
        korvelce::showSystemError(QStringLiteral("CreateFile"),
                                  QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(why)));
}

void QtShellServices::writeListing(CalcEngine& engine) {
    const QString path = chooseFile(listingRequest());
    if (path.isEmpty()) return;
    // The listing covers the bank the engine has selected.
    const SaveResult result = writeListingFile(engine, localPath(path));
    if (!result.ok)
        korvelce::showSystemError(QStringLiteral("Création listing"),
                                  QString::fromLocal8Bit(result.message));
}

void QtShellServices::showSystemError(const std::string& caption, const std::string& message) {
    korvelce::showSystemError(QString::fromStdString(caption), QString::fromStdString(message));
}

bool QtShellServices::printerFileFailed(const std::string& path, const std::string& reason) {
    const QString file = QFile::decodeName(path.c_str());
    const QString folder = QFileInfo(file).absolutePath();
    // A fresh home has no documents folder yet: the printer makes it when it first prints.
    if (QDir::cleanPath(folder) == QDir::cleanPath(documentsFolder()) &&
        !QFileInfo::exists(folder) && QDir().mkpath(folder))
        return true;
    if (printerFailuresShown_.contains(file)) return false;
    printerFailuresShown_.insert(file);
    korvelce::showSystemError(QStringLiteral("Printer file"),
                              QStringLiteral("Prints cannot be added to %1: %2")
                                  .arg(file, QString::fromLocal8Bit(reason)));
    return false;
}

}  // namespace korvelce
