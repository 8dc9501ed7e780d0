#include "vsource/Capture.h"

namespace ostrel::vsource {

std::vector<double> captureSamples(const CaptureRecord& record, int phase, bool current,
                                   int firstBlock, int blocks) {
    const PhaseCapture& p = record.phase[size_t(phase)];
    const Spectrum& s = current ? p.spectra.current : p.spectra.voltage;
    std::vector<double> out(size_t(blocks) * kCaptureBlockSamples);
    const size_t first = size_t(firstBlock) * kCaptureBlockSamples;
    for (size_t i = 0; i < out.size(); ++i) {
        double t = record.offset + double(first + i) * record.interval;
        out[i] = synthesize(s, p.angle + 360.0 * record.freq * t);
    }
    return out;
}

} // namespace ostrel::vsource
