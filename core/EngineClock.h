#pragma once
// The one clock of the test engine: every wait of a run (200 ms before an
// idle poll, the countdown seconds, 1100 ms after a frequency change, the
// settle seconds of an acquisition) goes through it. Tests and the command
// line set the time scale to match a virtual source's.
#include <functional>

namespace ostrel {

struct EngineClock {
    double timeScale = 1; // waits are divided by it

    // Waits seconds / timeScale, processing window events; true when `stop`
    // became true first.
    bool wait(double seconds, const std::function<bool()>& stop = {}) const;
};

} // namespace ostrel
