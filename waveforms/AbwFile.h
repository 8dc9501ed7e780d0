#pragma once
// Waveform files (".abw", and ".csv" through the same reader): line 1 holds
// two quoted fields (the file's own path and a blank), then one "k,value"
// line per sample. One reader serves the editors, the thumbnails, the batch
// download, the test windows and ostrel-cli.
#include <QString>

#include <array>
#include <optional>

namespace ostrel {

inline constexpr int kWaveformPeriod = 1024;     // samples of one period
inline constexpr int kWaveformBufferSize = 4096; // the buffer the indices may address

using WaveformSamples = std::array<double, kWaveformBufferSize>;

inline const QString kWaveformFileFilter =
    QStringLiteral("Waveform Data (*.abw)|*.ABW|CSV Files (*.csv)|*.CSV|All Files (*.*)|*.*");

// The samples of the file over a fresh buffer of zeros, so a short file never
// mixes with an earlier waveform. Refused, naming the file and the line: an
// index that is not a whole number 0..4095, a value that is not a finite
// number, a line that is not two fields, a file without samples. Values are
// taken as they stand (a hand-made file may leave -1..+1).
std::optional<WaveformSamples> ReadAbwFile(const QString& path, QString& error);

// Writes samples 0..1023 with the file's absolute path on line 1, the whole
// file or nothing.
bool WriteAbwFile(const QString& path, const WaveformSamples& samples, QString& error);

} // namespace ostrel
