#include "core/EngineClock.h"

#include "link/Waits.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

bool EngineClock::wait(double seconds, const std::function<bool()>& stop) const {
    const double scale = timeScale > 0 ? timeScale : 1.0;
    const int ms = int(std::lround(std::max(0.0, seconds) * 1000.0 / scale));
    if (stop && stop()) return true;
    if (ms <= 0) return false;
    return WaitUntil(stop ? stop : [] { return false; }, ms, 20);
}

} // namespace ostrel
