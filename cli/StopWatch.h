#pragma once
// Stop for the command-line runs: SIGINT, SIGTERM and a --timeout act as the
// windows' Stop or Abort button, at the run's next turn.
#include <functional>
#include <memory>

namespace ostrel {

// Before the run starts: the signals set a flag, the only state a handler may touch.
void InstallStopSignals();
// True once for each stop signal (the flag is cleared).
bool TakeStopSignal();

// While it lives, calls `stop` once when a stop signal comes or `timeoutS`
// (> 0) real seconds have passed since it was made.
class RunStopWatch {
public:
    RunStopWatch(double timeoutS, std::function<void()> stop);
    ~RunStopWatch();
    RunStopWatch(const RunStopWatch&) = delete;
    RunStopWatch& operator=(const RunStopWatch&) = delete;
    // Whether the stop came from the signal or the time-out.
    bool fired() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace ostrel
