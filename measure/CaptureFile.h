#pragma once
// Waveform capture files (".wfd"): "write" records — one per meter readout,
// the six scale limits, the title and parameter as plain lines, the samples
// per channel, the trigger offset, the sample interval, then the samples one
// a line (voltage and current interleaved for "Volt & Curr", phase after
// phase for the three-phase parameters).
#include "measure/Capture.h"

#include <QString>

namespace ostrel {

inline const QString kCaptureFilter =
    QStringLiteral("Waveform Meas Data (*.wfd)|*.WFD|All Files (*.*)|*.*");

// Whole or not at all: a text holding a double quote or a line break (a
// damaged file may bring one) is refused.
bool WriteCaptureFile(const QString& path, const Capture& capture, QString& error);

// Reads and checks the whole file: a sample count above 4096 per channel, or
// more or fewer samples than the file announces, is refused with a message
// naming the file and the line. `capture` changes only on success.
bool ReadCaptureFile(const QString& path, Capture& capture, QString& error);

} // namespace ostrel
