#pragma once
// The watt-hour meter: real energy per phase integrated over virtual time
// while it runs.
#include <array>
#include <string>

namespace ostrel::vsource {

struct WattHourMeter {
    bool running = false;
    double start = 0;   // virtual seconds when it was started
    double reached = 0; // energy is integrated up to this time
    double held = 0;    // elapsed seconds when it was stopped
    std::array<double, 3> joules{};

    double elapsed(double now) const { return running ? now - start : held; }
};

void startMeter(WattHourMeter& meter, double now);
void stopMeter(WattHourMeter& meter, double now);

// Adds the energy from `reached` to t; power(p, t) is phase p's real power in
// W. Simpson's rule is exact for the level ramps between two events (power of
// a linear ramp is quadratic in time).
template <class Power>
void integrateEnergy(WattHourMeter& meter, int phases, double t, Power&& power) {
    if (!meter.running || !(t > meter.reached)) return;
    const double a = meter.reached, b = t, m = (a + b) / 2;
    for (int p = 0; p < phases; ++p)
        meter.joules[size_t(p)] += (b - a) * (power(p, a) + 4 * power(p, m) + power(p, b)) / 6;
    meter.reached = t;
}

// "h,m,s,ms" of an elapsed time.
std::string elapsedText(double seconds);

} // namespace ostrel::vsource
