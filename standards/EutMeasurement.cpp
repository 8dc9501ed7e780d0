#include "standards/EutMeasurement.h"

#include "link/Numbers.h"
#include "measure/StandardMeasurement.h"
#include "measure/WriteRecords.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double kQueryTimeout = 2.0;
// Bandwidth of the harmonic analysis: per phase in three-phase mode, else one channel's.
constexpr double kThreePhaseBandwidthHz = 6500;
constexpr double kSinglePhaseBandwidthHz = 19500;
// The revised harmonic limit allows for the voltage distortion the source itself adds.
constexpr float kVoltageDistortionAllowance = 1.25f;

std::optional<float> readNumber(SourceIo& io, const QString& query) {
    float v = 0;
    if (!TryParseSingle(io.query(query, kQueryTimeout), v) || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A value as the operator sees it, so a verdict agrees with the field it is judged on.
float shown(float value, const char* mask) {
    return ParseSingle(FormatNumber(value, QString::fromLatin1(mask)));
}

QString selectPhase(int phase) {
    return QStringLiteral("inst:coup none;:inst:nsel %1").arg(phase + 1);
}

} // namespace

QStringList TestFrequencyEntries() {
    QStringList entries{QStringLiteral("DC"), QStringLiteral("360_Hz")};
    for (int k = 2; k < kTestFrequencyCount; ++k)
        entries << QStringLiteral("%1_Hz").arg((k + 6) * 50);
    return entries;
}

double TestFrequencyHz(int index) {
    if (index <= 0) return 0;
    if (index == 1) return 360;
    return (std::min(index, kTestFrequencyCount - 1) + 6) * 50.0;
}

int TestFrequencyIndexFor(double hz, bool dcMode) {
    if (dcMode) return 0;
    int best = 1;
    for (int k = 2; k < kTestFrequencyCount; ++k)
        if (std::abs(TestFrequencyHz(k) - hz) < std::abs(TestFrequencyHz(best) - hz)) best = k;
    return best;
}

double TestFrequencyHz(const QStringList& entries, int index) {
    const QString text = entries.value(index);
    if (!text.endsWith(QLatin1String("_Hz"))) return 0;
    return text.chopped(3).toDouble();
}

int TestFrequencyIndexFor(const QStringList& entries, double hz, bool dcMode) {
    const int dc = int(entries.indexOf(QStringLiteral("DC")));
    if (dcMode) return std::max(0, dc);
    int best = -1;
    for (int k = 0; k < int(entries.size()); ++k) {
        if (TestFrequencyHz(entries, k) <= 0) continue;
        if (best < 0 || std::abs(TestFrequencyHz(entries, k) - hz) < std::abs(TestFrequencyHz(entries, best) - hz))
            best = k;
    }
    return std::max(0, best);
}

QString VerdictText(DistortionVerdict verdict) {
    switch (verdict) {
    case DistortionVerdict::Pass:
        return QStringLiteral("Pass");
    case DistortionVerdict::Fail:
        return QStringLiteral("Fail");
    case DistortionVerdict::NoLimit:
        return QStringLiteral("No limit");
    case DistortionVerdict::NoData:
        break;
    }
    return QStringLiteral("No data");
}

DistortionVerdict WorseVerdict(DistortionVerdict a, DistortionVerdict b) {
    const auto rank = [](DistortionVerdict v) {
        switch (v) {
        case DistortionVerdict::Pass:
            return 0;
        case DistortionVerdict::NoLimit:
            return 1;
        case DistortionVerdict::NoData:
            return 2;
        case DistortionVerdict::Fail:
            break;
        }
        return 3;
    };
    return rank(a) >= rank(b) ? a : b;
}

DistortionVerdict JudgeCurrentDistortion(float limit,
                                         const std::array<std::optional<float>, 3>& currentThd,
                                         bool threePhase) {
    const float bound = std::abs(limit);
    if (!(bound > 0)) return DistortionVerdict::NoLimit;
    const int phases = threePhase ? 3 : 1;
    bool fail = false;
    for (int p = 0; p < phases; ++p) {
        const std::optional<float>& thd = currentThd[static_cast<size_t>(p)];
        if (!thd) return DistortionVerdict::NoData;
        if (shown(*thd, "##0.00") > bound) fail = true;
    }
    return fail ? DistortionVerdict::Fail : DistortionVerdict::Pass;
}

int HarmonicBandwidthOrder(double frequency, bool threePhase) {
    if (!(frequency > 0)) return 0;
    const double bandwidth = threePhase ? kThreePhaseBandwidthHz : kSinglePhaseBandwidthHz;
    return static_cast<int>(std::min<double>(kLimitedHarmonics, std::floor(bandwidth / frequency)));
}

HarmonicVerdictTable BuildHarmonicTable(const HarmonicData& spectra, bool complete,
                                        double frequency, bool threePhase,
                                        const DistortionLimits& limits) {
    HarmonicVerdictTable table;
    const int order = HarmonicBandwidthOrder(frequency, threePhase);
    const float currentFundamental = spectra.current.amplitude[1];
    const float voltageFundamental = spectra.voltage.amplitude[1];
    for (int h = 1; h <= kLimitedHarmonics; ++h) {
        HarmonicVerdictRow& row = table[static_cast<size_t>(h - 1)];
        row.order = h;
        row.limit = limits.harmonic[static_cast<size_t>(h - 1)];
        if (!(frequency > 0)) continue; // no harmonics on a DC output
        row.frequency = h * frequency;
        if (h > order) {
            row.beyondBandwidth = true;
            continue;
        }
        if (!complete) continue;
        const float current = spectra.current.amplitude[static_cast<size_t>(h)];
        const float voltage = spectra.voltage.amplitude[static_cast<size_t>(h)];
        row.current = current;
        row.percentVFund = voltageFundamental != 0 ? voltage / voltageFundamental * 100 : 0.0f;
        if (currentFundamental != 0) row.percentFund = current / currentFundamental * 100;
        if (row.limit)
            row.revisedLimit = *row.limit + kVoltageDistortionAllowance * *row.percentVFund;
        if (!row.limit || !row.percentFund || shown(*row.revisedLimit, "#0.00") == 0) continue;
        row.verdict = shown(*row.percentFund, "#0.00") > shown(*row.revisedLimit, "#0.00")
                          ? QStringLiteral("Fail")
                          : QStringLiteral("Pass");
    }
    return table;
}

QStringList HarmonicRowTexts(const HarmonicVerdictRow& row, QChar decimalSeparator) {
    const auto text = [&](const std::optional<float>& v, const char* mask) {
        QString t = FormatReading(v, mask);
        if (decimalSeparator != u'.') t.replace(u'.', decimalSeparator);
        return t;
    };
    QStringList cells;
    cells << (row.frequency > 0 ? text(static_cast<float>(row.frequency), "####0.0") : QString());
    cells << (row.beyondBandwidth ? QStringLiteral("BWL") : text(row.current, "##0.000"));
    cells << text(row.percentFund, "#0.00") << text(row.limit, "##0.00")
          << text(row.percentVFund, "#0.00") << text(row.revisedLimit, "#0.00") << row.verdict;
    return cells;
}

QVector<int> FailingHarmonics(const HarmonicVerdictTable& table) {
    QVector<int> orders;
    for (const HarmonicVerdictRow& row : table)
        if (row.verdict == QLatin1String("Fail")) orders << row.order;
    return orders;
}

PhaseMeasurement MeasurePhase(int phase, const EutConditions& conditions, SourceIo& io) {
    PhaseMeasurement m;
    io.send(selectPhase(phase));
    m.error = io.checkError().trimmed();
    if (!m.error.isEmpty()) return m;
    const bool ac = !conditions.dcMode;
    if (phase == 0 && ac) m.frequency = readNumber(io, QStringLiteral("fetc:freq?"));
    const QString prefix = conditions.advanced ? QStringLiteral("fetc:") : QStringLiteral("meas:");
    EutPhaseReadings& r = m.readings;
    r.voltage =
        readNumber(io, ac ? QStringLiteral("meas:volt:ac?") : QStringLiteral("meas:volt:dc?"));
    r.current =
        readNumber(io, prefix + (ac ? QStringLiteral("curr:ac?") : QStringLiteral("curr:dc?")));
    r.power =
        readNumber(io, prefix + (ac ? QStringLiteral("pow:ac:app?") : QStringLiteral("pow:dc?")));
    r.peakCurrent = readNumber(io, QStringLiteral("meas:curr:ampl:max?"));
    if (ac) r.powerFactor = readNumber(io, prefix + QStringLiteral("pow:ac:pfac?"));
    if (conditions.advanced) {
        r.currentThd = readNumber(io, prefix + QStringLiteral("curr:harm:thd?"));
        r.voltageThd = readNumber(io, prefix + QStringLiteral("volt:harm:thd?"));
    }
    m.ok = !io.lost();
    if (!m.ok) m.error = QStringLiteral("The connection to the power source was lost.");
    return m;
}

QString FormatReading(const std::optional<float>& value, const char* mask) {
    return value ? FormatNumber(*value, QString::fromLatin1(mask)) : QString();
}

EutPhaseTexts PhaseTexts(const EutPhaseReadings& r) {
    return {FormatReading(r.voltage, "##0.00"),    FormatReading(r.current, "##0.000"),
            FormatReading(r.power, "###0.0"),      FormatReading(r.peakCurrent, "##0.00"),
            FormatReading(r.powerFactor, "0.000"), FormatReading(r.currentThd, "##0.00"),
            FormatReading(r.voltageThd, "##0.00")};
}

QStringList ResetPeakCommands(bool threePhase) {
    if (!threePhase) return {QStringLiteral("meas:curr:ampl:reset")};
    QStringList commands;
    for (int p = 1; p <= 3; ++p)
        commands << QStringLiteral("inst:nsel %1;:meas:curr:ampl:res").arg(p);
    return commands;
}

std::array<std::optional<float>, 3> ResetPeak(const EutConditions& conditions, SourceIo& io) {
    for (const QString& c : ResetPeakCommands(conditions.threePhase))
        io.send(c);
    std::array<std::optional<float>, 3> peaks{};
    const int phases = conditions.threePhase ? 3 : 1;
    for (int p = 0; p < phases && !io.lost(); ++p) {
        if (conditions.threePhase) io.send(selectPhase(p));
        peaks[static_cast<size_t>(p)] = readNumber(io, QStringLiteral("meas:curr:ampl:max?"));
    }
    return peaks;
}

std::optional<float> TotalPower(const std::array<EutPhaseReadings, 3>& phases, int count) {
    float sum = 0;
    for (int p = 0; p < count; ++p) {
        if (!phases[static_cast<size_t>(p)].power) return std::nullopt;
        sum += *phases[static_cast<size_t>(p)].power;
    }
    return sum;
}

std::optional<float> PowerUnbalance(const std::array<EutPhaseReadings, 3>& phases,
                                    bool threePhase) {
    if (!threePhase) return std::nullopt;
    const std::optional<float> total = TotalPower(phases, 3);
    if (!total || *total == 0) return std::nullopt;
    float low = *phases[0].power, high = low;
    for (const EutPhaseReadings& p : phases) {
        low = std::min(low, *p.power);
        high = std::max(high, *p.power);
    }
    return (high - low) / (*total / 3) * 100;
}

EutAcquisition AcquireEutData(const EutRequest& request, SourceIo& io, MeasurementState& state,
                              const EutEvents& events) {
    const EutConditions& c = request.conditions;
    const auto aborted = [&] { return events.aborted && events.aborted(); };
    const auto error = [&](const QString& text) {
        if (events.error) events.error(text);
    };
    EutAcquisition a;
    a.phases = c.threePhase ? 3 : 1;
    a.entry = c.dcMode ? 0 : request.entry;
    a.frequency = c.dcMode ? 0 : request.programmedFrequency;
    a.thdLimit = std::abs(request.limits.thdLimit);
    if (c.connected && !c.dcMode) {
        if (const std::optional<float> f = readNumber(io, QStringLiteral("freq?")); f && *f > 0) {
            a.frequency = *f;
            a.entry = TestFrequencyIndexFor(request.entries, *f, false);
        }
    }
    a.entryName = request.entries.value(a.entry);

    const QString date = AcquisitionDate(QDateTime::currentDateTime());
    for (int p = 0; p < a.phases; ++p) {
        if (aborted() || io.lost()) return a;
        const auto i = static_cast<size_t>(p);
        if (request.captureWaveforms) {
            AcquisitionRequest capture;
            capture.kind = CaptureKind::VoltCurrent;
            capture.phase = p;
            capture.parameter =
                CaptureParameterNames(p)[static_cast<int>(CaptureKind::VoltCurrent)];
            capture.dcMode = c.dcMode;
            capture.singlePhase = !c.threePhase;
            capture.intervalUs = request.sampleIntervalUs;
            const AcquisitionResult taken =
                RunAcquisition(capture, io, {events.status, events.error, events.aborted}, date);
            if (taken.ok) a.waveforms[i] = taken.capture;
        }
        bool spectra = false;
        if (!c.dcMode && !aborted()) {
            HarmonicRequest h;
            h.phase = p;
            h.acMode = !c.acPlusDc;
            h.frequency = static_cast<float>(a.frequency);
            const HarmonicStatus report{events.status, events.error};
            const QDateTime now = QDateTime::currentDateTime();
            spectra = AcquireHarmonics(h, io, state, a.spectra[i], now, report);
            h.current = true;
            spectra = AcquireHarmonics(h, io, state, a.spectra[i], now, report) && spectra;
        }
        if (spectra && request.harmonicPhase && c.connected && !aborted())
            a.currentPhase[i] = readNumber(io, QStringLiteral("inst:nsel %1;:fetc:curr:harm:phas? 1").arg(p + 1));
        a.harmonics[i] = BuildHarmonicTable(a.spectra[i], spectra, a.frequency, c.threePhase,
                                            request.limits);
        if (events.phaseCaptured) events.phaseCaptured(p, a);
        if (aborted()) return a;
        const PhaseMeasurement m = MeasurePhase(p, c, io);
        if (!m.ok) {
            a.error = m.error;
            error(m.error);
            return a;
        }
        if (p == 0) a.measuredFrequency = m.frequency;
        a.phase[i] = m.readings;
    }
    a.totalPower = TotalPower(a.phase, a.phases);
    a.unbalancePercent = PowerUnbalance(a.phase, c.threePhase);
    a.verdict = JudgeCurrentDistortion(
        a.thdLimit, {a.phase[0].currentThd, a.phase[1].currentThd, a.phase[2].currentThd},
        c.threePhase);
    a.complete = true;
    return a;
}

QStringList SelectTestFrequencyCommands(double hz) {
    return {QStringLiteral("freq:slew 440;:freq ") + FormatNumber(hz, u"##0.0"),
            QStringLiteral("freq:slew max")};
}

bool SelectTestFrequency(double hz, SourceIo& io, const EutWait& wait) {
    const QStringList commands = SelectTestFrequencyCommands(hz);
    io.send(commands[0]);
    // The slew limit comes off even when the wait is cut short.
    const bool waited = wait(1.1);
    io.send(commands[1]);
    return waited;
}

QVector<int> SweepEntries(EutSweep sweep, int presentEntry) {
    const int last = sweep == EutSweep::WideBand ? kTestFrequencyCount - 1 : 8;
    if (sweep == EutSweep::Present) return {presentEntry};
    QVector<int> entries;
    for (int k = 1; k <= last; ++k)
        entries << k;
    return entries;
}

QVector<int> SweepEntriesBetween(const QString& first, const QString& last) {
    return SweepEntriesBetween(TestFrequencyEntries(), first, last);
}

QVector<int> SweepEntriesBetween(const QStringList& names, const QString& first, const QString& last) {
    const int from = names.indexOf(first);
    const int to = names.indexOf(last);
    QVector<int> entries;
    if (from < 0) return entries;
    for (int k = from; k <= std::max(from, to); ++k)
        entries << k;
    return entries;
}

QVector<EutAcquisition> RunEutSweep(const EutSweepRequest& request, SourceIo& io,
                                    MeasurementState& state, const EutEvents& events,
                                    const EutWait& wait) {
    const auto status = [&](const QString& text) {
        if (events.status) events.status(text);
    };
    const auto aborted = [&] { return events.aborted && events.aborted(); };
    const QStringList& names = request.acquisition.entries;
    const bool dc = request.acquisition.conditions.dcMode;
    const bool stepping = !dc && (request.sweep != EutSweep::Present || request.entries.size() > 1);
    QVector<int> entries{request.presentEntry};
    if (stepping)
        entries = request.entries.isEmpty() ? SweepEntries(request.sweep, request.presentEntry)
                                            : request.entries;
    QVector<EutAcquisition> taken;
    bool moved = false;
    for (const int entry : entries) {
        if (aborted() || io.lost()) break;
        EutRequest one = request.acquisition;
        one.entry = entry;
        const QString name = names.value(entry);
        if (stepping) {
            one.programmedFrequency = TestFrequencyHz(names, entry);
            moved = true;
            if (!SelectTestFrequency(one.programmedFrequency, io, wait)) break;
            status(QStringLiteral("Measuring EUT Performance Data at ") + name +
                   QStringLiteral(", please wait..."));
            bool settled = true;
            for (int s = 0; s < static_cast<int>(std::ceil(request.settleSeconds)) && settled; ++s)
                settled = wait(1.0);
            if (!settled) break;
        } else {
            status(QStringLiteral("Acquiring EUT Data at ") + name +
                   QStringLiteral(", please wait..."));
        }
        EutAcquisition a = AcquireEutData(one, io, state, events);
        const bool stop = !a.complete;
        taken << std::move(a);
        if (stop) break;
    }
    if (moved && !io.lost())
        SelectTestFrequency(TestFrequencyHz(names, request.presentEntry), io, wait);
    status(aborted() ? QStringLiteral("Data acquisition stopped.")
                     : QStringLiteral("Data acquisition completed."));
    return taken;
}

QStringList MeasurementSummaryRecords(const QVector<EutAcquisition>& acquisitions) {
    const auto record = [](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted << QuotedField(f);
        return quoted.join(u',');
    };
    QStringList records{record({QStringLiteral("Frequency"), QStringLiteral("Total VA"),
                                QStringLiteral("Unbalance %"), QStringLiteral("Dist Limit %"),
                                QStringLiteral("Pass/Fail")})};
    for (const EutAcquisition& a : acquisitions) {
        const QString frequency =
            a.frequency > 0 ? FormatReading(a.measuredFrequency, "##0.0") : QStringLiteral("DC");
        records << record({frequency, FormatReading(a.totalPower, "###0.0"),
                           FormatReading(a.unbalancePercent, "##0.00"),
                           FormatNumber(a.thdLimit, u"##0.00"),
                           a.complete ? VerdictText(a.verdict) : QString()});
        for (int p = 0; p < a.phases; ++p) {
            const EutPhaseTexts t = PhaseTexts(a.phase[static_cast<size_t>(p)]);
            records << record(
                {QStringLiteral("Phase ") + PhaseLetter(p) + QStringLiteral(" Scalar Data"),
                 t.voltage, t.current, t.power, t.peakCurrent, t.powerFactor, t.currentThd,
                 t.voltageThd});
        }
    }
    return records;
}

bool WriteMeasurementSummary(const QString& path, const QVector<EutAcquisition>& acquisitions,
                             QString& error) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        error = QStringLiteral("The folder of %1 cannot be made.").arg(path);
        return false;
    }
    return WriteRecordFile(path, MeasurementSummaryRecords(acquisitions),
                           QStringLiteral("measurement summary"), error);
}

} // namespace ostrel
