#include "transients/PointListCommands.h"

#include "link/Numbers.h"
#include "link/QueryReader.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The list a column loads, and the mask its numbers go out with ("" = as typed).
struct ColumnList {
    const char* list;
    const char* mask;
};

constexpr ColumnList kColumnLists[kPointColumns] = {
    {"list:dwell", "0.0000"},
    {"list:freq", "0.00"},
    {"list:freq:slew", "0.0000"},
    {"inst:nsel 1;:list:volt", "##0.0"},
    {"list:volt:slew", "0.0000"},
    {"list:shap", ""},
    {"inst:nsel 2;:list:volt", "##0.0"},
    {"list:volt:slew", "0.0000"},
    {"list:shap", ""},
    {"inst:nsel 3;:list:volt", "##0.0"},
    {"list:volt:slew", "0.0000"},
    {"list:shap", ""},
    {"list:rep", "#0"},
    {"list:ttlt", "#0"},
};

// A source reports "max" as this number.
constexpr float kMaxReported = 9.8e37f;

bool isSlew(int column) {
    return column == ColFreqSlew || column == ColSlewA || column == ColSlewB || column == ColSlewC;
}

int countOf(const PointTable& t, int column) {
    int gap = 0;
    return ColumnCount(t.columns[size_t(column)], gap);
}

// "list:dwell 1.0000,0.5000": each cell with the column's mask; the word
// max as typed; function names as typed.
bool listLine(const PointTable& t, int column, QString& line, QString& refusal) {
    const QString mask = QLatin1String(kColumnLists[column].mask);
    QStringList values;
    const QStringList& cells = t.columns[size_t(column)];
    for (int row = 0; row < countOf(t, column); ++row) {
        const QString cell = cells[row].trimmed();
        if (mask.isEmpty() ||
            (isSlew(column) && cell.compare(QLatin1String("max"), Qt::CaseInsensitive) == 0)) {
            values << cell;
            continue;
        }
        float v = 0;
        if (!TryParseSingle(cell, v)) {
            refusal = QStringLiteral("Row %1 of column %2 (%3): \"%4\" is not a number.")
                          .arg(row + 1)
                          .arg(column + 1)
                          .arg(PointColumnHeading(column), cell) +
                      kCrLf + QStringLiteral("Nothing was sent.");
            return false;
        }
        values << FormatNumber(v, mask);
    }
    line = QLatin1String(kColumnLists[column].list) + QLatin1Char(' ') +
           values.join(QLatin1Char(','));
    return true;
}

QString selectedShort(int select) {
    static const char* const kNames[] = {"Frequency list", "Voltage phase A list",
                                          "Voltage phase B list", "Voltage phase C list"};
    return QLatin1String(kNames[select]) + QStringLiteral(" is selected but not") + kCrLf +
           QStringLiteral("all data is entered. Run aborted.");
}

// The columns a selection sends: frequency and its slew, or a phase's
// voltage, slew and (with function lists) function.
QList<int> columnsOf(int select, const PointListTarget& target) {
    if (select == SelectFreq) return {ColFreq, ColFreqSlew};
    const int phase = select - SelectVoltA;
    QList<int> c{VoltColumn(phase), SlewColumn(phase)};
    if (target.vkFamily) c << FunctionColumn(phase);
    return c;
}

bool selectable(int select, const PointListTarget& target) {
    if (select == SelectFreq) return !target.dc;
    return select == SelectVoltA || target.outputs == 3;
}

} // namespace

PointListLines PointListWriteCommands(const PointTable& t, const PointListTarget& target) {
    PointListLines out;
    bool any = false;
    for (int s = SelectFreq; s <= SelectVoltC; ++s)
        any = any || (t.select[size_t(s)] && selectable(s, target));
    if (!any) {
        out.refusal = QStringLiteral("None of the available list systems") + kCrLf +
                      QStringLiteral("is selected. Nothing do to.");
        return out;
    }
    for (int c = 0; c < kPointColumns; ++c) {
        int gap = 0;
        if (ColumnCount(t.columns[size_t(c)], gap) < 0) {
            out.refusal = QStringLiteral("Column %1 (%2) has an empty cell above row %3.")
                              .arg(c + 1)
                              .arg(PointColumnHeading(c))
                              .arg(gap) +
                          kCrLf + QStringLiteral("Nothing was sent.");
            return out;
        }
    }
    const int dwells = countOf(t, ColDwell);
    for (int s = SelectFreq; s <= SelectVoltC; ++s) {
        if (!t.select[size_t(s)] || !selectable(s, target)) continue;
        for (int c : columnsOf(s, target))
            if (countOf(t, c) < dwells) {
                out.refusal = selectedShort(s);
                return out;
            }
    }
    if (dwells == 0 || countOf(t, ColListRepeat) == 0) {
        out.refusal = QStringLiteral("Dwell or repeat list") + kCrLf +
                      QStringLiteral("has no data. Run aborted.");
        return out;
    }

    const auto add = [&](int column) {
        QString line;
        if (!listLine(t, column, line, out.refusal)) return false;
        out.lines << line;
        return true;
    };
    if (!add(ColDwell) || !add(ColListRepeat)) return {{}, out.refusal};
    if (countOf(t, ColAcqTrig) == 0)
        out.lines << QStringLiteral("list:ttlt 0");
    else if (!add(ColAcqTrig))
        return {{}, out.refusal};
    if (!target.dc) {
        if (t.select[SelectFreq]) {
            out.lines << QStringLiteral("freq:mode list;:freq:slew:mode list");
            if (!add(ColFreq) || !add(ColFreqSlew)) return {{}, out.refusal};
        } else {
            out.lines << QStringLiteral("freq:mode fix;:freq:slew:mode fix");
        }
    }
    if (target.outputs == 3) out.lines << QStringLiteral("inst:coup none");
    for (int phase = 0; phase < target.outputs; ++phase) {
        const QString select = QStringLiteral("inst:nsel %1").arg(phase + 1);
        if (!t.select[size_t(SelectVoltA + phase)]) {
            out.lines << select + QStringLiteral(";:volt:mode fix;:volt:slew:mode fix");
            continue;
        }
        out.lines << select + QStringLiteral(";:volt:mode list;:volt:slew:mode list");
        if (!add(VoltColumn(phase)) || !add(SlewColumn(phase))) return {{}, out.refusal};
        if (target.vkFamily) {
            out.lines << QStringLiteral("func:mode list");
            if (!add(FunctionColumn(phase))) return {{}, out.refusal};
        }
    }
    return out;
}

