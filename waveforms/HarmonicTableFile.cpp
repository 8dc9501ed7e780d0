#include "waveforms/HarmonicTableFile.h"

#include "measure/WriteRecords.h"

namespace ostrel {

namespace {

const QString kKind = QStringLiteral("harmonic table");

QString invariant(const QString& cell, QChar separator) {
    QString t = cell.trimmed();
    if (separator != QLatin1Char('.')) t.replace(separator, QLatin1Char('.'));
    return t;
}

} // namespace

std::optional<HarmonicTable> ReadHarmonicTableFile(const QString& path, QChar separator,
                                                   QString& error) {
    QStringList lines;
    if (!ReadRecordFile(path, kKind, lines, error)) return std::nullopt;
    const auto fail = [&](qsizetype line, const QString& why) {
        error = QStringLiteral("%1, line %2: %3").arg(path).arg(line + 1).arg(why);
        return std::nullopt;
    };
    if (lines.size() > kHarmonicTableRows)
        return fail(
            kHarmonicTableRows,
            QStringLiteral("a harmonic table holds at most %1 rows.").arg(kHarmonicTableRows));
    HarmonicTable table{};
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const std::optional<QStringList> fields = SplitRecord(lines[n]);
        if (!fields || fields->size() != 4)
            return fail(n, QStringLiteral("\"%1\" is not four quoted fields.").arg(lines[n]));
        QString cells[4];
        for (int i = 0; i < 4; ++i) {
            const QString text = (*fields)[i].trimmed();
            // Older files hold the separator of the machine that wrote them.
            if (!HarmonicCellValue(text, QLatin1Char('.')) && !HarmonicCellValue(text, separator))
                return fail(n, QStringLiteral("\"%1\" is not a number.").arg(text));
            cells[i] = CellText(invariant(text, separator), separator);
        }
        table[n] = {cells[0], cells[1], cells[2], cells[3]};
    }
    return table;
}

bool WriteHarmonicTableFile(const QString& path, const HarmonicTable& table, QChar separator,
                            QString& error) {
    QStringList records;
    for (const HarmonicRow& row : table) {
        QStringList fields;
        // A cell that does not hold a number counts as empty: the file must read back.
        for (const QString* cell :
             {&row.oddAmplitude, &row.oddPhase, &row.evenAmplitude, &row.evenPhase})
            fields << QuotedField(HarmonicCellValue(*cell, separator) ? invariant(*cell, separator)
                                                               : QString());
        records << fields.join(QLatin1Char(','));
    }
    return WriteRecordFile(path, records, kKind, error);
}

} // namespace ostrel
