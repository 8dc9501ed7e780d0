#pragma once
// The two ways the program waits on the one user-interface thread.
#include <functional>

namespace ostrel {

// Waits the given seconds on a monotonic clock while window events are
// processed, so the windows paint and Stop/Abort stay live.
void Delay(double seconds);

// Processes window events until `done` returns true or `timeoutMs` has passed;
// returns whether `done` became true. Wakes on every event and at least every
// `pollMs` to look at `done`, without spinning a core.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 5);

// Waits without processing events and without spinning a CPU core.
void WaitMs(int milliseconds);

} // namespace ostrel
