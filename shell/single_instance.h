// One calculator per user. The first copy takes a lock file in the user's runtime folder and
// keeps it for its whole life; beside it, it listens on a local socket. A later copy finds the
// lock taken, hands its request (come to the front, and open a file when one was named) over
// the socket and exits without touching any file.
#pragma once

#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QLocalSocket;
class QLockFile;

namespace korvelce {

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    enum class Claim {
        kOwner,       // this copy is the calculator
        kHandedOver,  // another copy is, and has the request
        kNoAnswer,    // another copy holds the lock but never answered
    };

    // What a later copy asks of the owner: to come to the front, and to open file unless it
    // is empty (an absolute path).
    struct Request {
        QString file;
    };

    // The lock and the socket live in the user's runtime folder (or the temporary folder).
    SingleInstance();
    ~SingleInstance() override;

    // Takes the lock and starts listening, or hands the request over to the copy that holds
    // it. A copy that holds the lock but does not listen yet (it is starting, or saving on its
    // way out) is waited for up to waitMs. A socket left by a copy that was killed is
    // replaced; the lock of a dead process is taken over.
    Claim claim(const QString& fileToOpen = {}, int waitMs = 5000);

    // Receives the requests of later copies, from the event loop; those that came before a
    // handler was set are kept for it.
    void setRequestHandler(std::function<void(const Request&)> handler);

    // Stops listening (on the way out); the lock is kept until this object is destroyed, so
    // a copy started meanwhile waits and then starts on the state saved last.
    void stopListening();

    [[nodiscard]] const QString& socketPath() const { return socketPath_; }
    [[nodiscard]] const QString& lockPath() const { return lockPath_; }

  private:
    bool handOver(const QString& fileToOpen) const;
    void listen();
    void readRequests(QLocalSocket* socket);
    void deliverWaiting();

    QString socketPath_;
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    std::function<void(const Request&)> handler_;
    QList<Request> waiting_;
    QTimer delivery_;  // hands the waiting requests over from the event loop
};

}  // namespace korvelce
