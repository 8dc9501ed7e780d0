#include "waveforms/AbwFile.h"

#include "measure/WriteRecords.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <cmath>

namespace ostrel {

namespace {

const QString kKind = QStringLiteral("waveform");

// Invariant form, "." only: these files travel between machines.
std::optional<double> FiniteNumber(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

std::optional<WaveformSamples> ReadAbwFile(const QString& path, QString& error) {
    QStringList lines;
    if (!ReadRecordFile(path, kKind, lines, error)) return std::nullopt;
    const auto fail = [&](qsizetype line, const QString& why) {
        error = QStringLiteral("%1, line %2: %3").arg(path).arg(line + 1).arg(why);
        return std::nullopt;
    };
    if (lines.size() < 2) return fail(lines.size(), QStringLiteral("the file holds no samples."));
    WaveformSamples samples{};
    for (qsizetype n = 1; n < lines.size(); ++n) {
        if (lines[n].trimmed().isEmpty()) continue;
        const QStringList fields = lines[n].split(QLatin1Char(','));
        if (fields.size() != 2)
            return fail(n, QStringLiteral("\"%1\" is not an index and a value.").arg(lines[n]));
        const std::optional<double> index = FiniteNumber(fields[0]);
        if (!index || *index != std::floor(*index) || *index < 0 || *index >= kWaveformBufferSize)
            return fail(n, QStringLiteral("the index \"%1\" is not a whole number from 0 to %2.")
                               .arg(fields[0].trimmed())
                               .arg(kWaveformBufferSize - 1));
        const std::optional<double> value = FiniteNumber(fields[1]);
        if (!value)
            return fail(n, QStringLiteral("the value \"%1\" is not a number.").arg(fields[1].trimmed()));
        samples[static_cast<std::size_t>(*index)] = *value;
    }
    return samples;
}

bool WriteAbwFile(const QString& path, const WaveformSamples& samples, QString& error) {
    QStringList lines;
    lines.reserve(kWaveformPeriod + 1);
    lines << QuotedField(QFileInfo(path).absoluteFilePath()) + QLatin1Char(',') +
                 QuotedField(QStringLiteral(" "));
    for (int k = 0; k < kWaveformPeriod; ++k)
        lines << QString::number(k) + QLatin1Char(',') +
                     QString::number(samples[static_cast<std::size_t>(k)], 'g',
                                     QLocale::FloatingPointShortest);
    return WriteRecordFile(path, lines, kKind, error);
}

} // namespace ostrel
