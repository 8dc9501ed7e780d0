#include "transients/TransientListFile.h"

#include "config/FileNames.h"
#include "link/Numbers.h"
#include "measure/WriteRecords.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr int kHeaderLines = 13;
const QString kKind = QStringLiteral("transient list");

QString optionValue(bool on) {
    return on ? QStringLiteral("-1") : QStringLiteral("0");
}
QString checkValue(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Reads the records of one file; the first failure is kept, naming its line.
class RecordReader {
public:
    RecordReader(QString file, const QStringList& lines) : file_(std::move(file)), lines_(lines) {}

    // The fields of a record; a missing line or a wrong count fails.
    QStringList fields(int line, int expected, const char* what) {
        if (!ok()) return QStringList(expected);
        if (line > lines_.size()) {
            fail(line, QStringLiteral("the %1 is missing; the file ends at line %2")
                           .arg(QLatin1String(what))
                           .arg(lines_.size()));
            return QStringList(expected);
        }
        const std::optional<QStringList> split = SplitRecord(lines_[line - 1]);
        if (!split) {
            fail(line,
                 QStringLiteral("a quoted text of the %1 is not closed").arg(QLatin1String(what)));
            return QStringList(expected);
        }
        if (split->size() != expected) {
            fail(line, QStringLiteral("the %1 has %2 fields, %3 expected")
                           .arg(QLatin1String(what))
                           .arg(split->size())
                           .arg(expected));
            return QStringList(expected);
        }
        return *split;
    }

    // A whole number from min to max.
    int whole(int line, const QString& text, int min, int max, const char* what) {
        float v = 0;
        if (!ok()) return min;
        if (!TryParseSingle(text, v) || v != std::trunc(v) || v < static_cast<float>(min) ||
            v > static_cast<float>(max)) {
            fail(line, QStringLiteral("the %1 \"%2\" is not a whole number from %3 to %4")
                           .arg(QLatin1String(what), text.trimmed())
                           .arg(min)
                           .arg(max));
            return min;
        }
        return static_cast<int>(v);
    }

    // An option value (-1 set, 0 clear) or a check box (1 set); both kinds
    // are taken in either place.
    bool flag(int line, const QString& text, const char* what) {
        return whole(line, text, -1, 1, what) != 0;
    }

    void fail(int line, const QString& why) {
        if (ok()) error_ = QStringLiteral("%1, line %2: %3.").arg(file_).arg(line).arg(why);
    }
    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    int lineCount() const { return static_cast<int>(lines_.size()); }
    const QString& line(int n) const { return lines_[n - 1]; }

private:
    QString file_;
    const QStringList& lines_;
    QString error_;
};

} // namespace

QStringList TransientListRecords(const StepTable& t) {
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|\r|\n"));
    QString comment = t.comment;
    comment.replace(lineBreaks, QStringLiteral(" "));
    const int mask = (t.useSteadyState ? 1 : 0) | (t.phases[0] ? 2 : 0) | (t.phases[1] ? 4 : 0) |
                     (t.phases[2] ? 8 : 0);
    QStringList records{
        comment,
        QStringList{optionValue(t.relative), QuotedField(t.vnomText), QuotedField(t.fnomText)}.join(
            QLatin1Char(',')),
        checkValue(t.cycles),
        QString::number(mask),
        QString::number(t.continuous ? 1 : 0),
        QString::number(t.runCount),
        QString::number(static_cast<int>(t.triggerSource)),
        optionValue(t.autoPacing),
        optionValue(!t.autoPacing),
        checkValue(t.popup),
    };
    for (bool phase : t.phases)
        records.append(checkValue(phase));
    // A blank row ends the table as it runs, so one between steps is kept;
    // only the blank rows after the last step are left out.
    const auto blank = [](const StepRow& row) {
        return std::all_of(row.begin(), row.end(),
                           [](const QString& c) { return c.trimmed().isEmpty(); });
    };
    auto end = t.rows.end();
    while (end != t.rows.begin() && blank(*(end - 1)))
        --end;
    for (auto it = t.rows.begin(); it != end; ++it) {
        const StepRow& row = *it;
        QStringList cells;
        for (const QString& cell : row)
            cells.append(QuotedField(cell));
        records.append(cells.join(QLatin1Char(',')));
    }
    return records;
}

