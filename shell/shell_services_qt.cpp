#include "shell/shell_services_qt.h"

#include <QFile>
#include <QFileDialog>

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
    request.folder = documentsFolder();
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

FileDialogRequest listingRequest() {
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Listing");
    request.folder = documentsFolder();
    request.defaultName = QStringLiteral("korvel.txt");
    request.filters = {QStringLiteral("txt files (*.txt)"), QStringLiteral("All files (*)")};
    request.defaultSuffix = QStringLiteral("txt");
    return request;
}

QString runFileDialog(QWidget* owner, const FileDialogRequest& request) {
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setDirectory(request.folder);
    dialog.selectFile(request.defaultName);
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
    // A file that cannot be read leaves the engine as it was, without a message.
    loadMemoryImage(engine, localPath(path));
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

}  // namespace korvelce
