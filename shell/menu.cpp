// The popup menu of the menu button: library module, printer file, copy and paste, zoom, the
// PC keys, About, Exit.
#include <QActionGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include "engine/calc_engine.h"
#include "shell/main_window.h"
#include "shell/shell_services_qt.h"

namespace korvelce {

namespace {

QString printerFileDialog(QWidget* parent, const QString& current) {
    return runFileDialog(parent, printerFileRequest(current));
}

}  // namespace

void aboutDialog(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("About Korvelce"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(QPixmap(QStringLiteral(":/artwork/icon.png"))
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* name = new QLabel(QStringLiteral("Korvelce 1.0.874.1"), &dialog);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    // The user guide of the library modules, generated from the programs' own descriptions.
    auto* guide = new QLabel(QStringLiteral("Library programs: see docs/library.md\n"
                                            "(installed as " KORVELCE_LIBRARY_GUIDE_INSTALLED ")"),
                             &dialog);
    guide->setAlignment(Qt::AlignCenter);
    guide->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(guide);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}

void MainWindow::buildMenu() {
    menu_ = new QMenu(QStringLiteral("Korvelce"), this);
    QMenu* modules = menu_->addMenu(QStringLiteral("Module"));
    auto* group = new QActionGroup(menu_);
    auto addCommand = [&](QMenu* into, const QString& text, int command, bool checkable) {
        QAction* action = into->addAction(text);
        action->setData(command);
        action->setCheckable(checkable);
        if (checkable) group->addAction(action);
        connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
        return action;
    };
    QAction* master = addCommand(modules, QStringLiteral("Master"), kCommandMaster, true);
    QAction* maths = addCommand(modules, QStringLiteral("Maths / Utilities"), kCommandMaths, true);
    menu_->addSeparator();
    addCommand(menu_, QStringLiteral("&Printer file..."), kCommandPrinterFile, false);
    menu_->addSeparator();
    // The keys these commands have on the face are shown beside them.
    auto withKeys = [](QAction* action, const QKeySequence& keys) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        return action;
    };
    withKeys(addCommand(menu_, QStringLiteral("&Copy"), kCommandCopy, false),
             QKeySequence(Qt::CTRL | Qt::Key_C));
    withKeys(addCommand(menu_, QStringLiteral("Copy &all digits"), kCommandCopyAllDigits, false),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    withKeys(addCommand(menu_, QStringLiteral("&Paste"), kCommandPaste, false),
             QKeySequence(Qt::CTRL | Qt::Key_V));
    menu_->addSeparator();
    QMenu* zoom = menu_->addMenu(QStringLiteral("&Zoom"));
    withKeys(addCommand(zoom, QStringLiteral("Zoom &in"), kCommandZoomIn, false),
             QKeySequence(Qt::CTRL | Qt::Key_Plus));
    withKeys(addCommand(zoom, QStringLiteral("Zoom &out"), kCommandZoomOut, false),
             QKeySequence(Qt::CTRL | Qt::Key_Minus));
    zoom->addSeparator();
    withKeys(addCommand(zoom, QStringLiteral("100 %"), kCommandZoom100, false),
             QKeySequence(Qt::CTRL | Qt::Key_0));
    addCommand(zoom, QStringLiteral("150 %"), kCommandZoom150, false);
    addCommand(zoom, QStringLiteral("200 %"), kCommandZoom200, false);
    addCommand(zoom, QStringLiteral("&Fit to the screen"), kCommandZoomFit, false);
    QAction* showKeys =
        withKeys(addCommand(menu_, QStringLiteral("Show the PC &keys"), kCommandShowKeys, false),
                 QKeySequence(Qt::Key_F1));
    showKeys->setCheckable(true);
    menu_->addSeparator();
    addCommand(menu_, QStringLiteral("About"), kCommandAbout, false);
    menu_->addSeparator();
    addCommand(menu_, QStringLiteral("Exit"), kCommandExit, false);
    // The check mark follows the module loaded, whichever way it was chosen.
    connect(menu_, &QMenu::aboutToShow, this, [this, master, maths, showKeys] {
        master->setChecked(settings_.module == 110);
        maths->setChecked(settings_.module == 128);
        showKeys->setChecked(keyHintsToggled_);
    });
    askPrinterFile = printerFileDialog;
    showAboutDialog = aboutDialog;
}

void MainWindow::runCommand(int command) {
    switch (command) {
        case kCommandMaster:
        case kCommandMaths:
            if (loadModule) loadModule(command == kCommandMaster ? 110 : 128);
            break;
        case kCommandPrinterFile:
            choosePrinterFile();
            break;
        case kCommandAbout:
            if (showAboutDialog) showAboutDialog(this);
            break;
        case kCommandExit:
            // The face may sit inside a larger window: Exit closes that one.
            window()->close();
            break;
        case kCommandCopy:
        case kCommandCopyAllDigits:
            copyDisplay(command == kCommandCopyAllDigits);
            break;
        case kCommandPaste:
            pasteNumber();
            break;
        case kCommandShowKeys:
            keyHintsToggled_ = !keyHintsToggled_;
            update();
            break;
        case kCommandZoomIn:
            zoomIn();
            break;
        case kCommandZoomOut:
            zoomOut();
            break;
        case kCommandZoom100:
        case kCommandZoom150:
        case kCommandZoom200:
            setZoom(command == kCommandZoom100 ? 1.0 : command == kCommandZoom150 ? 1.5 : 2.0);
            break;
        case kCommandZoomFit:
            zoomToFit();
            break;
        default:
            break;
    }
}

void MainWindow::choosePrinterFile() {
    if (!askPrinterFile) return;
    const QString path = askPrinterFile(this, settings_.printerPath);
    if (path.isEmpty()) return;
    settings_.printerPath = path;
    engine_.printerPath = path.toStdString();
}

}  // namespace korvelce
