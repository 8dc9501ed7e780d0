#include "cli/StopWatch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <csignal>

namespace ostrel {

namespace {

volatile std::sig_atomic_t stopSignalled = 0;

void onStopSignal(int) {
    stopSignalled = 1;
}

} // namespace

void InstallStopSignals() {
    stopSignalled = 0;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

bool TakeStopSignal() {
    const bool stop = stopSignalled != 0;
    stopSignalled = 0;
    return stop;
}

struct RunStopWatch::State {
    QTimer timer;
    QElapsedTimer since;
    bool fired = false;
};

RunStopWatch::RunStopWatch(double timeoutS, std::function<void()> stop) : state_(std::make_unique<State>()) {
    state_->since.start();
    state_->timer.setInterval(20);
    QObject::connect(&state_->timer, &QTimer::timeout, [this, timeoutS, stop = std::move(stop)] {
        const bool late = timeoutS > 0 && state_->since.elapsed() > qint64(timeoutS * 1000);
        if (!TakeStopSignal() && !late) return;
        state_->timer.stop();
        state_->fired = true;
        stop();
    });
    state_->timer.start();
}

RunStopWatch::~RunStopWatch() = default;

bool RunStopWatch::fired() const {
    return state_->fired;
}

} // namespace ostrel
