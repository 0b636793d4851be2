#include "shell/workbench.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "engine/calc_engine.h"
#include "files/program_file.h"
#include "shell/main_window.h"
#include "shell/printer_tape.h"
#include "shell/program_panel.h"
#include "shell/registers_panel.h"
#include "shell/settings.h"
#include "shell/system_error.h"
#include "shell/window_placement.h"

namespace korvelce {

namespace {

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The local file a drop brings, or empty.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

}  // namespace

Workbench::Workbench(CalcEngine& engine, Settings& settings, std::unique_ptr<MainWindow> face)
    : engine_(engine), settings_(settings), face_(face.get()) {
    setObjectName(QStringLiteral("workbench"));
    setWindowTitle(face_->windowTitle());
    setCentralWidget(face.release());
    setAcceptDrops(true);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);

    program_ = new ProgramPanel(engine_);
    program_->setModule(settings_.module);
    program_->stepClicked = [this](int step) { moveLearnPointer(step); };
    registers_ = new RegistersPanel(engine_);
    registers_->setNonZeroOnly(settings_.registersNonZeroOnly);
    tape_ = new PrinterTape;
    tape_->fileDialog = [this](QWidget*, const FileDialogRequest& request) {
        return chooseFile(request);
    };
    // The tape sees each printed line as the printer file receives it.
    engine_.printerObserver = [this](std::u16string_view text) { tape_->receive(text); };

    programDock_ = addPanel(program_, QStringLiteral("Program"), QStringLiteral("programPanel"),
                            Qt::LeftDockWidgetArea, QKeySequence(Qt::CTRL | Qt::Key_1));
    registersDock_ =
        addPanel(registers_, QStringLiteral("Registers"), QStringLiteral("registersPanel"),
                 Qt::RightDockWidgetArea, QKeySequence(Qt::CTRL | Qt::Key_2));
    tapeDock_ = addPanel(tape_, QStringLiteral("Printer tape"), QStringLiteral("tapePanel"),
                         Qt::RightDockWidgetArea, QKeySequence(Qt::CTRL | Qt::Key_3));

    openAction_ = new QAction(QStringLiteral("&Open program\u2026"), this);
    openAction_->setShortcut(QKeySequence::Open);
    connect(openAction_, &QAction::triggered, this, &Workbench::chooseAndOpen);
    saveAction_ = new QAction(QStringLiteral("&Save program as\u2026"), this);
    saveAction_->setShortcut(QKeySequence::Save);
    connect(saveAction_, &QAction::triggered, this, &Workbench::chooseAndSave);
    addAction(openAction_);
    addAction(saveAction_);
    addToFaceMenu(face_->popupMenu());

    // The first look is the calculator alone; a layout kept from the last run wins.
    if (!settings_.workbenchGeometry.isEmpty()) restoreGeometry(settings_.workbenchGeometry);
    if (settings_.workbenchLayout.isEmpty() || !restoreState(settings_.workbenchLayout)) {
        programDock_->hide();
        registersDock_->hide();
        tapeDock_->hide();
    }

    // Work that waits for the event that asked for it to end: fitting the window around the
    // panels once they are laid out, opening a dropped file once the drop is over.
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(0);
    connect(&fitTimer_, &QTimer::timeout, this, &Workbench::fitNow);
    dropTimer_.setSingleShot(true);
    dropTimer_.setInterval(0);
    connect(&dropTimer_, &QTimer::timeout, this, [this] { offerProgramFile(droppedPath_); });

    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &Workbench::refreshPanels);
}

void Workbench::followPanelsOnScreen() {
    const bool anyShown =
        programDock_ != nullptr && registersDock_ != nullptr && tapeDock_ != nullptr &&
        (programDock_->isVisible() || registersDock_->isVisible() || tapeDock_->isVisible());
    if (!anyShown)
        refresh_.stop();
    else if (!refresh_.isActive())
        refresh_.start();
}

