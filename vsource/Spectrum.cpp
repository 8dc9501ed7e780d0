#include "vsource/Spectrum.h"

#include "vsource/Angles.h"

#include <cmath>
#include <vector>

namespace ostrel::vsource {

Spectrum shapeSpectrum(std::span<const double> samples) {
    Spectrum s;
    const size_t count = samples.size();
    if (count == 0) return s;
    const double n = double(count);
    double mean = 0;
    for (double v : samples)
        mean += v;
    mean /= n;
    double power = 0;
    for (double v : samples)
        power += (v - mean) * (v - mean);
    const double rms = std::sqrt(power / n);
    if (rms <= 0) return s;
    std::vector<double> cosine(count), sine(count);
    for (size_t i = 0; i < count; ++i) {
        cosine[i] = std::cos(2 * kPi * double(i) / n);
        sine[i] = std::sin(2 * kPi * double(i) / n);
    }
    for (size_t h = 1; h < size_t(kHarmonicLines); ++h) {
        double re = 0, im = 0;
        for (size_t i = 0; i < count; ++i) {
            size_t k = (h * i) % count;
            re += samples[i] * cosine[k];
            im += samples[i] * sine[k];
        }
        // A line a*sin(h*x + phi) sums to re = n/2 a sin(phi), im = n/2 a cos(phi).
        double peak = 2 * std::hypot(re, im) / n;
        s.amplitude[h] = peak / std::sqrt(2.0) / rms;
        s.phase[h] = peak > 1e-12 * rms ? std::atan2(re, im) / kDegree : 0;
    }
    const double fundamental = s.phase[1];
    for (size_t h = 1; h < size_t(kHarmonicLines); ++h)
        if (s.amplitude[h] > 0) s.phase[h] = wrapDegrees(s.phase[h] - double(h) * fundamental);
    return s;
}

Spectrum sineSpectrum() {
    Spectrum s;
    s.amplitude[1] = 1;
    return s;
}

double synthesize(const Spectrum& spectrum, double degrees) {
    double v = spectrum.amplitude[0];
    for (size_t h = 1; h < size_t(kHarmonicLines); ++h)
        if (spectrum.amplitude[h] != 0)
            v += std::sqrt(2.0) * spectrum.amplitude[h] *
                 std::sin((double(h) * degrees + spectrum.phase[h]) * kDegree);
    return v;
}

} // namespace ostrel::vsource
