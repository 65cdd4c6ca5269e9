// Waiting for what the program does while the test's own event loop runs.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace mergola::testing {

// Runs the event loop until done holds or timeoutMs have passed; done is
// not asked again once it held.
inline bool waitForEvents(const std::function<bool()> &done, int timeoutMs = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace mergola::testing