QStringList PointListRunSetup(const PointTable& t, const PointListTarget& target,
                              double acquisitionOffsetMs) {
    QStringList lines;
    lines << (t.once ? QStringLiteral("list:step once;:list:coun ")
                     : QStringLiteral("list:step auto;:list:coun ")) +
                 QString::number(t.listCount);
    static const char* const kSources[] = {"imm", "ext", "bus"};
    lines << QStringLiteral("trig:tran:source ") +
                 QLatin1String(kSources[std::clamp(t.triggerSource, 0, 2)]);
    lines << (t.retrigger ? QStringLiteral("init:cont:seq1 1") : QStringLiteral("init:cont:seq1 0"));
    if (countOf(t, ColAcqTrig) > 0) {
        if (target.vkFamily)
            lines << QStringLiteral("sens:swe:offs ") +
                         FormatNumber(acquisitionOffsetMs / 1000.0, u"0.000");
        lines << QStringLiteral("outp:ttlt:sour list;:outp:ttlt 1;:trig:acq:sour ttlt");
    } else {
        lines << QStringLiteral("outp:ttlt 0;:trig:acq:sour imm");
    }
    lines << (t.startAtAngle ? QStringLiteral(":trig:sync:phas ") +
                                   FormatNumber(t.startAngle, u"##0.0") +
                                   QStringLiteral(";:trig:sync:sour phas")
                             : QStringLiteral(":trig:sync:sour imm"));
    return lines;
}

QStringList PointListStartCommands(const PointTable& t) {
    if (countOf(t, ColAcqTrig) > 0) return {QStringLiteral(":init:seq3"), QStringLiteral(":init:seq1")};
    return {QStringLiteral(":init:seq1")};
}

QueryFailure ReadPointLists(Program& program, const PointListTarget& target, PointTable& table,
                            QString& note) {
    QueryReader read{program, {}};
    std::array<QStringList, kPointColumns> columns;
    QStringList longer;
    for (int c = 0; c < kPointColumns && !read.failure; ++c) {
        const bool phaseColumn = c >= ColVoltA && c <= ColFunctionC;
        const int phase = phaseColumn ? (c - ColVoltA) / 3 : 0;
        if (phaseColumn && phase >= target.outputs) continue;
        if ((c == ColFreq || c == ColFreqSlew) && target.dc) continue;
        if (phaseColumn && c == FunctionColumn(phase) && !target.vkFamily) continue;
        const QString list = QLatin1String(kColumnLists[c].list);
        const std::optional<float> points = read.number(list + QStringLiteral(":points?"));
        if (!points || *points < 1) continue;
        const std::optional<QString> reply = read.text(list + QLatin1Char('?'));
        if (!reply) break;
        QStringList values = reply->split(QLatin1Char(','));
        if (values.size() > kMaxListPoints) {
            longer << QStringLiteral("%1 (%2 points)").arg(PointColumnHeading(c)).arg(values.size());
            values = values.mid(0, kMaxListPoints);
        }
        for (QString& v : values) {
            v = v.trimmed();
            v.remove(QLatin1Char('"'));
            float number = 0;
            if (isSlew(c) && TryParseSingle(v, number) && number >= kMaxReported)
                v = QStringLiteral("max");
        }
        columns[size_t(c)] = values;
    }
    const std::optional<QueryResult> count = read.optional(QStringLiteral("list:coun?"));
    if (read.failure) return read.failure;
    table.columns = columns;
    float n = 1;
    table.listCount =
        count && count->ok() && TryParseSingle(count->text.trimmed(), n) && n >= 1 && n <= 65535 ? int(n) : 1;
    note.clear();
    if (!longer.isEmpty())
        note = QStringLiteral("The source holds more than %1 points in ").arg(kMaxListPoints) +
               longer.join(QStringLiteral(", ")) +
               QStringLiteral("; the first %1 are shown.").arg(kMaxListPoints);
    return {};
}

} // namespace ostrel
