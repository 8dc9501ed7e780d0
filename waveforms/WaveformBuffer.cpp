#include "waveforms/WaveformBuffer.h"

#include <cmath>

namespace ostrel {

void WaveformBuffer::assign(const WaveformSamples& values) {
    for (size_t k = 0; k < samples.size(); ++k)
        samples[k] = static_cast<float>(values[k]);
}

WaveformSamples WaveformBuffer::values() const {
    WaveformSamples out{};
    for (size_t k = 0; k < samples.size(); ++k)
        out[k] = samples[k];
    return out;
}

double PeakScale(const SourceModel& model, const OutputState& output) {
    return std::sqrt(2.0) * (output.HighRange != 0 ? model.VoltHighRange : model.VoltLowRange);
}

} // namespace ostrel
