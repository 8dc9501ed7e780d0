#pragma once
// Angles of the simulated output: radians per degree and phase wrapping.
#include <cmath>

namespace ostrel::vsource {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;

// Into (-180, 180].
inline double wrapDegrees(double d) {
    d = std::fmod(d, 360.0);
    if (d <= -180) d += 360;
    if (d > 180) d -= 360;
    return d;
}

} // namespace ostrel::vsource
