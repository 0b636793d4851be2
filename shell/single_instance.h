// One calculator per user: the first copy listens on a local socket; a second copy asks it to
// come to the front and then exits without touching any file.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>

namespace korvelce {

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // The socket lives in the user's runtime folder (or the temporary folder).
    SingleInstance();

    // True when another copy answered and was asked to raise its window.
    bool raiseOtherInstance();
    // Starts listening; raise is called when a later copy knocks.
    bool listen(std::function<void()> raise);

    [[nodiscard]] const QString& socketPath() const { return socketPath_; }

  private:
    QString socketPath_;
    QLocalServer server_;
    std::function<void()> raise_;
};

}  // namespace korvelce
