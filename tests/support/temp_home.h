// A home folder of the test's own: HOME and the XDG folders point into a fresh temporary folder
// while it lives, and back to what they were when it goes, so that no later test reads or writes
// under a folder already removed.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <utility>
#include <vector>

namespace korvelce::test {

class TempHome {
  public:
    TempHome() {
        if (!dir_.isValid()) return;
        QDir().mkpath(home());
        set("HOME", home());
        set("XDG_CONFIG_HOME", config());
        set("XDG_DATA_HOME", data());
        set("XDG_STATE_HOME", path(QStringLiteral("state")));
    }
    ~TempHome() {
        for (auto it = previous_.rbegin(); it != previous_.rend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool isValid() const { return dir_.isValid(); }
    // The temporary folder, and a name inside it.
    QString path() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString home() const { return path(QStringLiteral("home")); }
    QString config() const { return path(QStringLiteral("config")); }
    QString data() const { return path(QStringLiteral("data")); }

    // Points the variable name at folder until this home goes.
    void set(const char* name, const QString& folder) {
        const QByteArray key(name);
        bool saved = false;
        for (const auto& entry : previous_)
            saved = saved || entry.first == key;
        if (!saved)
            previous_.emplace_back(key, qEnvironmentVariableIsSet(name)
                                            ? std::optional<QByteArray>(qgetenv(name))
                                            : std::nullopt);
        qputenv(name, QFile::encodeName(folder));
    }

  private:
    QTemporaryDir dir_;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> previous_;
};

}  // namespace korvelce::test
