#include "waveforms/Synthesis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel {

Synthesis Synthesise(const std::vector<Harmonic>& harmonics, double vpk) {
    constexpr double kTwoPi = 8 * 0.78539816339744830962;
    constexpr int n = kSynthesisSamples;
    // sin(h k step + phi) from one table of the period: h k wraps modulo N.
    static const auto table = [] {
        std::array<std::array<double, n>, 2> t{};
        for (int j = 0; j < n; ++j) {
            t[0][j] = std::sin(kTwoPi * j / n);
            t[1][j] = std::cos(kTwoPi * j / n);
        }
        return t;
    }();
    std::vector<double> sum(n, 0.0);
    for (const Harmonic& h : harmonics) {
        const double a = h.percent / 100;
        if (a == 0) continue;
        double phi = h.degrees;
        if (phi < 0) phi += 360;
        const double phiRad = kTwoPi * phi / 360;
        const double c = a * std::cos(phiRad), sn = a * std::sin(phiRad);
        const int order = ((h.order % n) + n) % n;
        for (int k = 0, m = 0; k < n; ++k, m = (m + order) % n)
            sum[k] += c * table[0][m] + sn * table[1][m];
    }
    Synthesis s;
    s.rawMax = std::max(0.0, *std::max_element(sum.begin(), sum.end()));
    s.rawMin = std::min(0.0, *std::min_element(sum.begin(), sum.end()));
    if (s.empty()) return s;
    const double span = s.rawMax - s.rawMin;
    const double mid = (s.rawMax + s.rawMin) / 2;
    for (int k = 0; k < kSynthesisSamples; ++k) {
        s.d[k] = static_cast<float>(2 * sum[k] / span);
        s.y[k] = static_cast<float>((sum[k] - mid) * 2 * vpk / span);
    }
    return s;
}

} // namespace ostrel
