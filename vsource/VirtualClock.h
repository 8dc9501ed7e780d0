#pragma once
// Virtual time: the monotonic clock since start, run `scale` times faster, so
// that long transients can be tested in seconds. Readings, transients and the
// timeline all use it.
#include <chrono>
#include <optional>

namespace ostrel::vsource {

class VirtualClock {
public:
    explicit VirtualClock(double scale = 1.0)
        : scale_(scale), start_(std::chrono::steady_clock::now()) {}

    double scale() const { return scale_; }

    // Real seconds since start.
    double realSeconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    // Virtual seconds since start, or where the clock is held.
    double now() const { return held_ ? *held_ : realSeconds() * scale_; }

    // Stops virtual time at `t`, so that a driver feeding the unit line by
    // line decides when time passes and every run is the same.
    void holdAt(double t) { held_ = t; }

    // Real milliseconds until virtual time t (negative when past).
    double realMsUntil(double t) const { return (t / scale_ - realSeconds()) * 1000.0; }

private:
    double scale_;
    std::chrono::steady_clock::time_point start_;
    std::optional<double> held_;
};

} // namespace ostrel::vsource
