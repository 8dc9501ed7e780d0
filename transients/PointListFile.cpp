#include "transients/PointListFile.h"

#include "link/Numbers.h"
#include "measure/WriteRecords.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kKind = QStringLiteral("transient list");
constexpr int kHeaderLines = 6;

QString flag(bool on) {
    return on ? QStringLiteral("-1") : QStringLiteral("0");
}

bool isSlewColumn(int c) {
    return c == ColFreqSlew || c == ColSlewA || c == ColSlewB || c == ColSlewC;
}
bool isFunctionColumn(int c) {
    return c == ColFunctionA || c == ColFunctionB || c == ColFunctionC;
}

// Reads one header or point line, failing with the file and line named.
class Lines {
public:
    Lines(const QString& path, const QStringList& lines) : path_(path), lines_(lines) {}

    bool fail(int line, const QString& why) {
        if (error_.isEmpty()) error_ = QStringLiteral("%1, line %2: %3.").arg(path_).arg(line).arg(why);
        return false;
    }
    const QString& error() const { return error_; }

    std::optional<QStringList> fields(int line, int expected) {
        const std::optional<QStringList> f = SplitRecord(lines_.value(line - 1));
        if (!f) {
            fail(line, QStringLiteral("a quoted field is not closed"));
            return std::nullopt;
        }
        if (f->size() != expected) {
            fail(line, QStringLiteral("%1 fields expected, %2 found").arg(expected).arg(f->size()));
            return std::nullopt;
        }
        return f;
    }
    bool integer(int line, const QString& text, int min, int max, const char* what, int& out) {
        bool ok = false;
        const int v = text.trimmed().toInt(&ok);
        if (!ok || v < min || v > max)
            return fail(line, QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4")
                                  .arg(QLatin1String(what), text.trimmed())
                                  .arg(min)
                                  .arg(max));
        out = v;
        return true;
    }
    // -1 or 0, as the option values are written.
    bool option(int line, const QString& text, const char* what, bool& out) {
        const QString t = text.trimmed();
        if (t != QLatin1String("-1") && t != QLatin1String("0"))
            return fail(line, QStringLiteral("%1 \"%2\" is not -1 or 0").arg(QLatin1String(what), t));
        out = t == QLatin1String("-1");
        return true;
    }

private:
    QString path_;
    const QStringList& lines_;
    QString error_;
};

bool cellOk(int column, const QString& cell) {
    const QString t = cell.trimmed();
    if (t.isEmpty() || isFunctionColumn(column)) return true;
    if (isSlewColumn(column) && t.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0) return true;
    float v = 0;
    return TryParseSingle(t, v);
}

} // namespace

bool WritePointListFile(const QString& path, const PointTable& table, QString& error) {
    // Every cell is written in double quotes: a quote or a line break inside
    // one would make a file that cannot be read back.
    for (int c = 0; c < kPointColumns; ++c) {
        const QStringList& cells = table.columns[size_t(c)];
        for (qsizetype r = 0; r < cells.size(); ++r)
            if (cells[r].contains(QLatin1Char('"')) || cells[r].contains(QLatin1Char('\n')) ||
                cells[r].contains(QLatin1Char('\r'))) {
                error = QStringLiteral("The transient list file %1 was not written. Row %2, "
                                       "column %3 (%4): a double quote or a line break cannot "
                                       "be stored.")
                            .arg(path)
                            .arg(r + 1)
                            .arg(c + 1)
                            .arg(PointColumnHeading(c));
                return false;
            }
    }
    QStringList records;
    QString comment = table.comment;
    comment.replace(QLatin1String("\r\n"), QLatin1String(" "));
    comment.replace(QLatin1Char('\n'), QLatin1Char(' '));
    comment.replace(QLatin1Char('\r'), QLatin1Char(' '));
    records << comment;
    QStringList second{QString::number(table.listCount)};
    for (bool s : table.select)
        second << QString::number(s ? 1 : 0);
    second << flag(table.startAtAngle) << flag(!table.startAtAngle);
    records << second.join(QLatin1Char(','));
    records << QString::number(table.startAngle, 'g', 10);
    records << QString::number(table.triggerSource);
    records << flag(!table.once) << flag(table.once);
    qsizetype rows = 0;
    for (const QStringList& c : table.columns)
        rows = std::max(rows, c.size());
    for (qsizetype r = 0; r < rows; ++r) {
        QStringList cells;
        for (const QStringList& c : table.columns)
            cells << QuotedField(c.value(r).trimmed());
        records << cells.join(QLatin1Char(','));
    }
    return WriteRecordFile(path, records, kKind, error);
}