Workbench::~Workbench() {
    engine_.printerObserver = nullptr;
    // The panels are destroyed after this window's members: what they signal on the way must
    // not reach the timers already gone.
    for (QDockWidget* dock : {programDock_, registersDock_, tapeDock_})
        dock->disconnect(this);
}

QDockWidget* Workbench::addPanel(QWidget* panel, const QString& title, const QString& name,
                                 Qt::DockWidgetArea area, const QKeySequence& key) {
    auto* dock = new QDockWidget(title, this);
    dock->setObjectName(name);
    dock->setWidget(panel);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    addDockWidget(area, dock);
    QAction* toggle = dock->toggleViewAction();
    toggle->setText(title + QStringLiteral(" panel"));
    toggle->setShortcut(key);
    addAction(toggle);
    // A panel that comes into view shows the engine as it is now, not as it was; the panels are
    // kept up to date only while one of them is on screen.
    connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible) refreshPanels();
        followPanelsOnScreen();
    });
    connect(toggle, &QAction::triggered, this, [this, dock] { fitToPanels(dock); });
    return dock;
}

QAction* Workbench::programAction() const {
    return programDock_->toggleViewAction();
}

QAction* Workbench::registersAction() const {
    return registersDock_->toggleViewAction();
}

QAction* Workbench::tapeAction() const {
    return tapeDock_->toggleViewAction();
}

void Workbench::addToFaceMenu(QMenu* menu) {
    if (menu == nullptr) return;
    // Before About: the panels, then the program files.
    QAction* before = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == MainWindow::kCommandAbout) {
            before = action;
            break;
        }
    }
    const QList<QAction*> panels{programAction(), registersAction(), tapeAction()};
    const QList<QAction*> files{openAction_, saveAction_};
    if (before == nullptr) menu->addSeparator();
    menu->insertActions(before, panels);
    menu->insertSeparator(before);
    menu->insertActions(before, files);
    if (before != nullptr) menu->insertSeparator(before);
}

void Workbench::fitToPanels(QDockWidget* changed) {
    // The face keeps its size: a panel shown widens the window, one hidden gives its room back,
    // unless the window is maximised or the panel floats on its own.
    if (!isVisible() || isMaximized() || isFullScreen()) return;
    fitChanged_ = changed;
    fitTimer_.start();
}

void Workbench::fitNow() {
    QDockWidget* changed = fitChanged_;
    if (isMaximized() || isFullScreen()) return;
    QWidget* face = centralWidget();
    const QSize least = minimumSizeHint().expandedTo(minimumSize());
    // The face, as wide as it was, and beside it on each side the widest panel docked there, as
    // wide as it was (a panel just shown as wide as it likes).
    const int separator = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    // A face that stretches is given the width its proportions ask for at its height, so the
    // window grows instead of the face being squeezed.
    const QSize natural = face->sizeHint();
    int wanted = face->width();
    if (face->minimumWidth() != face->maximumWidth() && natural.height() > 0)
        wanted = static_cast<int>(
            std::lround(static_cast<double>(face->height()) * natural.width() / natural.height()));
    for (const Qt::DockWidgetArea area : {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea}) {
        int widest = 0;
        for (QDockWidget* dock : {programDock_, registersDock_, tapeDock_}) {
            if (dock->isHidden() || dock->isFloating() || dockWidgetArea(dock) != area) continue;
            const int width =
                dock == changed ? std::max(dock->width(), dock->sizeHint().width()) : dock->width();
            widest = std::max(widest, width);
        }
        if (widest > 0) wanted += widest + separator;
    }
    resize(std::max(wanted, least.width()), std::max(height(), least.height()));
}

void Workbench::refreshPanels() {
    // Only what is on screen is brought up to date; a panel that comes into view catches up.
    if (!programDock_->isHidden()) {
        program_->setModule(settings_.module);
        program_->refresh();
    }
    if (!registersDock_->isHidden()) registers_->refresh();
    if (!tapeDock_->isHidden()) tape_->flush();
}

