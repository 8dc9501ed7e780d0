#include "iec/IecPlan.h"

#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

QString volts(double v) {
    return FormatNumber(v, u"##0.00");
}
// Dwells keep the 50 Hz texts ("0.020") and give 60 Hz cycles exactly ("0.008333").
QString seconds(double s) {
    return FormatNumber(s, u"0.000###");
}
QString slew(double vPerS) {
    return FormatNumber(vPerS, u"0.000");
}

// The least whole number of cycles that holds `cycles` and `rest` seconds:
// each repetition starts on the same point of the wave, so it keeps its angle.
double alignedSeconds(double cycles, double rest, double fnom) {
    const double k = std::ceil(cycles + rest * fnom - 1e-9);
    return k / fnom;
}

QStringList syncLines(double angle) {
    return {QStringLiteral(":trig:sync:phas ") + IecSyncAngle(angle) +
            QStringLiteral(";:trig:sync:sour phas")};
}

const QString kStart = QStringLiteral(":init:cont:name tran,0;:init:name tran");

IecStep dipStep(const IecTestFile& f, int row) {
    const IecDip& d = f.dips[size_t(row)];
    IecStep s;
    s.row = row;
    s.level = d.level;
    s.cycles = d.cycles;
    s.phase = IecSyncAngle(d.startPhase);
    s.repetitions = f.seqRepeat;
    s.dwell = seconds(d.cycles / f.frequency);
    const double period = alignedSeconds(d.cycles, f.seqDuration, f.frequency);
    s.recovery = seconds(period - Val(s.dwell));
    s.program << QStringLiteral(":list:dwell ") + s.dwell + QLatin1Char(',') + s.recovery +
                     QStringLiteral(";:list:volt ") + volts(f.voltage * d.level / 100.0) +
                     QLatin1Char(',') + volts(f.voltage) +
                     QStringLiteral(";:list:volt:slew max;:list:rep 0");
    s.program << syncLines(d.startPhase);
    s.start << kStart;
    s.seconds = (Val(s.dwell) + Val(s.recovery)) * f.seqRepeat;
    s.pause = f.pauses();
    s.delayAfter = f.delayAfter(d.delay);
    return s;
}

// Fall (none when td = 0), hold, rise, then the blank phase at Unom.
IecStep variationStep(const IecTestFile& f, int row) {
    const IecVariation& v = f.variations[size_t(row)];
    const double fn = f.frequency;
    const double level = f.voltage * v.level / 100.0;
    const double du = f.voltage - level;
    IecStep s;
    s.row = row;
    s.level = v.level;
    s.td = f.fallTime;
    s.ts = f.holdTime;
    s.ti = f.riseTime;
    s.phase = IecSyncAngle(0);
    s.repetitions = f.seqRepeat;
    QStringList dwells, levels, slews;
    if (f.fallTime > 0) {
        dwells << seconds(f.fallTime / fn);
        levels << volts(level);
        slews << slew(du / (f.fallTime / fn));
    }
    dwells << seconds(f.holdTime / fn);
    levels << volts(level);
    slews << QStringLiteral("max");
    dwells << seconds(f.riseTime / fn);
    levels << volts(f.voltage);
    slews << slew(du / (f.riseTime / fn));
    double sent = 0;
    for (const QString& d : dwells)
        sent += Val(d);
    const double period = alignedSeconds(f.fallTime + f.holdTime + f.riseTime, kBlankSeconds, fn);
    dwells << seconds(period - sent);
    levels << volts(f.voltage);
    slews << QStringLiteral("max");
    s.dwell = dwells.first();
    s.recovery = dwells.last();
    s.program << QStringLiteral(":list:dwell ") + dwells.join(QLatin1Char(',')) +
                     QStringLiteral(";:list:volt ") + levels.join(QLatin1Char(',')) +
                     QStringLiteral(";:list:volt:slew ") + slews.join(QLatin1Char(',')) +
                     QStringLiteral(";:list:rep 0");
    s.program << syncLines(0);
    s.start << kStart;
    s.seconds = (sent + Val(s.recovery)) * f.seqRepeat;
    s.pause = f.pauses();
    s.delayAfter = f.delayAfter(v.delay);
    return s;
}

} // namespace

