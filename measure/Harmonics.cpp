#include "measure/Harmonics.h"

#include "link/Numbers.h"
#include "measure/ArrayReply.h"
#include "measure/MeasurementLog.h"
#include "measure/StandardMeasurement.h"
#include "measure/WriteRecords.h"

#include <cmath>

namespace ostrel {

namespace {

constexpr double kTwoPi = 6.28318530717958647692;
// A misbehaving source must not keep the error drain going for ever.
constexpr int kMaxErrorReads = 16;

QString parameterWord(bool current) {
    return current ? QStringLiteral("curr") : QStringLiteral("volt");
}

// Fills the first rows of `column` from an array reply; a refused reply changes nothing.
bool readColumn(SourceIo& io, const QString& command, std::array<float, kHarmonicRows>& column,
                const HarmonicStatus& report) {
    if (io.lost()) return false;
    QString error;
    const QByteArray reply = io.queryArray(command, 4.0, kHarmonicRows, error);
    if (error.isEmpty() && reply.trimmed().isEmpty())
        error = QStringLiteral("The source did not answer \"%1\".").arg(command);
    const ArrayReply parsed =
        error.isEmpty() ? ParseArrayReply(reply, BlockNumberForm::Single, kHarmonicRows, command)
                        : ArrayReply{{}, error};
    if (!parsed.ok()) {
        // A lost link has told the operator already.
        if (report.error && !io.lost()) report.error(parsed.error);
        return false;
    }
    for (qsizetype i = 0; i < parsed.values.size(); ++i)
        column[static_cast<size_t>(i)] = parsed.values[i];
    return true;
}

void readThd(SourceIo& io, const QString& command, float& value) {
    float v = 0;
    if (TryParseSingle(io.query(command, 3.0), v)) value = v;
}

} // namespace

const QString kNoFundamentalNote =
    QStringLiteral("The fundamental is 0: relative values cannot be shown.");

bool IsCurrentParameter(const QString& name) {
    return name.left(7) == QLatin1String("Current");
}

QString AcquisitionDate(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" , ") +
           when.toString(QStringLiteral("HH:mm:ss"));
}

std::optional<float> RelativePercent(float amplitude, float fundamental) {
    if (fundamental == 0 || !std::isfinite(fundamental)) return std::nullopt;
    return amplitude / (fundamental / 100.0f);
}

std::array<float, kTimeDomainPoints> TimeDomain(const HarmonicSet& set) {
    std::array<double, kTimeDomainPoints> sum{};
    for (int h = 1; h < kHarmonicRows; ++h) {
        const double amplitude = set.amplitude[static_cast<size_t>(h)];
        if (amplitude == 0) continue;
        double phase = set.phase[static_cast<size_t>(h)];
        if (phase < 0) phase += 360;
        const double phaseRad = phase / 360.0 * kTwoPi;
        for (int t = 0; t < kTimeDomainPoints; ++t)
            sum[static_cast<size_t>(t)] += amplitude * std::sin(kTwoPi / 360.0 * h * t + phaseRad);
    }
    std::array<float, kTimeDomainPoints> y{};
    for (size_t t = 0; t < y.size(); ++t)
        y[t] = static_cast<float>(sum[t]);
    return y;
}

bool AcquireHarmonics(const HarmonicRequest& request, SourceIo& io, MeasurementState& state,
                      HarmonicData& data, const QDateTime& now, const HarmonicStatus& report) {
    const auto status = [&](const QString& text) {
        if (report.status) report.status(text);
    };
    const QString letter = PhaseLetter(request.phase);
    const QString word = parameterWord(request.current);
    HarmonicSet& set = data.set(request.current);
    data.date = AcquisitionDate(now);
    data.parameter = request.current ? QStringLiteral("Current") : QStringLiteral("Voltage");
    data.frequency = request.frequency;

    bool switched = false;
    if (request.acMode && !state.senseCouplingSwitched) {
        io.send(QStringLiteral("sens:coup dc"));
        state.senseCouplingSwitched = switched = true;
    }
    status(QStringLiteral("Retrieving Phase ") + letter +
           QStringLiteral(" Harmonic Amplitude Data..."));
    const bool amplitudes =
        readColumn(io,
                   QStringLiteral("inst:nsel %1;:meas:arr:").arg(request.phase + 1) + word +
                       QStringLiteral(":harm?"),
                   set.amplitude, report);
    for (int i = 0; i < kMaxErrorReads && !io.lost(); ++i) {
        const QString error = io.checkError().trimmed();
        if (error.isEmpty()) break;
        if (report.error) report.error(error);
    }
    status(QStringLiteral("Retrieving Phase ") + letter +
           QStringLiteral(" Harmonic Phase Data..."));
    const bool phases = readColumn(
        io, QStringLiteral("fetch:arr:") + word + QStringLiteral(":harm:phas?"), set.phase, report);
    if (switched) {
        io.send(QStringLiteral("sens:coup ac"));
        state.senseCouplingSwitched = false;
    }

    status(QStringLiteral("Retrieving Total Harmonic Distortion values from AC source..."));
    readThd(io, QStringLiteral("inst:nsel %1;:meas:volt:harm:thd?").arg(request.phase + 1),
            data.voltageThd);
    readThd(io, QStringLiteral("meas:curr:harm:thd?"), data.currentThd);
    status(QStringLiteral("Use left mouse button to zoom graph..."));
    return amplitudes && phases && !io.lost();
}

QString HarmonicLogHeader(bool dateTimeStamp, bool harmonicPhases, QChar delimiter) {
    QStringList names;
    if (dateTimeStamp)
        names << QStringLiteral("Date") << QStringLiteral("Time");
    else
        names << QStringLiteral("Time_serial");
    names << QStringLiteral("Phase") << QStringLiteral("DC");
    if (harmonicPhases) names << QStringLiteral("blank");
    for (int n = 1; n < kHarmonicRows; ++n) {
        names << QString::number(n);
        if (harmonicPhases) names << QStringLiteral("Phs%1").arg(n);
    }
    for (QString& n : names)
        n = QuotedField(n);
    return names.join(delimiter);
}

QString HarmonicLogRow(const HarmonicSet& set, const QDateTime& now, int phase, bool dateTimeStamp,
                       bool harmonicPhases, QChar delimiter) {
    QString row = LogTimeStamp(now, dateTimeStamp, delimiter) + delimiter + PhaseLetter(phase);
    for (int i = 0; i < kHarmonicRows; ++i) {
        row += delimiter + FormatScientific(set.amplitude[static_cast<size_t>(i)]);
        if (harmonicPhases) row += delimiter + FormatScientific(set.phase[static_cast<size_t>(i)]);
    }
    return row;
}

} // namespace ostrel