void Workbench::moveLearnPointer(int step) {
    // A click is the SST or BST keys that take the pointer there, delivered as the face does.
    for (int guard = 0;
         guard < 2 * kSteps && engine_.mode == kLearn && engine_.learnPointer != step; ++guard)
        face_->deliverKey(engine_.learnPointer < step ? key::kSst : key::kBst);
    refreshPanels();
}

QString Workbench::chooseFile(const FileDialogRequest& request) {
    return fileDialog ? fileDialog(this, request) : runFileDialog(this, request);
}

bool Workbench::openProgram(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const ProgramFileRead read = readProgramFile(localPath(path));
    if (!read.ok) {
        showSystemError(QStringLiteral("Open program"),
                        QStringLiteral("%1 %2.\nThe program memory and registers are unchanged.")
                            .arg(name, QString::fromLocal8Bit(read.message)));
        return false;
    }
    if (!face_->confirmReplace || !face_->confirmReplace(face_, name)) return false;

    face_->replaceProgram([this, &read] { applyMemoryImage(engine_, read.image); });
    programPath_ = QFileInfo(path).absoluteFilePath();
    refreshPanels();
    return true;
}

bool Workbench::saveProgram(const QString& path) {
    const SaveResult result = saveProgramFile(engine_, localPath(path));
    if (!result.ok) {
        showSystemError(QStringLiteral("Save program"),
                        QStringLiteral("The program cannot be saved: %1")
                            .arg(QString::fromLocal8Bit(result.message)));
        return false;
    }
    programPath_ = QFileInfo(path).absoluteFilePath();
    return true;
}

void Workbench::chooseAndOpen() {
    FileDialogRequest request;
    request.title = QStringLiteral("Open program");
    request.folder = dialogFolder();
    request.defaultName = programPath_;
    request.filters = {QStringLiteral("Korvel programs (*.kv *.kvs)"),
                       QStringLiteral("Korvel files (*.kv)"),
                       QStringLiteral("Program source (*.kvs)"), QStringLiteral("All files (*)")};
    const QString path = chooseFile(request);
    if (!path.isEmpty()) openProgram(path);
}

void Workbench::chooseAndSave() {
    FileDialogRequest request;
    request.save = true;
    request.title = QStringLiteral("Save program");
    request.folder = dialogFolder();
    request.defaultName = programPath_.isEmpty() ? QStringLiteral("prog.kvs") : programPath_;
    request.filters = {QStringLiteral("Program source (*.kvs)"),
                       QStringLiteral("Korvel files (*.kv)"), QStringLiteral("All files (*)")};
    request.defaultSuffix = QStringLiteral("kvs");
    const QString path = chooseFile(request);
    if (!path.isEmpty()) saveProgram(path);
}

void Workbench::setProgramPath(const QString& path) {
    programPath_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void Workbench::bringToFront() {
    korvelce::bringToFront(*this);
}

void Workbench::offerProgramFile(const QString& path) {
    bringToFront();
    openProgram(path);
}

void Workbench::rememberLayout() {
    settings_.workbenchGeometry = saveGeometry();
    settings_.workbenchLayout = saveState();
    settings_.registersNonZeroOnly = registers_->nonZeroOnly();
}

void Workbench::closeEvent(QCloseEvent* event) {
    // The face ends its run and its timers as it does when it is the window itself, and keeps
    // this window's place and size (its normal ones when it is maximised).
    QCloseEvent faceClose;
    QCoreApplication::sendEvent(face_, &faceClose);
    refresh_.stop();
    rememberLayout();
    event->accept();
}

void Workbench::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Workbench::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    // The question and any message come after the drop is over.
    droppedPath_ = path;
    dropTimer_.start();
}

}  // namespace korvelce
