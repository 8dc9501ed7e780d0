#include "IecTimeline.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <vector>

namespace ostrel::test {

namespace {

struct Point {
    double t, dwell, angle, vac;
    int index;
};

// Each list point with phase A's level at its start.
std::vector<Point> points(const QString& path) {
    std::vector<Point> list;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return list;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        const QString event = o.value(QStringLiteral("event")).toString();
        if (event == QLatin1String("point")) {
            list.push_back({o.value(QStringLiteral("t")).toDouble(),
                            o.value(QStringLiteral("dwell")).toDouble(),
                            o.value(QStringLiteral("angle")).toDouble(), -1,
                            o.value(QStringLiteral("index")).toInt()});
        } else if (event == QLatin1String("output") && !list.empty() && list.back().vac < 0 &&
                   o.value(QStringLiteral("phase")).toInt() == 1) {
            list.back().vac = o.value(QStringLiteral("vac")).toDouble();
        }
    }
    return list;
}

double angleGap(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

} // namespace

QString CheckIecTimeline(const QString& path, const IecTestFile& f) {
    const std::vector<Point> list = points(path);
    size_t at = 0;
    for (size_t row = 0; row < f.dips.size(); ++row) {
        const IecDip& d = f.dips[row];
        for (int rep = 1; rep <= f.seqRepeat; ++rep) {
            const QString where = QStringLiteral("row %1 repetition %2: ").arg(row + 1).arg(rep);
            while (at < list.size() && list[at].index != 0)
                ++at;
            if (at + 1 >= list.size()) return where + QStringLiteral("no dip point");
            const Point& dip = list[at];
            const Point& back = list[at + 1];
            if (std::fabs(dip.vac - f.voltage * d.level / 100.0) > 0.01 * f.voltage)
                return where + QStringLiteral("level %1 V").arg(dip.vac);
            if (std::fabs(dip.dwell * f.frequency - d.cycles) > 0.01)
                return where + QStringLiteral("%1 cycles").arg(dip.dwell * f.frequency);
            if (angleGap(dip.angle, d.startPhase) > 1)
                return where + QStringLiteral("starts at %1°").arg(dip.angle);
            if (back.index != 1 || std::fabs(back.vac - f.voltage) > 0.01 * f.voltage ||
                back.dwell < f.seqDuration - 1e-6)
                return where + QStringLiteral("not followed by Unom for %1 s").arg(f.seqDuration);
            at += 2;
        }
    }
    return {};
}

} // namespace ostrel::test
