#include "shell/application.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cerrno>
#include <csignal>
#include <memory>

#include "engine/calc_engine.h"
#include "shell/file_association.h"
#include "files/library_module.h"
#include "shell/main_window.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "shell/settings.h"
#include "shell/shell_services_qt.h"
#include "shell/single_instance.h"
#include "shell/system_error.h"

namespace korvelce {

namespace {

// SIGTERM and SIGINT end the run like Exit does, so the state is still saved: the handler
// only writes a byte that the event loop then reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

void quitOnSignals(QObject* context) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        for (QWidget* widget : QApplication::topLevelWidgets())
            widget->close();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

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

void saveState(const CalcEngine& engine) {
    const QString path = defaultStatePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const SaveResult result = saveMemoryImage(engine, path.toStdString());
    if (!result.ok)
        showSystemError(QStringLiteral("CreateFile"), QString::fromStdString(result.message));
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

int runApplication(const QStringList& arguments) {
    SingleInstance instance;
    if (instance.raiseOtherInstance()) return 0;

    const QSize screen = screenSize();
    const std::optional<int> mode = screenModeFor(screen.width(), screen.height());
    if (!mode) {
        // The same box as a failed system call: error icon, no owner yet.
        showSystemError(QString::fromLatin1(kScreenRefusedCaption),
                        QString::fromLatin1(kScreenRefusedText));
        return -1;
    }

    registerFileAssociation(QCoreApplication::applicationFilePath());
    Settings settings = loadSettings();

    auto engine = std::make_unique<CalcEngine>();
    QtShellServices services;
    engine->setShellServices(&services);
    const QString named = arguments.isEmpty() ? QString() : arguments.join(QLatin1Char(' '));
    loadMemoryImage(*engine, (named.isEmpty() ? defaultStatePath() : named).toStdString());
    loadModuleInto(*engine, settings.module);
    engine->printerPath = settings.printerPath.toStdString();

    FacePictures pictures;
    QString failedCaption;
    std::unique_ptr<MainWindow> window;
    if (loadFacePictures(*mode, pictures, failedCaption)) {
        window =
            std::make_unique<MainWindow>(*engine, settings, *mode, std::move(pictures), screen);
        window->loadModule = [&engine, &settings](int identifier) {
            if (loadModuleInto(*engine, identifier)) settings.module = identifier;
        };
        services.setOwner(window.get());
        setSystemErrorOwner(window.get());
        instance.listen([&window] {
            if (!window) return;
            window->showNormal();
            window->raise();
            window->activateWindow();
        });
        quitOnSignals(window.get());
        window->show();
        QApplication::exec();
    } else {
        showSystemError(ENOENT, failedCaption);
    }

    window.reset();
    saveSettings(settings);
    saveState(*engine);
    return 0;
}

}  // namespace korvelce