std::optional<PointTable> ReadPointListFile(const QString& path, QString& error) {
    QStringList lines;
    if (!ReadRecordFile(path, kKind, lines, error)) return std::nullopt;
    Lines in(path, lines);
    PointTable t;
    if (lines.size() < kHeaderLines) {
        in.fail(lines.size() + 1, QStringLiteral("the header ends early (%1 lines of %2)")
                                      .arg(lines.size())
                                      .arg(kHeaderLines));
        error = in.error();
        return std::nullopt;
    }
    t.comment = lines[0];
    const auto second = in.fields(2, 7);
    bool random = false;
    bool autoPacing = false;
    float angle = 0;
    const bool headerOk =
        second && in.integer(2, (*second)[0], 1, 65535, "The list count", t.listCount) &&
        [&] {
            for (int i = 0; i < 4; ++i) {
                int v = 0;
                if (!in.integer(2, (*second)[1 + i], 0, 1, "A list selection", v)) return false;
                t.select[size_t(i)] = v == 1;
            }
            return true;
        }() &&
        in.option(2, (*second)[5], "\"Start at\"", t.startAtAngle) &&
        in.option(2, (*second)[6], "\"Start Randomly\"", random) &&
        (TryParseSingle(lines[2].trimmed(), angle) ||
         in.fail(3, QStringLiteral("the start angle \"%1\" is not a number").arg(lines[2].trimmed()))) &&
        in.integer(4, lines[3], 0, 2, "The trigger source", t.triggerSource) &&
        in.option(5, lines[4], "\"Auto\"", autoPacing) && in.option(6, lines[5], "\"Once\"", t.once);
    if (!headerOk) {
        error = in.error();
        return std::nullopt;
    }
    t.startAngle = angle;
    const qsizetype points = lines.size() - kHeaderLines;
    if (points > kMaxListPoints) {
        in.fail(kHeaderLines + kMaxListPoints + 1,
                QStringLiteral("more than %1 points").arg(kMaxListPoints));
        error = in.error();
        return std::nullopt;
    }
    for (qsizetype p = 0; p < points; ++p) {
        const int line = kHeaderLines + 1 + int(p);
        const auto cells = in.fields(line, kPointColumns);
        if (!cells) {
            error = in.error();
            return std::nullopt;
        }
        for (int c = 0; c < kPointColumns; ++c) {
            if (!cellOk(c, (*cells)[c])) {
                in.fail(line, QStringLiteral("column %1 (%2): \"%3\" is not a number")
                                  .arg(c + 1)
                                  .arg(PointColumnHeading(c), (*cells)[c].trimmed()));
                error = in.error();
                return std::nullopt;
            }
            t.columns[size_t(c)] << (*cells)[c].trimmed();
        }
    }
    for (int c = 0; c < kPointColumns; ++c) {
        int gapRow = 0;
        if (ColumnCount(t.columns[size_t(c)], gapRow) < 0) {
            in.fail(kHeaderLines + gapRow,
                    QStringLiteral("column %1 (%2) has a gap above row %3")
                        .arg(c + 1)
                        .arg(PointColumnHeading(c))
                        .arg(gapRow));
            error = in.error();
            return std::nullopt;
        }
        // Keep only the filled cells: the count is the column's own.
        QStringList& cells = t.columns[size_t(c)];
        while (!cells.isEmpty() && cells.back().isEmpty())
            cells.removeLast();
    }
    return t;
}

} // namespace ostrel
