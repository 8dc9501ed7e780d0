#pragma once
// One period of 1024 samples from a harmonic table.
#include "waveforms/HarmonicTable.h"

#include <array>

namespace ostrel {

inline constexpr int kSynthesisSamples = 1024;
using SynthesisSamples = std::array<float, kSynthesisSamples>;

struct Synthesis {
    // The shape on screen and in the waveform file: centred between its
    // extremes, spanning -Vpk..+Vpk.
    SynthesisSamples y{};
    // The samples sent to the source: the sum of sines with its zero mean
    // kept, peak-to-peak 2. It leaves -1..+1 when max != -min.
    SynthesisSamples d{};
    // The extremes of the sum of sines, each counted with 0.
    double rawMax = 0;
    double rawMin = 0;
    // Every amplitude is 0: nothing to save or send, y and d are flat.
    bool empty() const { return rawMax - rawMin <= 0; }
};

Synthesis Synthesise(const std::vector<Harmonic>& harmonics, double vpk);

} // namespace ostrel
