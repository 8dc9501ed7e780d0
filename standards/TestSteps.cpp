#include "standards/TestSteps.h"

#include "link/Numbers.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <cmath>

namespace ostrel {

namespace {

const QString kLink = QStringLiteral("Link");

std::optional<int> CellInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Loop empty, 0 or not a number: one pass.
int LoopCount(const QString& text) {
    const std::optional<int> loop = CellInteger(text);
    return loop && *loop > 0 ? *loop : 1;
}

double DwellOf(const StepGrid& grid, int row, int dwellColumn, QChar sep) {
    const std::optional<double> d = CellNumber(grid.cell(row, dwellColumn), sep);
    return d ? *d : 0.001;
}

} // namespace

namespace {

// Digits with at most one point, an optional sign and exponent: no grouping, no words.
bool plainNumber(QStringView t) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
    int digits = 0;
    bool point = false;
    for (; i < n; ++i) {
        if (t[i].isDigit() && t[i].unicode() < 128) {
            ++digits;
        } else if (t[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
        const qsizetype start = i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128) ++i;
        if (i == start) return false;
    }
    return i == n;
}

} // namespace

std::optional<double> CellNumber(const QString& text, QChar decimalSeparator) {
    QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    if (decimalSeparator != QLatin1Char('.')) t.replace(decimalSeparator, QLatin1Char('.'));
    if (!plainNumber(t)) return std::nullopt;
    const double value = t.toDouble();
    return std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

bool IsMax(const QString& text) {
    return text.trimmed().compare(QLatin1String("MAX"), Qt::CaseInsensitive) == 0;
}

int FindColumn(const StepGrid& grid, const QString& header) {
    for (int c = 1; c <= grid.columnCount(); ++c)
        if (grid.headers[c] == header) return c;
    return 0;
}

int LastStepOfGroup(const StepGrid& grid, int row) {
    const int column = FindColumn(grid, kLink);
    if (column == 0) return row;
    const int link = std::max(0, CellInteger(grid.cell(row, column)).value_or(0));
    return int(std::min<qint64>(qint64(row) + link, grid.rowCount()));
}

std::vector<StepGroupSpan> StepGroups(const StepGrid& grid) {
    std::vector<StepGroupSpan> groups;
    for (int r = 1; r <= grid.rowCount();) {
        const int last = std::max(r, LastStepOfGroup(grid, r));
        groups.push_back({r, last});
        r = last + 1;
    }
    return groups;
}

double StepGroupTime(const StepGrid& grid, int row, QChar sep) {
    const int dwellColumn = FindColumn(grid, QStringLiteral("Dwell"));
    const int loopColumn = FindColumn(grid, QStringLiteral("Loop"));
    const int last = LastStepOfGroup(grid, row);
    double dwell = 0;
    for (int r = row; r <= last; ++r)
        dwell += DwellOf(grid, r, dwellColumn, sep);
    return dwell * LoopCount(grid.cell(row, loopColumn));
}

double TotalTestTime(const StepGrid& grid, QChar sep) {
    double total = 0;
    for (const StepGroupSpan& g : StepGroups(grid))
        total += StepGroupTime(grid, g.first, sep);
    return total;
}

QString FormatDuration(double seconds) {
    const qint64 whole = std::max<qint64>(0, std::llround(seconds));
    const qint64 days = whole / 86400;
    const qint64 rest = whole % 86400;
    return QStringLiteral("%1:%2:%3:%4")
        .arg(days, 3, 10, QLatin1Char('0'))
        .arg(rest / 3600, 2, 10, QLatin1Char('0'))
        .arg(rest / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(rest % 60, 2, 10, QLatin1Char('0'));
}

double RangeMaximum(const SourceModel& m, const OutputState& out) {
    const bool high = out.HighRange != 0;
    if (out.OutputMode == ModeDC) return high ? m.DcPosHigh : m.DcPosLow;
    return high ? m.VoltHighRange : m.VoltLowRange;
}

int CheckVoltages(const StepGrid& grid, bool threePhase, double maximum, QChar sep) {
    QStringList names{QStringLiteral("Volt_A")};
    if (threePhase) names << QStringLiteral("Volt_B") << QStringLiteral("Volt_C");
    int marked = 0;
    for (const QString& name : names) {
        const int column = FindColumn(grid, name);
        if (column == 0) continue;
        for (int r = 1; r <= grid.rowCount(); ++r) {
            const std::optional<double> v = CellNumber(grid.cell(r, column), sep);
            if (v && *v > maximum) marked = std::max(marked, r);
        }
    }
    return marked;
}

int CheckFrequencies(const StepGrid& grid, double minHz, double maxHz, QChar sep) {
    const int column = FindColumn(grid, QStringLiteral("Freq"));
    int marked = 0;
    if (column == 0) return 0;
    for (int r = 1; r <= grid.rowCount(); ++r) {
        const std::optional<double> f = CellNumber(grid.cell(r, column), sep);
        if (f && (*f < minHz || *f > maxHz)) marked = r;
    }
    return marked;
}

QString CheckStepColumns(const StepGrid& grid) {
    static const std::pair<int, const char*> fixed[] = {{ColFreq, "Freq"},   {3, "Volt_A"},
                                                        {6, "Volt_B"},       {9, "Volt_C"},
                                                        {ColDwell, "Dwell"}, {ColLoop, "Loop"}};
    for (const auto& [column, header] : fixed)
        if (grid.headers.value(column) != QLatin1String(header))
            return QStringLiteral("ERROR: Test file column %1 must be headed \"%2\".")
                .arg(column)
                .arg(QLatin1String(header));
    return {};
}

QString CheckStepCells(const StepGrid& grid, bool dc, bool threePhase, QChar sep) {
    const auto notNumber = [&](int r, int c) {
        return QStringLiteral("ERROR: Row %1, column \"%2\": \"%3\" is not a number.")
            .arg(r)
            .arg(grid.headers.value(c), grid.cell(r, c));
    };
    const int phases = threePhase ? 3 : 1;
    const int linkColumn = FindColumn(grid, kLink);
    for (int r = 1; r <= grid.rowCount(); ++r) {
        std::vector<std::pair<int, bool>> numbers; // column, slew (MAX allowed)
        if (!dc) numbers.push_back({ColFreq, false}), numbers.push_back({ColFreqSlew, true});
        for (int p = 1; p <= phases; ++p)
            numbers.push_back({3 * p, false}), numbers.push_back({3 * p + 1, true});
        numbers.push_back({ColDwell, false});
        for (const auto& [c, slew] : numbers) {
            const QString text = grid.cell(r, c);
            if (slew && IsMax(text)) continue;
            if (!CellNumber(text, sep)) return notNumber(r, c);
        }
        for (int c : {int(ColLoop), linkColumn}) {
            if (c == 0) continue;
            const QString text = grid.cell(r, c).trimmed();
            if (!text.isEmpty() && !CellInteger(text)) return notNumber(r, c);
        }
    }
    return {};
}

QString CheckGroupSizes(const StepGrid& grid) {
    for (const StepGroupSpan& g : StepGroups(grid))
        if (g.steps() > kMaxGroupSteps)
            return QStringLiteral("ERROR: The step group starting on row %1 has %2 steps; at most "
                                  "%3 steps can run as one group.")
                .arg(g.first)
                .arg(g.steps())
                .arg(kMaxGroupSteps);
    return {};
}

} // namespace ostrel
