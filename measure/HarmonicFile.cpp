#include "measure/HarmonicFile.h"

#include "link/Numbers.h"
#include "measure/WriteRecords.h"

#include <QStringList>

namespace ostrel {

namespace {

constexpr int kRecords = 4 + kHarmonicRows;

bool numbers(const QString& line, int count, float* out) {
    const std::optional<QStringList> fields = SplitRecord(line);
    if (!fields || fields->size() != count) return false;
    for (int i = 0; i < count; ++i)
        if (!TryParseSingle(fields->at(i), out[i])) return false;
    return true;
}

bool text(const QString& line, QString& out) {
    const std::optional<QStringList> fields = SplitRecord(line);
    if (!fields || fields->size() != 1) return false;
    out = fields->front();
    return true;
}

} // namespace

bool WriteHarmonicFile(const QString& path, const HarmonicData& data, QString& error) {
    for (const QString* text : {&data.date, &data.parameter})
        if (UnstorableInRecord(*text)) {
            error = QStringLiteral("The harmonic data file %1 was not written: \"%2\": %3.")
                        .arg(path, *text, kUnstorableReason);
            return false;
        }
    const HarmonicSet& set = data.set(IsCurrentParameter(data.parameter));
    QStringList lines{
        QuotedField(data.date), QuotedField(data.parameter), NumberField(data.frequency),
        NumberField(data.voltageThd) + QLatin1Char(',') + NumberField(data.currentThd)};
    for (int i = 0; i < kHarmonicRows; ++i)
        lines << NumberField(set.amplitude[static_cast<size_t>(i)]) + QLatin1Char(',') +
                     NumberField(set.phase[static_cast<size_t>(i)]);
    return WriteRecordFile(path, lines, QStringLiteral("harmonic data"), error);
}

bool ReadHarmonicFile(const QString& path, HarmonicData& data, QString& error) {
    QStringList lines;
    if (!ReadRecordFile(path, QStringLiteral("harmonic data"), lines, error)) return false;
    for (QString& l : lines)
        l = l.trimmed();
    const auto fail = [&](int line, const QString& why) {
        error = QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(why);
        return false;
    };
    if (lines.size() > kRecords)
        return fail(kRecords + 1, QStringLiteral("more than %1 harmonic rows.").arg(kHarmonicRows));
    if (lines.size() < kRecords)
        return fail(lines.size() + 1,
                    QStringLiteral("the file ends before its %1 records.").arg(kRecords));

    HarmonicData read = data;
    float thd[2] = {};
    if (!text(lines[0], read.date))
        return fail(1, QStringLiteral("the acquisition date is not a text."));
    if (!text(lines[1], read.parameter) || read.parameter.isEmpty())
        return fail(2, QStringLiteral("the parameter name is missing."));
    if (!numbers(lines[2], 1, &read.frequency))
        return fail(3, QStringLiteral("the frequency is not a number."));
    if (!numbers(lines[3], 2, thd)) return fail(4, QStringLiteral("two THD values are expected."));
    read.voltageThd = thd[0];
    read.currentThd = thd[1];
    HarmonicSet& set = read.set(IsCurrentParameter(read.parameter));
    for (int i = 0; i < kHarmonicRows; ++i) {
        float row[2] = {};
        if (!numbers(lines[4 + i], 2, row))
            return fail(5 + i, QStringLiteral("an amplitude and a phase are expected."));
        set.amplitude[static_cast<size_t>(i)] = row[0];
        set.phase[static_cast<size_t>(i)] = row[1];
    }
    data = read;
    return true;
}

} // namespace ostrel
