// Waiting in window tests: events are handled until a condition holds or the time is up.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace korvelce::test {

// Handles events until done() or timeoutMs have passed; whether done() became true.
template <typename Done>
bool waitFor(Done done, int timeoutMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace korvelce::test
