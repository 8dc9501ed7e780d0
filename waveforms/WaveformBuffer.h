#pragma once
// The program-wide waveform buffer: one period of a custom waveform, shared
// by the arbitrary editor, its point editor, the function library, the disk
// library and the capture upload. It lives in the program object, so it
// outlives every window that fills it.
#include "link/OutputState.h"
#include "link/SourceModel.h"
#include "waveforms/AbwFile.h"

#include <QString>

#include <array>
#include <span>

namespace ostrel {

struct WaveformBuffer {
    // Normalised: -1..+1 is the full output range.
    std::array<float, kWaveformBufferSize> samples{};
    int lastIndex = kWaveformPeriod - 1;
    // Upper case; the last opened or saved file's name, empty for a new waveform.
    QString name;

    std::span<const float> period() const { return {samples.data(), size_t(lastIndex + 1)}; }
    // The whole buffer from a file's samples.
    void assign(const WaveformSamples& values);
    WaveformSamples values() const;
};

// Vpk: the peak of the active range's highest RMS voltage, which scales
// normalised samples to volts on screen.
double PeakScale(const SourceModel& model, const OutputState& output);

} // namespace ostrel
