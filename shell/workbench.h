// The programmer's workbench: the calculator's window with the face in the middle and, beside
// it, what no handheld could show: the program listing, the registers and the printer tape,
// each a panel of its own, hidden at first, shown from the face's menu or with a key. Programs
// are opened (a memory image .kv or program source text .kvs, from the menu or dropped on the
// window) and saved in either form here too.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <memory>

#include "shell/shell_services_qt.h"

class QAction;
class QDockWidget;
class QMenu;

namespace korvelce {

class CalcEngine;
class MainWindow;
class PrinterTape;
class ProgramPanel;
class RegistersPanel;
struct Settings;

class Workbench : public QMainWindow {
    Q_OBJECT

  public:
    // How often the panels look at the engine: about 30 times a second, and only what changed
    // is redrawn, so a running program never waits for them.
    static constexpr int kRefreshMs = 33;

    // The workbench takes the face as its central widget and watches the engine's printer.
    Workbench(CalcEngine& engine, Settings& settings, std::unique_ptr<MainWindow> face);
    ~Workbench() override;

    [[nodiscard]] MainWindow* face() const { return face_; }
    [[nodiscard]] ProgramPanel* programPanel() const { return program_; }
    [[nodiscard]] RegistersPanel* registersPanel() const { return registers_; }
    [[nodiscard]] PrinterTape* printerTape() const { return tape_; }
    [[nodiscard]] QDockWidget* programDock() const { return programDock_; }
    [[nodiscard]] QDockWidget* registersDock() const { return registersDock_; }
    [[nodiscard]] QDockWidget* tapeDock() const { return tapeDock_; }

    // The menu entries: show or hide each panel (checkable, with their keys), open and save.
    [[nodiscard]] QAction* programAction() const;
    [[nodiscard]] QAction* registersAction() const;
    [[nodiscard]] QAction* tapeAction() const;
    [[nodiscard]] QAction* openAction() const { return openAction_; }
    [[nodiscard]] QAction* saveAction() const { return saveAction_; }

    // Opens a program file: it is read and checked first (a malformed file is reported and
    // nothing is replaced), then, after the question the face asks, it replaces the program
    // memory and registers. True when it did.
    bool openProgram(const QString& path);
    // Saves the program memory as path says (.kvs: source text; otherwise the memory image).
    // True when saved; a failure is reported.
    bool saveProgram(const QString& path);
    // The dialogs of the menu entries.
    void chooseAndOpen();
    void chooseAndSave();

    // The program file the calculator holds now (one named at start): Open and Save propose it.
    void setProgramPath(const QString& path);

    // Comes to the front, as a later copy of the program asks.
    void bringToFront();
    // A later copy was started with a program file: the window comes to the front and opens it.
    void offerProgramFile(const QString& path);

    // What the refresh timer does: each shown panel catches up with the engine.
    void refreshPanels();
    // Whether the refresh timer runs: only while a panel is on screen.
    [[nodiscard]] bool refreshing() const { return refresh_.isActive(); }

    // The file dialogs of Open and Save (tests replace them); the default is the window's.
    FileDialogHook fileDialog;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QDockWidget* addPanel(QWidget* panel, const QString& title, const QString& name,
                          Qt::DockWidgetArea area, const QKeySequence& key);
    void addToFaceMenu(QMenu* menu);
    void moveLearnPointer(int step);
    void rememberLayout();
    void fitToPanels(QDockWidget* changed);
    void fitNow();
    void followPanelsOnScreen();
    [[nodiscard]] QString chooseFile(const FileDialogRequest& request);

    CalcEngine& engine_;
    Settings& settings_;
    MainWindow* face_ = nullptr;
    ProgramPanel* program_ = nullptr;
    RegistersPanel* registers_ = nullptr;
    PrinterTape* tape_ = nullptr;
    QDockWidget* programDock_ = nullptr;
    QDockWidget* registersDock_ = nullptr;
    QDockWidget* tapeDock_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QTimer refresh_;  // runs while a panel is on screen
    QTimer fitTimer_;
    QDockWidget* fitChanged_ = nullptr;
    QTimer dropTimer_;
    QString droppedPath_;
    QString programPath_;  // the program file last opened or saved, proposed by the dialogs
};

}  // namespace korvelce
