// The popup menu of the menu button: library module, printer file, About, Exit.
#include <QActionGroup>
#include <QDialog>
#include <QDialogButtonBox>
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
    addCommand(menu_, QStringLiteral("About"), kCommandAbout, false);
    menu_->addSeparator();
    addCommand(menu_, QStringLiteral("Exit"), kCommandExit, false);
    // The check mark follows the module loaded, whichever way it was chosen.
    connect(menu_, &QMenu::aboutToShow, this, [this, master, maths] {
        master->setChecked(settings_.module == 110);
        maths->setChecked(settings_.module == 128);
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
