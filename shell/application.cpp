#include "shell/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <array>
#include <cerrno>
#include <csignal>
#include <iterator>
#include <memory>

#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "files/program_file.h"
#include "shell/data_paths.h"
#include "shell/file_association.h"
#include "shell/key_map.h"
#include "shell/main_window.h"
#include "shell/saved_state.h"
#include "shell/settings.h"
#include "shell/shell_services_qt.h"
#include "shell/single_instance.h"
#include "shell/system_error.h"
#include "shell/window_placement.h"
#include "shell/workbench.h"

namespace korvelce {

namespace {

// SIGTERM, SIGINT and SIGHUP (the terminal or session went away) end the run like Exit does,
// so the settings and state are still saved: the handler only writes a byte that the event
// loop then reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Catches the quit signals while it lives, then puts back what was there before.
class QuitOnSignals {
  public:
    QuitOnSignals() {
        if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
            // A panel floating on its own is part of the window: closing it first would
            // remember it hidden.
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (qobject_cast<QDockWidget*>(widget) == nullptr) widget->close();
            QCoreApplication::quit();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
            installed_[i] = ::sigaction(kQuitSignals[i], &action, &previous_[i]) == 0;
    }
    ~QuitOnSignals() {
        for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
            if (installed_[i]) ::sigaction(kQuitSignals[i], &previous_[i], nullptr);
    }
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::array<struct sigaction, std::size(kQuitSignals)> previous_{};
    std::array<bool, std::size(kQuitSignals)> installed_{};
};

// The handheld screen is virtual: KORVELCE_SCREEN=WxH picks it, 480x800 when unset.
QSize screenSize() {
    const QString text = qEnvironmentVariable("KORVELCE_SCREEN", QStringLiteral("480x800"));
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2) return {};
    bool okWidth = false, okHeight = false;
    const int width = parts[0].trimmed().toInt(&okWidth);
    const int height = parts[1].trimmed().toInt(&okHeight);
    if (!okWidth || !okHeight) return {};
    return {width, height};
}

}  // namespace

QString defaultStatePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Korvelce/Korvelce.kv");
}

bool loadModuleInto(CalcEngine& engine, int identifier) {
    const auto bytes = moduleResource(identifier);
    if (!bytes) return false;
    loadLibraryModule(engine, *bytes);
    return true;
}

bool loadProgramFile(CalcEngine& engine, const QString& path, QString* why) {
    const std::string local = QFile::encodeName(path).toStdString();
    if (isProgramSourcePath(local)) {
        // Source text is assembled whole before anything is replaced.
        const ProgramFileRead read = readProgramFile(local);
        if (read.ok) {
            applyMemoryImage(engine, read.image);
            return true;
        }
        if (why != nullptr) *why = QString::fromLocal8Bit(read.message);
        return false;
    }
    std::string reason;
    if (loadMemoryImage(engine, local, &reason)) return true;
    if (why != nullptr) *why = QString::fromLocal8Bit(reason);
    return false;
}

