#pragma once
// A value moving from `from` to `to` at `rate` units per second from time `t0`;
// an infinite rate is a step. Times are virtual seconds.
#include "vsource/ScpiValues.h"

#include <algorithm>
#include <cmath>

namespace ostrel::vsource {

struct Ramp {
    double from = 0;
    double to = 0;
    double rate = kInfinity;
    double t0 = 0;
    bool endPending = false; // the end of a finite ramp is still to be reported

    double end() const {
        return std::isinf(rate) || rate <= 0 ? t0 : t0 + std::fabs(to - from) / rate;
    }

    double at(double t) const {
        if (t >= end()) return to;
        if (t <= t0) return from;
        double step = rate * (t - t0);
        return to > from ? from + step : from - step;
    }

    // Integral of the value over [a, b], a <= b.
    double integral(double a, double b) const {
        double e = end();
        double total = 0;
        if (a < e) {
            double m = std::min(b, e);
            total += (at(a) + at(m)) / 2 * (m - a);
            a = m;
        }
        if (b > a) total += to * (b - a);
        return total;
    }
};

// A new ramp from the present value (at time t) to the target.
inline Ramp rampFrom(const Ramp& present, double t, double target, double rate) {
    Ramp r{present.at(t), target, rate, t, false};
    r.endPending = r.end() > t;
    return r;
}

// A value that stands still.
inline Ramp steadyAt(double value, double t) {
    return Ramp{value, value, kInfinity, t, false};
}

} // namespace ostrel::vsource
