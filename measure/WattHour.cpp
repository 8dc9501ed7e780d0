#include "measure/WattHour.h"

#include "link/Numbers.h"

#include <algorithm>

namespace ostrel {

namespace {

constexpr double kSecondsPerPoint = 3600.0 / kPlotPointsPerHour;

QString clockText(double seconds) {
    const qint64 s = static_cast<qint64>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

bool WattHourRunning(const QString& reply) {
    return reply.contains(QLatin1String("on"), Qt::CaseInsensitive) ||
           reply.contains(QLatin1Char('1'));
}

QString ElapsedText(const QString& reply) {
    const QString trimmed = reply.trimmed();
    if (trimmed.isEmpty()) return {};
    const QStringList fields = trimmed.split(QLatin1Char(','));
    QStringList shown;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const double v = Val(fields[i]);
        shown << FormatNumber(v, i + 1 < fields.size() ? u"00" : u"000");
    }
    return shown.join(QLatin1Char(':'));
}

int ClampPlotSpan(int hours) {
    return std::clamp(hours, 1, 168);
}

WattHourMeter::WattHourMeter(MeasurementState& state, SourceIo& io, int phases, bool selectable)
    : state_(state), io_(io), phases_(std::clamp(phases, 1, 3)), selectable_(selectable) {}

WattHourMeter::~WattHourMeter() {
    state_.wattHourBusy = false;
}

bool WattHourMeter::queryRunning() {
    return WattHourRunning(io_.query(QStringLiteral("whm:stat?"), 1.0));
}

void WattHourMeter::start() {
    io_.send(QStringLiteral("whm:stat 1"));
    energy_ = {};
    plot_.clear();
    lastPoint_ = -1;
    elapsed_ = QStringLiteral("00:00:00:000");
}

void WattHourMeter::stop() {
    io_.send(QStringLiteral("whm:stat 0"));
    state_.wattHourBusy = false;
}

void WattHourMeter::setPlotSpan(int hours) {
    span_ = ClampPlotSpan(hours);
    const int capacity = span_ * kPlotPointsPerHour;
    if (plot_.size() > capacity) plot_.remove(0, plot_.size() - capacity);
}

void WattHourMeter::readEnergy(int index) {
    float v = 0;
    if (TryParseSingle(io_.query(QStringLiteral("whm:who?"), 1.0), v)) energy_[index] = v;
}

TickResult WattHourMeter::tick(double elapsedSeconds) {
    if (inTick_) return TickResult::Overlapped;
    if (state_.measurementBusy) {
        state_.wattHourBusy = false;
        return TickResult::Waiting;
    }
    // Whatever happens inside, the tick ends with both marks cleared.
    struct Busy {
        WattHourMeter& m;
        explicit Busy(WattHourMeter& meter) : m(meter) { m.inTick_ = m.state_.wattHourBusy = true; }
        ~Busy() { m.inTick_ = m.state_.wattHourBusy = false; }
    } busy(*this);

    const QString elapsed = ElapsedText(io_.query(QStringLiteral("whm:etim?"), 1.0));
    if (io_.lost()) return TickResult::Lost;
    if (!elapsed.isEmpty()) elapsed_ = elapsed;
    io_.send(QStringLiteral("inst:coup none"));
    for (int n = 0; n < phases_; ++n) {
        io_.send(QStringLiteral("inst:nsel %1").arg(n + 1));
        readEnergy(n);
    }
    if (selectable_) {
        io_.send(QStringLiteral("inst:coup all"));
        readEnergy(3);
    } else {
        energy_[3] = energy_[0];
    }
    if (io_.lost()) return TickResult::Lost;
    if (lastPoint_ < 0 || elapsedSeconds - lastPoint_ >= kSecondsPerPoint) {
        lastPoint_ = elapsedSeconds;
        plot_.append({clockText(elapsedSeconds), energy_});
        setPlotSpan(span_);
    }
    return TickResult::Read;
}

} // namespace ostrel
