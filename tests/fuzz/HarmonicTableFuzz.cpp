// The harmonic table reader (".hwv" and the window's "lastsave.$$$"), with
// "." and "," as the grids' separator: any file is read without a crash; a
// refusal names the file and line; an accepted table is written and read
// again to the same cells.
#include "FuzzInput.h"

#include "waveforms/HarmonicTableFile.h"

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

bool sameTable(const HarmonicTable& a, const HarmonicTable& b) {
    for (int r = 0; r < kHarmonicTableRows; ++r) {
        const HarmonicRow& x = a[size_t(r)];
        const HarmonicRow& y = b[size_t(r)];
        if (x.oddAmplitude != y.oddAmplitude || x.oddPhase != y.oddPhase ||
            x.evenAmplitude != y.evenAmplitude || x.evenPhase != y.evenPhase)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const QString& name : {QStringLiteral("input.hwv"), kLastSaveFile}) {
        const QString input = InputFile(name, data, size);
        for (const QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
            QString error;
            const std::optional<HarmonicTable> first = ReadHarmonicTableFile(input, separator, error);
            if (!first) {
                Check(error.startsWith(input), "a refused file is named", error);
                continue;
            }
            for (const HarmonicRow& row : *first)
                for (const QString* cell : {&row.oddAmplitude, &row.oddPhase, &row.evenAmplitude, &row.evenPhase})
                    Check(HarmonicCellValue(*cell, separator).has_value(), "an accepted cell is a number", *cell);
            const QString output = InputFile(QStringLiteral("written") + name, nullptr, 0);
            Check(WriteHarmonicTableFile(output, *first, separator, error), "an accepted table is written", error);
            const std::optional<HarmonicTable> second = ReadHarmonicTableFile(output, separator, error);
            Check(second.has_value(), "a written table is read back", error);
            Check(sameTable(*first, *second), "a written table reads back the same",
                  QString::fromUtf8(FileBytes(output)));
        }
    }
    return 0;
}
