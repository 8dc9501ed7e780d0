#include "measure/CaptureFile.h"

#include "link/Numbers.h"
#include "measure/WriteRecords.h"

#include <QStringList>

namespace ostrel {

namespace {

constexpr QLatin1String kReadoutMark(" =\t");
// More readouts than any parameter has mark a damaged file.
constexpr int kMaxReadouts = 32;

// The index in the file of sample i of channel c.
qsizetype fileIndex(const Capture& c, int channel, int i) {
    if (c.kind() == CaptureKind::VoltCurrent) return qsizetype(i) * 2 + channel;
    return qsizetype(channel) * c.samples + i;
}

} // namespace

bool WriteCaptureFile(const QString& path, const Capture& capture, QString& error) {
    QStringList texts{capture.title, capture.parameter, capture.offsetText};
    for (const MeterReadout& r : capture.readouts)
        texts << r.name << r.value;
    for (const QString& text : std::as_const(texts))
        if (UnstorableInRecord(text)) {
            error = QStringLiteral("The waveform data file %1 was not written: \"%2\": %3.")
                        .arg(path, text, kUnstorableReason);
            return false;
        }
    QStringList lines;
    for (const MeterReadout& r : capture.readouts)
        lines << QuotedField(r.name + kReadoutMark + r.value);
    QStringList limits;
    for (float v : capture.limits)
        limits << NumberField(v);
    lines << limits.join(QLatin1Char(',')) << capture.title << capture.parameter
          << QString::number(capture.samples) << QuotedField(capture.offsetText)
          << NumberField(capture.intervalUs);
    QVector<float> ordered(capture.values.size());
    for (int c = 0; c < capture.channels(); ++c)
        for (int i = 0; i < capture.samples; ++i)
            ordered[fileIndex(capture, c, i)] = capture.values[qsizetype(c) * capture.samples + i];
    for (float v : std::as_const(ordered))
        lines << NumberField(v);

    return WriteRecordFile(path, lines, QStringLiteral("waveform data"), error);
}

bool ReadCaptureFile(const QString& path, Capture& capture, QString& error) {
    QStringList lines;
    if (!ReadRecordFile(path, QStringLiteral("waveform data"), lines, error)) return false;
    const auto fail = [&](qsizetype line, const QString& why) {
        error = QStringLiteral("%1, line %2: %3").arg(path).arg(line + 1).arg(why);
        return false;
    };

    Capture read;
    qsizetype n = 0;
    while (n < lines.size() && lines[n].trimmed().startsWith(QLatin1Char('"'))) {
        const std::optional<QStringList> f = SplitRecord(lines[n]);
        if (!f || f->size() != 1 || !f->front().contains(kReadoutMark))
            return fail(n, QStringLiteral("a meter readout is expected."));
        if (read.readouts.size() == kMaxReadouts)
            return fail(n, QStringLiteral("more than %1 meter readouts.").arg(kMaxReadouts));
        const QString& text = f->front();
        const qsizetype mark = text.indexOf(kReadoutMark);
        read.readouts.append({text.left(mark), text.mid(mark + kReadoutMark.size())});
        ++n;
    }
    if (lines.size() - n < 6)
        return fail(lines.size(), QStringLiteral("the file ends in its header."));

    const std::optional<QStringList> limits = SplitRecord(lines[n]);
    if (!limits || limits->size() != 6)
        return fail(n, QStringLiteral("six scale limits are expected."));
    for (int i = 0; i < 6; ++i)
        if (!TryParseSingle(limits->at(i), read.limits[static_cast<size_t>(i)]))
            return fail(n, QStringLiteral("six scale limits are expected."));
    read.title = lines[n + 1];
    read.parameter = lines[n + 2];
    bool countOk = false;
    read.samples = lines[n + 3].trimmed().toInt(&countOk);
    if (!countOk || read.samples < 1 || read.samples > kMaxChannelSamples)
        return fail(n + 3,
                    QStringLiteral("the sample count must be 1 to %1.").arg(kMaxChannelSamples));
    const std::optional<QStringList> offset = SplitRecord(lines[n + 4]);
    if (!offset || offset->size() != 1)
        return fail(n + 4, QStringLiteral("the trigger offset is missing."));
    read.offsetText = offset->front();
    if (!TryParseSingle(lines[n + 5], read.intervalUs))
        return fail(n + 5, QStringLiteral("the sample interval is not a number."));
    n += 6;

    const qsizetype expected = qsizetype(read.samples) * read.channels();
    const qsizetype present = lines.size() - n;
    if (present > expected)
        return fail(n + expected,
                    QStringLiteral("more than the %1 samples the file announces.").arg(expected));
    if (present < expected)
        return fail(
            lines.size(),
            QStringLiteral("the file ends after %1 of %2 samples.").arg(present).arg(expected));
    read.values.resize(expected);
    for (int c = 0; c < read.channels(); ++c)
        for (int i = 0; i < read.samples; ++i) {
            const qsizetype at = n + fileIndex(read, c, i);
            if (!TryParseSingle(lines[at], read.values[qsizetype(c) * read.samples + i]))
                return fail(at, QStringLiteral("a sample is not a number."));
        }
    capture = read;
    return true;
}

} // namespace ostrel
