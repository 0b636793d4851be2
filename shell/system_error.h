// The one way the shell reports a failed system call: a message box with the error icon, the
// caller's caption naming the call, and the system's description of the error. It returns when
// the user closes the box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace korvelce {

// The system's description of an errno value, or "err 0x%08X" with the code when the system
// has none.
QString systemErrorText(int errorCode);

// Reports errorCode under caption.
void showSystemError(int errorCode, const QString& caption);
// Reports a description already at hand (for instance a QFileDevice's errorString()).
void showSystemError(const QString& caption, const QString& text);

// The box is owned by this widget (the main window once it exists); null for no owner. The
// owner is watched: once destroyed, boxes have no owner again.
void setSystemErrorOwner(QWidget* owner);

// The report as a line "caption: text" on standard error: what happens without an
// application object.
void reportToStandardError(const QString& caption, const QString& text);

// What shows a report. The default is a modal QMessageBox when a QApplication exists, and a
// line "caption: text" on standard error otherwise.
using SystemErrorPresenter = std::function<void(const QString& caption, const QString& text)>;
// Replaces the presenter (tests capture the reports); an empty function restores the default.
// Returns the presenter that was in place.
SystemErrorPresenter setSystemErrorPresenter(SystemErrorPresenter presenter);

}  // namespace korvelce
