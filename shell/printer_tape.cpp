#include "shell/printer_tape.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <iterator>
#include <vector>

#include "files/memory_image.h"
#include "shell/settings.h"
#include "shell/system_error.h"

namespace korvelce {

namespace {

FileDialogRequest tapeRequest() {
    return saveTextRequest(QStringLiteral("Save the printer tape"), QStringLiteral("tape.txt"));
}

}  // namespace

PrinterTape::PrinterTape(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("printerTapeContents"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    paper_ = new QPlainTextEdit(this);
    paper_->setObjectName(QStringLiteral("paper"));
    paper_->setReadOnly(true);
    paper_->setLineWrapMode(QPlainTextEdit::NoWrap);
    paper_->setMaximumBlockCount(kMaxLines);
    paper_->setUndoRedoEnabled(false);
    paper_->setAccessibleName(QStringLiteral("Printer tape"));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    paper_->setFont(font);
    // Thermal paper: a warm white strip, dark print.
    QPalette palette = paper_->palette();
    palette.setColor(QPalette::Base, QColor(0xfb, 0xf8, 0xec));
    palette.setColor(QPalette::Text, QColor(0x30, 0x2c, 0x3c));
    paper_->setPalette(palette);
    paper_->document()->setDocumentMargin(8);
    const QFontMetrics metrics(font);
    const int paperWidth = metrics.horizontalAdvance(QString(kColumns, QLatin1Char('0'))) + 2 * 8 +
                           paper_->verticalScrollBar()->sizeHint().width() +
                           2 * paper_->frameWidth() + 4;
    paper_->setMinimumWidth(paperWidth);
    layout->addWidget(paper_, 1);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& text, const QString& name, auto action) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        // The keyboard stays with the face after a click.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, action);
        buttons->addWidget(b);
    };
    button(QStringLiteral("Copy"), QStringLiteral("copy"), [this] { copyToClipboard(); });
    button(QStringLiteral("Save as\u2026"), QStringLiteral("save"), [this] { saveAs(); });
    button(QStringLiteral("Clear"), QStringLiteral("clear"), [this] { clear(); });
    layout->addLayout(buttons);
}

void PrinterTape::receive(std::u16string_view text) {
    // Lines end in CR LF; a text without one is kept until its line is ended.
    QString rest = partial_ + QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    partial_.clear();
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = rest.indexOf(QStringLiteral("\r\n"), start);
        if (end < 0) break;
        const QString line = rest.mid(start, end - start);
        lines_.push_back(line);
        pending_.push_back(line);
        start = end + 2;
    }
    partial_ = rest.mid(start);
    while (lines_.size() > static_cast<std::size_t>(kMaxLines))
        lines_.pop_front();
    // Lines that would scroll off the paper before they are shown need not be kept for it.
    while (pending_.size() > static_cast<std::size_t>(kMaxLines)) {
        pending_.pop_front();
        clearPaper_ = true;
    }
}

void PrinterTape::flush() {
    if (clearPaper_) {
        paper_->clear();
        clearPaper_ = false;
    }
    if (pending_.empty()) return;
    QScrollBar* bar = paper_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum() - 2;
    QString text = pending_.front();
    for (auto line = std::next(pending_.begin()); line != pending_.end(); ++line) {
        text += QLatin1Char('\n');
        text += *line;
    }
    paper_->appendPlainText(text);
    pending_.clear();
    // The paper follows the print unless the user scrolled back to read.
    if (atEnd) bar->setValue(bar->maximum());
}

QString PrinterTape::text() const {
    QString all;
    for (const QString& line : lines_) {
        all += line;
        all += QLatin1Char('\n');
    }
    return all;
}

QString PrinterTape::shownText() const {
    return paper_->toPlainText();
}

void PrinterTape::copyToClipboard() {
    flush();
    QApplication::clipboard()->setText(text());
}

void PrinterTape::clear() {
    lines_.clear();
    pending_.clear();
    partial_.clear();
    clearPaper_ = false;
    paper_->clear();
}

bool PrinterTape::saveTo(const QString& path, QString* why) const {
    const QByteArray bytes = text().toUtf8();
    const SaveResult result =
        writeFileReplacing(QFile::encodeName(path).toStdString(),
                           std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    if (!result.ok && why != nullptr) *why = QString::fromLocal8Bit(result.message);
    return result.ok;
}

void PrinterTape::saveAs() {
    const FileDialogRequest request = tapeRequest();
    const QString path = fileDialog ? fileDialog(this, request) : runFileDialog(this, request);
    if (path.isEmpty()) return;
    QString why;
    if (!saveTo(path, &why))
        showSystemError(QStringLiteral("Save the printer tape"),
                        QStringLiteral("The tape cannot be saved: %1").arg(why));
}

}  // namespace korvelce
