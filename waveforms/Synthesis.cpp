#include "waveforms/Synthesis.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ostrel {

Synthesis Synthesise(const std::vector<Harmonic>& harmonics, double vpk) {
    constexpr double kTwoPi = 8 * 0.78539816339744830962;
    const double step = kTwoPi / kSynthesisSamples;
    std::vector<double> sum(kSynthesisSamples, 0.0);
    for (const Harmonic& h : harmonics) {
        const double a = h.percent / 100;
        if (a == 0) continue;
        double phi = h.degrees;
        if (phi < 0) phi += 360;
        const double phiRad = kTwoPi * phi / 360;
        for (int k = 0; k < kSynthesisSamples; ++k) sum[k] += a * std::sin(h.order * k * step + phiRad);
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
