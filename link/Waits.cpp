#include "link/Waits.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace ostrel {

void Delay(double seconds) {
    if (!(seconds > 0)) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(std::llround(seconds * 1000.0)), Qt::PreciseTimer,
                       &loop, &QEventLoop::quit);
    loop.exec();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs) {
    if (done()) return true;
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    // The timer only wakes the blocking event wait so `done` and the deadline are looked at.
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(std::max(1, std::min(pollMs, timeoutMs)));
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void WaitMs(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace ostrel
