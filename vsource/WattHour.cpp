#include "vsource/WattHour.h"

#include <algorithm>
#include <cmath>

namespace ostrel::vsource {

void startMeter(WattHourMeter& meter, double now) {
    meter = WattHourMeter{};
    meter.running = true;
    meter.start = meter.reached = now;
}

void stopMeter(WattHourMeter& meter, double now) {
    if (!meter.running) return;
    meter.held = now - meter.start;
    meter.running = false;
}

std::string elapsedText(double seconds) {
    long long ms = std::llround(std::floor(std::max(0.0, seconds) * 1000));
    return std::to_string(ms / 3600000) + ',' + std::to_string(ms / 60000 % 60) + ',' +
           std::to_string(ms / 1000 % 60) + ',' + std::to_string(ms % 1000);
}

} // namespace ostrel::vsource