TransientListRead ParseTransientList(const QString& file, const QStringList& lines) {
    RecordReader r(file, lines);
    StepTable t;
    if (lines.size() < kHeaderLines)
        r.fail(lines.size() + 1, QStringLiteral("the settings end early: %1 lines of the %2 "
                                                "that come before the steps")
                                     .arg(lines.size())
                                     .arg(kHeaderLines));
    if (r.ok()) t.comment = r.line(1);

    const QStringList data = r.fields(2, 3, "data mode record");
    t.relative = r.flag(2, data[0], "data mode flag");
    t.vnomText = data[1].trimmed();
    t.fnomText = data[2].trimmed();
    t.cycles = r.flag(3, r.fields(3, 1, "time-in-cycles flag")[0], "time-in-cycles flag");
    const int mask = r.whole(4, r.fields(4, 1, "phase mask")[0], 0, 15, "phase mask");
    t.useSteadyState = (mask & 1) != 0;
    t.continuous = r.whole(5, r.fields(5, 1, "run mode")[0], 0, 1, "run mode") == 1;
    t.runCount = r.whole(6, r.fields(6, 1, "run count")[0], 1, 1000000, "run count");
    t.triggerSource = static_cast<TriggerSource>(
        r.whole(7, r.fields(7, 1, "trigger source")[0], 0, 2, "trigger source"));
    const bool autoFlag = r.flag(8, r.fields(8, 1, "Auto flag")[0], "Auto flag");
    const bool onceFlag = r.flag(9, r.fields(9, 1, "Once flag")[0], "Once flag");
    if (autoFlag == onceFlag)
        r.fail(8, QStringLiteral("exactly one of the Auto and Once flags must be set"));
    t.autoPacing = autoFlag;
    t.popup = r.flag(10, r.fields(10, 1, "popup flag")[0], "popup flag");
    for (int p = 0; p < 3; ++p)
        t.phases[p] = r.flag(11 + p, r.fields(11 + p, 1, "phase box")[0], "phase box");

    for (int line = kHeaderLines + 1; r.ok() && line <= r.lineCount(); ++line) {
        if (static_cast<int>(t.rows.size()) == kMaxStepRows) {
            r.fail(line, QStringLiteral("a table holds at most %1 steps").arg(kMaxStepRows));
            break;
        }
        const QStringList cells = r.fields(line, kStepColumns, "step");
        if (!r.ok()) break;
        if (!StepTypeFromName(cells[ColType])) {
            r.fail(line, QStringLiteral("\"%1\" is not a step type").arg(cells[ColType]));
            break;
        }
        StepRow row;
        for (int c = 0; c < kStepColumns; ++c)
            row[c] = cells[c].trimmed();
        t.rows.push_back(row);
    }

    TransientListRead result;
    if (r.ok())
        result.table = std::move(t);
    else
        result.error = r.error();
    return result;
}

TransientListRead ReadTransientList(const QString& path) {
    QStringList lines;
    TransientListRead result;
    if (!ReadRecordFile(path, kKind, lines, result.error)) return result;
    return ParseTransientList(QFileInfo(path).fileName(), lines);
}

QString UnstorableText(const StepTable& t) {
    const auto unstorable = UnstorableInRecord;
    const QString& why = kUnstorableReason;
    if (unstorable(t.vnomText)) return QStringLiteral("V_nom \"%1\": %2.").arg(t.vnomText, why);
    if (unstorable(t.fnomText)) return QStringLiteral("F_nom \"%1\": %2.").arg(t.fnomText, why);
    for (int r = 0; r < static_cast<int>(t.rows.size()); ++r)
        for (int c = 0; c < kStepColumns; ++c)
            if (unstorable(t.rows[r][c]))
                return QStringLiteral("Row %1, \"%2\": %3.")
                    .arg(r + 1)
                    .arg(StepColumnHeading(c, t.relative, t.cycles, false), why);
    return QString();
}

bool WriteTransientList(const QString& path, const StepTable& table, QString& error) {
    const QString problem = UnstorableText(table);
    if (!problem.isEmpty()) {
        error = QStringLiteral("The transient list file %1 was not written. %2").arg(path, problem);
        return false;
    }
    return WriteRecordFile(path, TransientListRecords(table), kKind, error);
}

QString TransientListPath(const QString& typed) {
    return WithDefaultExtension(typed, QStringLiteral("tls"));
}

} // namespace ostrel