QString IecSyncAngle(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    QString text = FormatNumber(a, u"##0.0");
    if (text == QLatin1String("360.0")) text = QStringLiteral("0.0");
    return text;
}

QString IecTestTimeText(double total) {
    const qint64 s = qint64(std::llround(total));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

IecPlan PlanIecTest(const IecTestFile& f, const IecPlanOptions& o) {
    IecPlan p;
    p.init << (o.threePhase ? QStringLiteral("abort;:inst:coup all;")
                            : QStringLiteral("abort;:inst:coup none;")) +
                  QStringLiteral(":volt ") + volts(f.voltage) + QLatin1Char(';');
    p.init << QStringLiteral("freq ") + FormatNumber(f.frequency, u"##0.0");
    p.init << QStringLiteral(":trig:tran:source imm;:list:step auto;:list:coun ") +
                  QString::number(f.seqRepeat) +
                  QStringLiteral(";:freq:mode fix;:freq:slew:mode fix;") +
                  (o.advanced ? QStringLiteral(":func:mode fix;") : QString()) +
                  QStringLiteral(":volt:mode list;:volt:slew:mode list");
    for (int i = 0; i < std::max(1, o.outputs); ++i)
        p.closeRelay << QStringLiteral("outp 1");
    p.check << QStringLiteral("inst:nsel 1");
    if (o.table == IecTable::Dips) {
        for (int i = 0; i < int(f.dips.size()); ++i)
            p.steps.push_back(dipStep(f, i));
    } else {
        for (int i = 0; i < int(f.variations.size()); ++i)
            if (f.variations[size_t(i)].level >= 0) p.steps.push_back(variationStep(f, i));
    }
    p.end << QStringLiteral("abort;:volt:mode fix;:volt:slew:mode fix");
    p.end << QStringLiteral("volt ") + volts(f.voltage);
    p.seconds = kInitSettleSeconds + f.preTestDelay;
    if (f.includePeak) p.seconds += IecInrushSeconds();
    for (const IecStep& s : p.steps)
        p.seconds += s.seconds + (s.pause ? 0 : s.delayAfter);
    return p;
}

IecInrushPlan PlanIecInrush(const IecTestFile& f, double angle) {
    IecInrushPlan p;
    p.zero << QStringLiteral("abort;:volt:mode fix;:volt 0");
    p.attempt << QStringLiteral("meas:curr:ampl:res");
    p.attempt << QStringLiteral(":list:dwell ") + seconds(kInrushPointSeconds) +
                     QStringLiteral(";:list:volt ") + volts(f.voltage) +
                     QStringLiteral(";:list:volt:slew max;:list:rep 0;:list:ttlt 1;:list:coun 1");
    p.attempt << syncLines(angle);
    p.attempt << QStringLiteral(":volt:mode list");
    p.attempt << QStringLiteral("trig:acq:sour ttlt");
    p.attempt << QStringLiteral(":outp:ttlt on;:outp:ttlt:sour list");
    p.attempt << QStringLiteral("init:name acq");
    p.attempt << QStringLiteral("init:name tran");
    p.peakQuery = QStringLiteral("fetc:curr:ampl:max?");
    p.pause << QStringLiteral("abort;:volt:mode fix;:volt ") + volts(f.voltage);
    p.finish << QStringLiteral("outp:ttlt:sour eot;:outp:ttlt 0");
    p.finish << QStringLiteral("list:ttlt 0");
    p.finish << QStringLiteral(":list:coun ") + QString::number(f.seqRepeat) +
                    QStringLiteral(";:volt:mode list");
    return p;
}

double IecInrushSeconds() {
    return 2 * (kInrushZeroSeconds + kInrushPointSeconds) + kInrushPauseSeconds;
}

double IecInrushCapability(double currentMax) {
    return kInrushCapabilityFactor * std::sqrt(2.0) * currentMax;
}

bool IecInrushTooHigh(double peak, double currentMax) {
    return peak * kInrushMargin > IecInrushCapability(currentMax);
}

QString IecInrushText(double peak, double currentMax) {
    return (IecInrushTooHigh(peak, currentMax) ? QStringLiteral("Peak inrush current is TOO HIGH, ")
                                               : QStringLiteral("Peak inrush current is OK, ")) +
           FormatNumber(peak, u"###0.000") + QStringLiteral(" Amps");
}

} // namespace ostrel
