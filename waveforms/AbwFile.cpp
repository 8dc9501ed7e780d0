#include "waveforms/AbwFile.h"

#include "measure/WriteRecords.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace ostrel {

namespace {

const QString kKind = QStringLiteral("waveform");

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
        t.remove_suffix(1);
    return t;
}

// Invariant form, "." only: these files travel between machines. The whole
// field must be the number.
std::optional<double> FiniteNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString shown(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

std::optional<WaveformSamples> ReadAbwFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("The %1 file %2 cannot be opened: %3")
                    .arg(kKind, path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    std::vector<std::string_view> lines;
    for (std::string_view rest(bytes.constData(), size_t(bytes.size()));;) {
        const size_t feed = rest.find('\n');
        lines.push_back(trimmed(rest.substr(0, feed)));
        if (feed == std::string_view::npos) break;
        rest.remove_prefix(feed + 1);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    const auto fail = [&](size_t line, const QString& why) {
        error = QStringLiteral("%1, line %2: %3").arg(path).arg(line + 1).arg(why);
        return std::nullopt;
    };
    if (lines.size() < 2) return fail(lines.size(), QStringLiteral("the file holds no samples."));
    WaveformSamples samples{};
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.empty()) continue;
        const size_t comma = line.find(',');
        if (comma == std::string_view::npos || line.find(',', comma + 1) != std::string_view::npos)
            return fail(n, QStringLiteral("\"%1\" is not an index and a value.").arg(shown(line)));
        const std::string_view indexText = trimmed(line.substr(0, comma));
        const std::string_view valueText = trimmed(line.substr(comma + 1));
        const std::optional<double> index = FiniteNumber(indexText);
        if (!index || *index != std::floor(*index) || *index < 0 || *index >= kWaveformBufferSize)
            return fail(n, QStringLiteral("the index \"%1\" is not a whole number from 0 to %2.")
                               .arg(shown(indexText))
                               .arg(kWaveformBufferSize - 1));
        const std::optional<double> value = FiniteNumber(valueText);
        if (!value)
            return fail(n,
                        QStringLiteral("the value \"%1\" is not a number.").arg(shown(valueText)));
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
