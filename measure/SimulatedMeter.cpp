#include "measure/SimulatedMeter.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/Harmonics.h"

#include <QStringList>

#include <cmath>

namespace ostrel {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;

double powerFactor(bool dc) {
    return dc ? 1.0 : std::cos(SimulatedMeter::kLoadLagDegrees * kTwoPi / 360.0);
}

QString number(double v) {
    return FormatNumber(v, u"0.0####");
}

} // namespace

SimulatedMeter::SimulatedMeter(Program& program, quint32 seed) : program_(program), random_(seed) {}

double SimulatedMeter::spread(double value, double fraction) {
    return value * (1.0 + fraction * (random_.generateDouble() * 2.0 - 1.0));
}

double SimulatedMeter::volts() const {
    const PhaseState& p = program_.outputState.Phase[static_cast<size_t>(phase_)];
    return program_.outputState.OutputMode == ModeDC ? p.DcVoltage : p.Voltage;
}

void SimulatedMeter::trace(const QString& text) {
    program_.busTrace.add(text);
}

void SimulatedMeter::send(const QString& command) {
    if (program_.link.state.traceCommands) trace(command);
    for (const QString& part : command.toLower().split(QStringLiteral(";:")))
        apply(part.trimmed());
}

void SimulatedMeter::apply(const QString& p) {
    if (p.startsWith(QLatin1String("inst:nsel ")))
        phase_ = std::clamp(p.mid(10).toInt() - 1, 0, 2);
    else if (p.startsWith(QLatin1String("sens:swe:tint ")))
        intervalSeconds_ = std::max(1e-7, Val(p.mid(14)));
    else if (p == QLatin1String("whm:stat 1") || p == QLatin1String("whm:stat on")) {
        meterOn_ = true;
        metering_.restart();
    } else if (p == QLatin1String("whm:stat 0") || p == QLatin1String("whm:stat off"))
        meterOn_ = false;
}

QString SimulatedMeter::lastPart(const QString& command) {
    if (program_.link.state.traceCommands) trace(command);
    QStringList parts = command.toLower().split(QStringLiteral(";:"));
    const QString last = parts.takeLast().trimmed();
    for (const QString& part : std::as_const(parts))
        apply(part.trimmed());
    return last;
}

QString SimulatedMeter::query(const QString& command, double) {
    const QString reply = answer(lastPart(command));
    if (program_.link.state.traceResponses) trace(QStringLiteral("<-- ") + reply);
    return reply;
}

QString SimulatedMeter::answer(const QString& q) {
    const OutputState& out = program_.outputState;
    const PhaseState& p = out.Phase[static_cast<size_t>(phase_)];
    const bool dc = out.OutputMode == ModeDC;
    const double v = volts();
    const double i = amps();
    if (q == QLatin1String("syst:err?")) return QStringLiteral("0,\"No error\"");
    if (q == QLatin1String("sens:swe:tint?")) return QString::number(intervalSeconds_, 'E', 6);
    if (q == QLatin1String("whm:stat?"))
        return meterOn_ ? QStringLiteral("ON") : QStringLiteral("OFF");
    if (q == QLatin1String("whm:etim?")) {
        const qint64 ms = meterOn_ ? metering_.elapsed() : 0;
        return QStringLiteral("%1,%2,%3,%4")
            .arg(ms / 3600000)
            .arg(ms / 60000 % 60)
            .arg(ms / 1000 % 60)
            .arg(ms % 1000);
    }
    if (q == QLatin1String("whm:who?")) {
        const double hours = meterOn_ ? metering_.elapsed() / 3.6e6 : 0;
        return number(v * i * powerFactor(program_.outputState.OutputMode == ModeDC) * hours);
    }
    if (q.contains(QLatin1String("freq"))) return number(dc ? 0 : spread(out.Frequency, 1e-4));
    if (q.contains(QLatin1String("harm:thd"))) return number(dc ? 0 : spread(0.4, 0.25));
    if (q.endsWith(QLatin1String("volt:dc?"))) return number(spread(dc ? v : p.DcOffset, 0.002));
    if (q.endsWith(QLatin1String("volt:ac?")) || q.endsWith(QLatin1String("volt?")))
        return number(spread(v, 0.002));
    if (q.contains(QLatin1String("curr:ampl:max")))
        return number(spread(i * std::sqrt(2.0), 0.005));
    if (q.contains(QLatin1String("curr:cres")))
        return number(dc ? 1 : spread(std::sqrt(2.0), 0.005));
    if (q.contains(QLatin1String("curr"))) return number(spread(i, 0.003));
    if (q.contains(QLatin1String("pow:ac:pfac"))) return number(spread(powerFactor(dc), 0.001));
    if (q.contains(QLatin1String("pow:ac:app"))) return number(spread(v * i, 0.004));
    if (q.contains(QLatin1String("pow"))) return number(spread(v * i * powerFactor(dc), 0.004));
    if (q.contains(QLatin1String("phas"))) return number(p.PhaseAngle);
    return {};
}

QByteArray SimulatedMeter::queryArray(const QString& command, double, int maxValues, QString&) {
    const QString last = lastPart(command);
    const bool current = last.contains(QLatin1String(":curr"));
    QString reply;
    if (last.contains(QLatin1String("harm")))
        reply = harmonics(current, last.contains(QLatin1String("phas")));
    else
        reply = samples(current, maxValues);
    if (program_.link.state.traceResponses)
        trace(QStringLiteral("<-- ") + reply.left(200) + QStringLiteral("..."));
    return reply.toLatin1();
}

QString SimulatedMeter::harmonics(bool current, bool phases) {
    const PhaseState& p = program_.outputState.Phase[static_cast<size_t>(phase_)];
    const double fundamental = current ? amps() : volts();
    QStringList values;
    for (int h = 0; h < kHarmonicRows; ++h) {
        double v = 0;
        if (phases)
            v = h == 1 ? p.PhaseAngle - (current ? kLoadLagDegrees : 0.0)
                       : random_.bounded(360.0) - 180.0;
        else if (h == 0)
            v = current ? p.DcOffset / kLoadOhms : p.DcOffset;
        else if (h == 1)
            v = spread(fundamental, 0.002);
        else
            v = fundamental * (h % 2 ? 0.004 : 0.0008) / h * random_.generateDouble();
        values << QString::number(v, 'E', 4);
    }
    return values.join(QLatin1Char(','));
}

QString SimulatedMeter::samples(bool current, int count) {
    const OutputState& out = program_.outputState;
    const PhaseState& p = out.Phase[static_cast<size_t>(phase_)];
    const double scale = current ? 1.0 / kLoadOhms : 1.0;
    const bool dc = out.OutputMode == ModeDC;
    const double peak = dc ? 0 : p.Voltage * std::sqrt(2.0);
    const double offset = dc ? p.DcVoltage : p.DcOffset;
    const double lag = current && !dc ? kLoadLagDegrees : 0.0;
    const double angle = (p.PhaseAngle - lag) * kTwoPi / 360.0;
    QStringList values;
    values.reserve(count);
    for (int n = 0; n < count; ++n) {
        const double t = n * intervalSeconds_;
        const double v = peak * std::sin(kTwoPi * out.Frequency * t + angle) + offset;
        values << QString::number(spread(v * scale, 0.002), 'g', 6);
    }
    return values.join(QLatin1Char(','));
}

} // namespace ostrel
