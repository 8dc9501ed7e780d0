#pragma once
// One period of a captured record (".wfd" of the capture window) as a
// waveform: 1024 samples, the fundamental starting at 0 degrees, zero mean,
// largest magnitude 1.
#include "measure/Capture.h"

#include <QString>

#include <optional>
#include <vector>

namespace ostrel {

inline constexpr int kMinUploadSamples = 64;

// The period taken from the record's start: 1 / (frequency x interval)
// samples. Refused, naming the file: frequency <= 0, no whole period in the
// record, a period of fewer than 64 samples.
std::optional<std::vector<float>> PeriodFromCapture(const Capture& capture, int channel,
                                                    double frequency, const QString& file,
                                                    QString& error);

} // namespace ostrel
