// The engine's file keys and error reports in the window: Qt file dialogs owned by the main
// window, the memory image and listing writers, and the shell's error box.
#pragma once

#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>

#include "engine/shell_services.h"

class QFileDialog;

namespace korvelce {

// What one file dialog asks for.
struct FileDialogRequest {
    bool save = false;             // a save dialog, else an open dialog
    bool confirmOverwrite = true;  // a save dialog asks before replacing a file
    QString title;                 // empty: the dialog's own title
    QString folder;                // the folder it starts in
    QString defaultName;    // the file name it proposes; a path whose folder exists opens there
    QStringList filters;    // "description (patterns)", the first one selected
    QString defaultSuffix;  // added to a name typed without one; empty for none
    QString fileNameLabel;  // the label of the file name box; empty for the dialog's own
    QString acceptLabel;    // the label of the accept button; empty for the dialog's own
};

// The four requests: WRT, INV WRT, LST and the printer file (currently the file at current).
FileDialogRequest saveProgramRequest();
FileDialogRequest openProgramRequest();
FileDialogRequest listingRequest();
// Saving a text file (.txt) with this title, offered under defaultName in the documents folder.
FileDialogRequest saveTextRequest(const QString& title, const QString& defaultName);
FileDialogRequest printerFileRequest(const QString& current);

// Sets a dialog up as the request says.
void configureFileDialog(QFileDialog& dialog, const FileDialogRequest& request);
// Shows a request as a modal QFileDialog; the chosen path, or empty when the user cancelled.
QString runFileDialog(QWidget* owner, const FileDialogRequest& request);

// Stands in for the dialog (tests): receives the owner and the request, returns the chosen
// path or empty.
using FileDialogHook = std::function<QString(QWidget* owner, const FileDialogRequest& request)>;

class QtShellServices : public ShellServices {
  public:
    explicit QtShellServices(QWidget* owner = nullptr) : owner_(owner) {}

    // The dialogs' owner: the main window once it exists. Error boxes take their owner from
    // setSystemErrorOwner.
    void setOwner(QWidget* owner) { owner_ = owner; }
    // Replaces the file dialog; an empty hook restores runFileDialog.
    void setFileDialog(FileDialogHook hook) { dialog_ = std::move(hook); }

    void saveProgramFile(CalcEngine& engine) override;
    void openProgramFile(CalcEngine& engine) override;
    void writeListing(CalcEngine& engine) override;
    void showSystemError(const std::string& caption, const std::string& message) override;
    // A missing documents folder is made for the printer file in it; any other failure is
    // shown once per file for the whole run.
    bool printerFileFailed(const std::string& path, const std::string& reason) override;

  private:
    QString chooseFile(const FileDialogRequest& request) const;

    QPointer<QWidget> owner_;
    FileDialogHook dialog_;
    QSet<QString> printerFailuresShown_;
};

}  // namespace korvelce
