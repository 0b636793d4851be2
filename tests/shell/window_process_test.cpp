// The window program as separate processes: copies started together leave exactly one window,
// and the quit signals end it through the way out that saves the state and the settings.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <memory>
#include <string>

#include "engine/calc_engine.h"
#include "files/memory_image.h"

namespace korvelce {
namespace {

// A home of its own for the copies of one test, with the small screen (its skin is built in).
class WindowProcesses : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = home.filePath(QString::fromLatin1(name));
            ASSERT_TRUE(QDir().mkpath(folder));
            QFile::setPermissions(
                folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            environment.insert(QString::fromLatin1(name), folder);
        }
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("KORVELCE_SCREEN"), QStringLiteral("240x320"));
        environment.remove(QStringLiteral("KORVELCE_DEBUG"));
    }

    QString statePath() const {
        return home.filePath(QStringLiteral("XDG_DATA_HOME/Korvelce/Korvelce.kv"));
    }
    QString settingsPath() const {
        return home.filePath(QStringLiteral("XDG_CONFIG_HOME/Brannock/Korvelce.conf"));
    }
    QString runtimeFolder() const { return home.filePath(QStringLiteral("XDG_RUNTIME_DIR")); }

    std::unique_ptr<QProcess> start(const QStringList& arguments) const {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(QStringLiteral(KORVELCE_WINDOW_PATH), arguments);
        return process;
    }

    // A program file whose R00 holds value.
    QString programFile(const QString& name, int value) const {
        CalcEngine engine;
        engine.registers[0] = DecNumber::fromInt(value);
        QString path = home.filePath(name);
        EXPECT_TRUE(saveMemoryImage(engine, path.toStdString()).ok);
        return path;
    }

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Waits until the window program listens for later copies.
    bool waitUntilListening(const QProcess& process, int timeoutMs = 20000) const {
        const QString socket =
            runtimeFolder() + QStringLiteral("/korvelce-%1.socket").arg(::getuid());
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(socket)) {
            if (process.state() == QProcess::NotRunning || timer.elapsed() > timeoutMs)
                return false;
            QThread::msleep(10);
        }
        return true;
    }

    QTemporaryDir home;
    QProcessEnvironment environment;
};

// Pairs of copies started at the same moment, each named a different program file: one copy
// exits at once with 0 (its file handed over), the other keeps its window until it is told to
// end, and the state it leaves is the file it was started with. Some pairs end with SIGKILL,
// leaving their socket and lock behind: the next pair starts all the same.
TEST_F(WindowProcesses, CopiesStartedTogetherLeaveOneWindow) {
    constexpr int kPairs = 20;
    for (int pair = 0; pair < kPairs; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        const std::array<QString, 2> files = {
            programFile(QStringLiteral("a%1.kv").arg(pair), 1000 + pair),
            programFile(QStringLiteral("b%1.kv").arg(pair), 2000 + pair)};
        std::array<std::unique_ptr<QProcess>, 2> copies = {start({files[0]}), start({files[1]})};

        std::size_t exited = 2;
        QElapsedTimer timer;
        timer.start();
        while (exited == 2 && timer.elapsed() < 20000) {
            for (std::size_t i = 0; i < 2; ++i)
                if (copies[i]->waitForFinished(10)) exited = i;
        }
        ASSERT_LT(exited, 2u) << "neither copy handed over";
        const std::size_t kept = 1 - exited;
        EXPECT_EQ(copies[exited]->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(copies[exited]->exitCode(), 0) << copies[exited]->readAllStandardError().data();
        // The other one stays.
        EXPECT_FALSE(copies[kept]->waitForFinished(300));
        ASSERT_EQ(copies[kept]->state(), QProcess::Running);

        if (pair % 5 == 2) {
            ::kill(static_cast<pid_t>(copies[kept]->processId()), SIGKILL);
            ASSERT_TRUE(copies[kept]->waitForFinished(10000));
            continue;
        }
        QFile::remove(statePath());
        ::kill(static_cast<pid_t>(copies[kept]->processId()), SIGTERM);
        ASSERT_TRUE(copies[kept]->waitForFinished(20000));
        EXPECT_EQ(copies[kept]->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(copies[kept]->exitCode(), 0);
        EXPECT_EQ(contents(statePath()), contents(files[kept]));
    }
    // The last owner ended normally and took its socket and lock with it.
    EXPECT_EQ(QDir(runtimeFolder())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden),
              QStringList());
}

// SIGTERM, SIGINT and SIGHUP end the window like Exit: exit code 0, the state and the settings
// written.
TEST_F(WindowProcesses, QuitSignalsSaveStateAndSettings) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        QFile::remove(statePath());
        QFile::remove(settingsPath());
        const QString named = programFile(QStringLiteral("named.kv"), 4000 + signal);
        const auto window = start({named});
        ASSERT_TRUE(waitUntilListening(*window));
        QThread::msleep(200);
        ::kill(static_cast<pid_t>(window->processId()), signal);
        ASSERT_TRUE(window->waitForFinished(20000));
        EXPECT_EQ(window->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(window->exitCode(), 0);
        EXPECT_EQ(contents(statePath()), contents(named));
        EXPECT_TRUE(contents(settingsPath()).contains("Module=110"))
            << contents(settingsPath()).toStdString();
    }
}

}  // namespace
}  // namespace korvelce