bool openProgramFileReporting(CalcEngine& engine, const QString& path) {
    QString why;
    if (loadProgramFile(engine, path, &why)) return true;
    showSystemError(QStringLiteral("CreateFile"),
                    QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
    return false;
}

QString screenRefusedText() {
    return QString::fromLatin1(kScreenRefusedText) + QLatin1Char('\n') +
           QString::fromLatin1(kScreenChoiceText);
}

int runApplication(const QStringList& arguments) {
    // The command line taken whole is a program file to load instead of the saved state.
    const QString named = arguments.join(QLatin1Char(' '));

    // The signals are caught before anything else, so a copy asked to end while it starts
    // still ends through the way out.
    const QuitOnSignals quitOnSignals;

    // The claim comes first: a later copy hands its request over and writes nothing.
    SingleInstance instance;
    const SingleInstance::Claim claim =
        instance.claim(named.isEmpty() ? QString() : QFileInfo(named).absoluteFilePath());
    if (claim == SingleInstance::Claim::kNoAnswer)
        reportToStandardError(QStringLiteral("Korvelce"),
                              QStringLiteral("another copy is running but does not answer"));
    if (claim != SingleInstance::Claim::kOwner) return 0;

    const QSize screen = screenSize();
    const std::optional<int> mode = screenModeFor(screen.width(), screen.height());
    if (!mode) {
        // The same box as a failed system call: error icon, no owner yet.
        showSystemError(QString::fromLatin1(kScreenRefusedCaption), screenRefusedText());
        return -1;
    }

    // An installed copy is known to the desktop through its installed entry; a second, per-user
    // entry would only show it twice among the programs that open a file.
    if (!installedWithDesktopEntry())
        registerFileAssociation(QCoreApplication::applicationFilePath());
    Settings settings = loadSettings();

    auto engine = std::make_unique<CalcEngine>();
    QtShellServices services;
    engine->setShellServices(&services);
    // A named file that cannot be read is reported, and the saved state is loaded instead:
    // starting empty would overwrite the saved state with nothing on the way out. Program
    // source text brings only a program: it is keyed in over the saved registers, which no
    // question was asked about.
    const bool source = isProgramSourcePath(QFile::encodeName(named).toStdString());
    const bool namedLoaded =
        !named.isEmpty() && !source && openProgramFileReporting(*engine, named);
    if (!namedLoaded) loadProgramFile(*engine, defaultStatePath());
    if (source) {
        const auto savedRegisters = engine->registers;
        if (openProgramFileReporting(*engine, named)) engine->registers = savedRegisters;
    }
    loadModuleInto(*engine, settings.module);
    engine->printerPath = settings.printerPath.toStdString();

    // Written again whenever it changes, not only on the way out.
    SavedState state(*engine, defaultStatePath());
    state.markCurrent();

    FacePictures pictures;
    QString failedCaption;
    std::unique_ptr<Workbench> workbench;
    if (loadFacePictures(*mode, pictures, failedCaption)) {
        auto window =
            std::make_unique<MainWindow>(*engine, settings, *mode, std::move(pictures), screen);
        window->loadModule = [&engine, &settings](int identifier) {
            if (loadModuleInto(*engine, identifier)) settings.module = identifier;
        };
        window->saveState = [&state] { state.saveIfChanged(); };
        services.setOwner(window.get());
        setSystemErrorOwner(window.get());
        // The user's key lines: each one that cannot be used is reported once, here.
        QStringList keyProblems;
        window->setKeyMap(loadKeyMap(&keyProblems));
        for (const QString& problem : keyProblems)
            reportToStandardError(QStringLiteral("Keys"), problem + QStringLiteral(" (ignored)"));
        if (!keyProblems.isEmpty())
            window->showMessage(QStringLiteral("Key map: %1 line(s) ignored, for example %2")
                                    .arg(keyProblems.size())
                                    .arg(keyProblems.front()));
        // The face sits in the workbench, whose panels stay hidden until asked for.
        workbench = std::make_unique<Workbench>(*engine, settings, std::move(window));
        if (namedLoaded) workbench->setProgramPath(named);
        instance.setRequestHandler([&workbench](const SingleInstance::Request& request) {
            if (!workbench) return;
            if (request.file.isEmpty())
                workbench->bringToFront();
            else
                workbench->offerProgramFile(request.file);
        });
        // Placed from the remembered size and position only when the workbench has no layout of
        // its own yet (the first start, or settings from before the workbench).
        if (settings.workbenchGeometry.isEmpty())
            placeWindow(*workbench, settings, screen, workbench->minimumSizeHint());
        workbench->show();
        QApplication::exec();
    } else {
        showSystemError(ENOENT, failedCaption);
    }

    // Copies started from here on wait for the lock, and start on the state saved below.
    instance.stopListening();
    instance.setRequestHandler({});
    workbench.reset();
    saveSettings(settings);
    state.save();
    return 0;
}

}  // namespace korvelce
