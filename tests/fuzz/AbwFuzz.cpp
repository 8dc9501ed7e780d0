// The ".abw"/".csv" reader: any file is read without a crash, a refused file
// is named with its line, and an accepted period is written and read again
// to the same samples.
#include "FuzzInput.h"

#include "waveforms/AbwFile.h"

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = InputFile(QStringLiteral("input.abw"), data, size);
    QString error;
    const std::optional<WaveformSamples> first = ReadAbwFile(input, error);
    if (!first) {
        Check(error.startsWith(input), "a refused file is named", error);
        return 0;
    }
    const QString output = InputFile(QStringLiteral("written.abw"), nullptr, 0);
    Check(WriteAbwFile(output, *first, error), "an accepted period is written", error);
    const std::optional<WaveformSamples> second = ReadAbwFile(output, error);
    Check(second.has_value(), "a written period is read back", error);
    for (int k = 0; k < kWaveformPeriod; ++k)
        Check((*first)[k] == (*second)[k], "a written period reads back the same",
              QString::fromUtf8(FileBytes(output)));
    return 0;
}
