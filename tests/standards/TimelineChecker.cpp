#include "TimelineChecker.h"

#include "link/Numbers.h"
#include "standards/TestSteps.h"

#include <QFile>
#include <QJsonDocument>

#include <cmath>
#include <optional>

namespace ostrel::test {

namespace {

constexpr double kTimeTolerance = 1e-6;

QString event(const QJsonObject& e) {
    return e.value(QLatin1String("event")).toString();
}
double at(const QJsonObject& e) {
    return e.value(QLatin1String("t")).toDouble();
}
bool near(double a, double b, double tolerance = 1e-6) {
    return std::abs(a - b) <= tolerance;
}

std::optional<double> number(const StepGrid& g, int row, int column) {
    return CellNumber(g.cell(row, column), QLatin1Char('.'));
}

QString expectedWave(const QString& cell) {
    const QString w = cell.trimmed().toUpper();
    return w.isEmpty() || w == QLatin1String("SINE") ? QStringLiteral("SINUSOID") : w;
}

// The output record of `phase` written at the point's start.
const QJsonObject* outputAt(const std::vector<QJsonObject>& events, size_t pointIndex, int phase) {
    const double t = at(events[pointIndex]);
    for (size_t i = pointIndex + 1; i < events.size() && near(at(events[i]), t, kTimeTolerance); ++i)
        if (event(events[i]) == QLatin1String("output") && events[i].value(QLatin1String("phase")).toInt() == phase)
            return &events[i];
    return nullptr;
}

void checkLevel(QStringList& problems, const QString& where, const QJsonObject& out, const char* key,
                double level, std::optional<double> rate) {
    const QJsonObject ramp = out.value(QLatin1String("ramps")).toObject().value(QLatin1String(key)).toObject();
    if (!ramp.isEmpty()) {
        if (!near(ramp.value(QLatin1String("to")).toDouble(), level, 1e-3))
            problems << where + QStringLiteral(": ramps to %1, not %2").arg(ramp.value(QLatin1String("to")).toDouble()).arg(level);
        if (!rate)
            problems << where + QStringLiteral(": ramps although its slew is MAX");
        else if (!near(ramp.value(QLatin1String("rate")).toDouble(), *rate, 1e-3))
            problems << where + QStringLiteral(": ramps at %1, not %2").arg(ramp.value(QLatin1String("rate")).toDouble()).arg(*rate);
        return;
    }
    if (!near(out.value(QLatin1String(key)).toDouble(), level, 1e-3))
        problems << where + QStringLiteral(": %1 is %2, not %3").arg(QLatin1String(key)).arg(out.value(QLatin1String(key)).toDouble()).arg(level);
}

} // namespace

std::vector<QJsonObject> TimelineRecords(const QString& path) {
    std::vector<QJsonObject> records;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return records;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty()) records.push_back(QJsonDocument::fromJson(line).object());
    return records;
}

QStringList CheckTimeline(const std::vector<QJsonObject>& events, const TimelineExpectation& x) {
    QStringList problems;
    std::vector<size_t> initiates;
    for (size_t i = 0; i < events.size(); ++i)
        if (event(events[i]) == QLatin1String("initiate")) initiates.push_back(i);
    const std::vector<StepGroupSpan> groups = StepGroups(x.grid);
    if (initiates.size() != groups.size()) {
        problems << QStringLiteral("%1 initiates for %2 step groups").arg(initiates.size()).arg(groups.size());
        return problems;
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        const StepGroupSpan& span = groups[g];
        const QString group = QStringLiteral("group at row %1").arg(span.first);
        const QJsonObject& init = events[initiates[g]];
        bool loopOk = false;
        const int loop = x.grid.cell(span.first, ColLoop).toInt(&loopOk);
        const int count = loopOk && loop > 0 ? loop : 1;
        if (init.value(QLatin1String("points")).toInt() != span.steps())
            problems << group + QStringLiteral(": initiate with %1 points").arg(init.value(QLatin1String("points")).toInt());
        if (init.value(QLatin1String("count")).toInt() != count)
            problems << group + QStringLiteral(": initiate with count %1, Loop %2").arg(init.value(QLatin1String("count")).toVariant().toString()).arg(count);
        const size_t end = g + 1 < initiates.size() ? initiates[g + 1] : events.size();
        std::vector<size_t> points;
        std::optional<double> finished;
        for (size_t i = initiates[g]; i < end; ++i) {
            if (event(events[i]) == QLatin1String("point")) points.push_back(i);
            if (event(events[i]) == QLatin1String("complete") && !finished) finished = at(events[i]);
        }
        if (points.size() != size_t(span.steps() * count)) {
            problems << group + QStringLiteral(": %1 points for %2 steps x %3 passes").arg(points.size()).arg(span.steps()).arg(count);
            continue;
        }
        if (!x.dc && !points.empty()) {
            const double angle = std::fmod(events[points[0]].value(QLatin1String("angle")).toDouble() + 360.0, 360.0);
            if (std::min(angle, 360.0 - angle) > 1.0)
                problems << group + QStringLiteral(": starts at phase A angle %1").arg(angle);
        }
        for (size_t k = 0; k < points.size(); ++k) {
            const QJsonObject& p = events[points[k]];
            const int row = span.first + int(k % size_t(span.steps()));
            const QString where = QStringLiteral("row %1 pass %2").arg(row).arg(k / size_t(span.steps()) + 1);
            if (p.value(QLatin1String("pass")).toInt() != int(k / size_t(span.steps())) + 1)
                problems << where + QStringLiteral(": point of pass %1").arg(p.value(QLatin1String("pass")).toInt());
            const double dwell = number(x.grid, row, ColDwell).value_or(-1);
            const double next = k + 1 < points.size() ? at(events[points[k + 1]]) : finished.value_or(-1);
            if (!near(next - at(p), dwell, 1e-4))
                problems << where + QStringLiteral(": lasts %1 s, dwell %2 s").arg(next - at(p)).arg(dwell);
            const double f = number(x.grid, row, ColFreq).value_or(0);
            for (int phase = 1; phase <= x.phases; ++phase) {
                const QString wherePhase = where + QStringLiteral(" phase %1").arg(QChar(u'A' + phase - 1));
                const QJsonObject* out = outputAt(events, points[k], phase);
                if (!out) {
                    problems << wherePhase + QStringLiteral(": no output record at the point start");
                    continue;
                }
                const double factor = x.factors.at(f, phase - 1, x.dc);
                const double level = FormatNumber(number(x.grid, row, 3 * phase).value_or(0) * factor, u"##0.0").toDouble();
                const QString slew = x.grid.cell(row, 3 * phase + 1);
                std::optional<double> rate;
                if (!IsMax(slew))
                    rate = FormatNumber(number(x.grid, row, 3 * phase + 1).value_or(0) * factor, u"####0.0000").toDouble();
                checkLevel(problems, wherePhase, *out, x.dc ? "vdc" : "vac", level, rate);
                if (x.dc) continue;
                const QString wave = out->value(QLatin1String("wave")).toString();
                if (wave != expectedWave(x.grid.cell(row, 3 * phase + 2)))
                    problems << wherePhase + QStringLiteral(": wave %1").arg(wave);
                std::optional<double> freqRate;
                if (!IsMax(x.grid.cell(row, ColFreqSlew))) freqRate = number(x.grid, row, ColFreqSlew);
                checkLevel(problems, wherePhase, *out, "freq", FormatNumber(f, u"##0.0").toDouble(), freqRate);
            }
        }
    }
    return problems;
}

} // namespace ostrel::test
