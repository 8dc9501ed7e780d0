#include "measure/StandardMeasurement.h"

#include "link/Numbers.h"
#include "link/Waits.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cmath>

namespace ostrel {

namespace {

constexpr std::array<ReadoutInfo, kReadoutCount> kReadouts{{
    {"amp", "##0.00", "Vrms (V)", false},
    {"cur", "##0.000", "Irms (A)", false},
    {"phs", "##0.0", "PHS (\u00b0)", true},
    {"pwr", "#0.00", "PWR (KW)", false},
    {"app", "#0.00", "APP PWR (KVA)", true},
    {"pwf", "0.00", "PF", true},
    {"pkc", "##0.000", "Ipk (A)", true},
    {"crf", "#0.00", "CF", true},
    {"dcoff", "#0.00", "DCofs", false},
}};

constexpr double kPi = 3.14159265358979323846;

// The query of a readout that follows an averaging count: "fetc:" reads the
// last measurement, "meas:" takes a new one for every reply averaged.
QString averaged(int count, const char* item) {
    return QLatin1String(count <= 1 ? "fetc:" : "meas:") + QLatin1String(item);
}

std::optional<float> readMean(SourceIo& io, const ReadoutQuery& q) {
    double sum = 0;
    int got = 0;
    for (int i = 0; i < q.repeat && !io.lost(); ++i) {
        float v = 0;
        if (TryParseSingle(io.query(q.command, 1.0), v)) {
            sum += v;
            ++got;
        }
    }
    if (got == 0) return std::nullopt;
    return static_cast<float>(sum / got * q.scale);
}

std::optional<float> lineVoltage(std::optional<float> a, std::optional<float> b, float angle) {
    if (!a || !b) return std::nullopt;
    const double c = std::cos((180.0 - angle) * kPi / 180.0);
    const double square = double(*a) * *a + double(*b) * *b + 2.0 * *a * *b * c;
    return static_cast<float>(std::sqrt(std::max(0.0, square)));
}

} // namespace

const ReadoutInfo& ReadoutInfoOf(int readout) {
    return kReadouts.at(static_cast<size_t>(readout));
}

QChar PhaseLetter(int phase) {
    return QChar(u'A' + phase);
}

QString ReadoutColumn(int readout, int phase) {
    return QString::fromUtf8(ReadoutInfoOf(readout).column) + QStringLiteral(" [Phs") +
           PhaseLetter(phase) + QLatin1Char(']');
}

ReadoutQuery ChooseReadoutQuery(int readout, bool dcMode, int voltAverage, int currentAverage,
                                float firmwareRevision) {
    const int nv = std::max(1, voltAverage);
    const int nc = std::max(1, currentAverage);
    switch (readout) {
    case ReadVoltage:
        return {dcMode ? QStringLiteral("meas:volt:dc?") : averaged(voltAverage, "volt:ac?"), nv};
    case ReadCurrent:
        return {averaged(currentAverage, dcMode ? "curr:dc?" : "curr:ac?"), nc};
    case ReadPhase:
        return {QStringLiteral("fetc:phas?")};
    case ReadPower: {
        const bool dcPower = dcMode && firmwareRevision >= 0.25f;
        return {averaged(currentAverage, dcPower ? "pow:dc?" : "pow:ac?"), nc, 0.001};
    }
    case ReadApparentPower:
        return {averaged(currentAverage, "pow:ac:app?"), nc, 0.001};
    case ReadPowerFactor:
        return {QStringLiteral("fetc:pow:ac:pfac?")};
    case ReadPeakCurrent:
        return {QStringLiteral("meas:curr:ampl:max?")};
    case ReadCrestFactor:
        return {QStringLiteral("fetc:curr:cres?")};
    case ReadDcOffset:
        return {averaged(voltAverage, "volt:dc?"), nv};
    default:
        return {};
    }
}

CycleResult RunMeasurementCycle(const CycleRequest& request, SourceIo& io,
                                const ReadingIndicator& indicator) {
    CycleResult result;
    bool missing = false;
    if (request.dcMode) {
        io.query(QStringLiteral("inst:nsel 1;:meas:volt:dc?"), 1.0);
        result.frequency = QStringLiteral("DC");
    } else {
        float f = 0;
        if (TryParseSingle(io.query(QStringLiteral("meas:freq?"), 1.0), f))
            result.frequency = FormatNumber(f, u"###0.00");
        else
            missing = true;
    }
    for (int p = 0; p < kPhaseCount && !io.lost(); ++p) {
        if (!request.phases[p]) continue;
        if (request.selectablePhases) io.send(QStringLiteral("inst:nsel %1").arg(p + 1));
        for (int k = 0; k < kReadoutCount && !io.lost(); ++k) {
            if (!request.readouts[k]) continue;
            if (indicator) indicator(p, k, true);
            result.values[p][k] =
                readMean(io, ChooseReadoutQuery(k, request.dcMode, request.voltAverage,
                                                request.currentAverage, request.firmwareRevision));
            if (indicator) indicator(p, k, false);
            if (!result.values[p][k]) missing = true;
        }
    }
    result.complete = !missing && !io.lost();
    return result;
}

QString FormatReadout(int readout, float value) {
    return FormatNumber(value, QString::fromLatin1(ReadoutInfoOf(readout).mask));
}

LineVoltages LineToLine(const std::array<std::optional<float>, kPhaseCount>& v, float angleB,
                        float angleC) {
    return {lineVoltage(v[0], v[2], angleC), lineVoltage(v[0], v[1], angleB),
            lineVoltage(v[1], v[2], angleC - angleB)};
}

QStringList PeakResetCommands(const std::array<bool, kPhaseCount>& phases) {
    QStringList commands;
    for (int p = 0; p < kPhaseCount; ++p)
        if (phases[p])
            commands.append(
                QStringLiteral("inst:coup none;:inst:nsel %1;:meas:curr:ampl:res").arg(p + 1));
    return commands;
}

void RunRepeatLoop(MeasurementState& state, int intervalSeconds,
                   const std::function<void()>& cycle) {
    while (!state.stop) {
        QElapsedTimer clock;
        clock.start();
        cycle();
        const qint64 remaining = qint64(std::max(0, intervalSeconds)) * 1000 - clock.elapsed();
        if (state.stop) break;
        if (remaining > 0)
            WaitUntil([&state] { return state.stop; }, static_cast<int>(remaining), 50);
        else
            Delay(0);
    }
}

} // namespace ostrel
