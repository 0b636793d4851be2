// The printer's paper in the window: every line the printer prints, 20 columns in the
// printer's characters, on a strip of paper that keeps the last 10,000 lines, with Copy,
// Save as... and Clear. The printer file is written as before; the tape only watches.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <string_view>

#include "shell/shell_services_qt.h"

class QPlainTextEdit;
class QPushButton;

namespace korvelce {

class PrinterTape : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kMaxLines = 10000;
    static constexpr int kColumns = 20;

    explicit PrinterTape(QWidget* parent = nullptr);

    // A printed text as the printer hands it (one or more lines, each ending in CR LF). It is
    // only noted here: the paper shows it at the next flush, so a program printing at full
    // speed costs the window one update a frame, not one a line.
    void receive(std::u16string_view text);
    // Puts the lines received since the last flush on the paper.
    void flush();

    // The lines on the tape, oldest first (at most kMaxLines), flushed or not.
    [[nodiscard]] const std::deque<QString>& lines() const { return lines_; }
    // The tape as text: its lines, each ending in a line feed.
    [[nodiscard]] QString text() const;
    // What the paper shows now.
    [[nodiscard]] QString shownText() const;

    // Copy: the whole tape to the clipboard. Save as...: the tape to a UTF-8 text file the user
    // names (replaced as a whole). Clear: an empty tape.
    void copyToClipboard();
    void saveAs();
    void clear();
    // Writes the tape to path; false, with the reason in why, when it cannot be written.
    bool saveTo(const QString& path, QString* why) const;

    // The save dialog (tests replace it); the default is the window's file dialog. A failed
    // save is shown in the shell's error box.
    FileDialogHook fileDialog;

  private:
    std::deque<QString> lines_;
    std::deque<QString> pending_;  // received, not yet on the paper
    bool clearPaper_ = false;
    QPlainTextEdit* paper_ = nullptr;
    QString partial_;  // a printed text that did not end its line yet
};

}  // namespace korvelce
