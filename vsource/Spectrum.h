#pragma once
// Harmonic spectra of the output: 51 lines, DC first, each an rms amplitude
// and a phase in degrees relative to the voltage fundamental of its phase.
// The same spectra give the harmonic arrays and the sampled waveforms.
#include <array>
#include <span>

namespace ostrel::vsource {

constexpr int kHarmonicLines = 51;

struct Spectrum {
    std::array<double, kHarmonicLines> amplitude{};
    std::array<double, kHarmonicLines> phase{};
};

// One period of a shape by a DFT: the AC lines per unit of the shape's AC rms,
// phases shifted so that the fundamental is at 0 degrees. No DC line.
Spectrum shapeSpectrum(std::span<const double> samples);

// The pure sine: the fundamental only.
Spectrum sineSpectrum();

// The instantaneous value at `degrees` of the fundamental.
double synthesize(const Spectrum& spectrum, double degrees);

} // namespace ostrel::vsource
