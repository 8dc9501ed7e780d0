#pragma once
// Measuring the equipment under test after a run or on demand: per phase the
// scalar readings, the harmonic spectrum judged against the harmonic limits,
// the waveform record, and a current distortion verdict. A reading the source
// did not return is absent (never 0), and a verdict is given only on real
// readings against a real limit.
#include "measure/Capture.h"
#include "measure/Harmonics.h"
#include "measure/MeasurementState.h"
#include "measure/SourceIo.h"
#include "standards/DistortionLimits.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <functional>
#include <optional>

namespace ostrel {

// --- Test frequencies ("DC", "360_Hz", "400_Hz" ... "800_Hz") ---------------

constexpr int kTestFrequencyCount = 11;
QStringList TestFrequencyEntries();
// 0 for the "DC" entry.
double TestFrequencyHz(int index);
// The entry matching a frequency: "DC" in DC mode, else the nearest AC entry.
int TestFrequencyIndexFor(double hz, bool dcMode);
// The same over a set's own entry list ("DC" and "NNN_Hz" entries).
double TestFrequencyHz(const QStringList& entries, int index);
int TestFrequencyIndexFor(const QStringList& entries, double hz, bool dcMode);

// --- Verdicts -----------------------------------------------------------------

enum class DistortionVerdict { Pass, Fail, NoLimit, NoData };
// "Pass", "Fail", "No limit", "No data".
QString VerdictText(DistortionVerdict verdict);
// The worse of two: Fail over No data over No limit over Pass.
DistortionVerdict WorseVerdict(DistortionVerdict a, DistortionVerdict b);

// The THD check over the judged phases (three, or one): "Fail" when a phase's
// THD as shown ("##0.00") is above |limit|; a THD equal to the limit passes.
// "No limit" when |limit| is not above 0; "No data" when a judged phase has
// no THD reading.
DistortionVerdict JudgeCurrentDistortion(float limit,
                                         const std::array<std::optional<float>, 3>& currentThd,
                                         bool threePhase);

// --- Harmonic table -----------------------------------------------------------

// The highest harmonic evaluated: Int(B / f), B = 6500 Hz three-phase,
// 19500 Hz single-phase, at most 40; 0 when f is not above 0.
int HarmonicBandwidthOrder(double frequency, bool threePhase);

struct HarmonicVerdictRow {
    int order = 0;                     // 1 ... 40
    double frequency = 0;              // "Freq (Hz)"
    bool beyondBandwidth = false;      // "BWL" in the current column, 3, 5, 6, 7 empty
    std::optional<float> current;      // "Curr (A)"
    std::optional<float> percentFund;  // "% Fund [E]"; none when the fundamental current is 0
    std::optional<float> limit;        // "Limit [B]"
    std::optional<float> percentVFund; // "% VFund [C]"
    std::optional<float> revisedLimit; // "Revised Lim [D]" = B + 1.25 x C
    QString verdict;                   // "P/F [F]": "Pass", "Fail" or ""
};
using HarmonicVerdictTable = std::array<HarmonicVerdictRow, kLimitedHarmonics>;

// Rows 1 ... 40 of one phase from its spectra (index 0 of a set is the DC
// term); `complete` is false when the spectra did not come back, and then
// only the frequencies and limits are filled.
HarmonicVerdictTable BuildHarmonicTable(const HarmonicData& spectra, bool complete,
                                        double frequency, bool threePhase,
                                        const DistortionLimits& limits);
// The seven cell texts of a row, "." as decimal point unless told otherwise.
QStringList HarmonicRowTexts(const HarmonicVerdictRow& row, QChar decimalSeparator = u'.');
// Harmonic orders whose verdict is "Fail".
QVector<int> FailingHarmonics(const HarmonicVerdictTable& table);

// --- Phase readings -----------------------------------------------------------

struct EutConditions {
    bool connected = false;  // a source answers (else the simulated meter does)
    bool dcMode = false;     // output mode DC (AC and AC+DC are the AC modes)
    bool acPlusDc = false;   // output mode AC+DC: the sense coupling stays as it is
    bool threePhase = false; // three outputs are measured, else one
    bool advanced = false;   // the Vk family: "fetc:" readings and THD
};

struct EutPhaseReadings {
    std::optional<float> voltage;
    std::optional<float> current;
    std::optional<float> power; // VA in the AC modes, W in DC
    std::optional<float> peakCurrent;
    std::optional<float> powerFactor; // AC modes only
    std::optional<float> currentThd;  // "Advanced" only
    std::optional<float> voltageThd;  // "Advanced" only
};

struct PhaseMeasurement {
    bool ok = false;
    QString error; // the source's error after the phase selection
    // Phase A in the AC modes: "fetc:freq?".
    std::optional<float> frequency;
    EutPhaseReadings readings;
};

// Selects phase p (0..2) and reads it; a source error after the selection
// ends the measurement with nothing read.
PhaseMeasurement MeasurePhase(int phase, const EutConditions& conditions, SourceIo& io);

// The field texts of a phase as the window shows them; "" for an absent reading.
struct EutPhaseTexts {
    QString voltage, current, power, peakCurrent, powerFactor, currentThd, voltageThd;
};
EutPhaseTexts PhaseTexts(const EutPhaseReadings& readings);
QString FormatReading(const std::optional<float>& value, const char* mask);

// `cmdResetPeak`: the reset commands, then the peak of each measured phase.
QStringList ResetPeakCommands(bool threePhase);
std::array<std::optional<float>, 3> ResetPeak(const EutConditions& conditions, SourceIo& io);

// --- One acquisition ----------------------------------------------------------

struct EutRequest {
    EutConditions conditions;
    DistortionLimits limits;
    // The frequency the source is programmed to (steady state, or the sweep's
    // entry): the harmonic order limit uses the source's own "freq?" when it
    // answers, this otherwise.
    double programmedFrequency = 400;
    int entry = 2;              // the test frequency entry in use when no "freq?" is asked
    float sampleIntervalUs = 0; // of the waveform record, as read at window start
    bool captureWaveforms = true;
    QStringList entries = TestFrequencyEntries(); // the window's test frequency selector
    // Per phase after its spectrum: the phase of current harmonic 1.
    bool harmonicPhase = false;
};

struct EutAcquisition {
    bool complete = false; // every phase measured (readings may still be absent)
    QString error;         // why a phase was not measured
    int entry = 0;         // the test frequency entry this acquisition belongs to
    QString entryName;     // its text
    double frequency = 0;  // the acquisition's frequency (harmonic order limit)
    std::optional<float> measuredFrequency; // "fetc:freq?" of phase A
    int phases = 1;
    std::array<EutPhaseReadings, 3> phase{};
    std::array<HarmonicData, 3> spectra{};
    std::array<HarmonicVerdictTable, 3> harmonics{};
    std::array<Capture, 3> waveforms{};
    std::optional<float> totalPower;
    // Three-phase: (largest - smallest phase power) / mean x 100; else absent.
    std::optional<float> unbalancePercent;
    float thdLimit = 0;
    DistortionVerdict verdict = DistortionVerdict::NoData;
    // Degrees of current harmonic 1 per phase, when asked for and read.
    std::array<std::optional<float>, 3> currentPhase{};
};

struct EutEvents {
    std::function<void(const QString&)> status;
    std::function<void(const QString&)> error; // shown to the operator
    std::function<bool()> aborted;             // `cmdMeasAbort`
    // A phase's record, spectra and harmonic table are in: the window draws them.
    std::function<void(int phase, const EutAcquisition&)> phaseCaptured;
};

std::optional<float> TotalPower(const std::array<EutPhaseReadings, 3>& phases, int count);
std::optional<float> PowerUnbalance(const std::array<EutPhaseReadings, 3>& phases, bool threePhase);

// With a connected source in an AC mode "freq?" is asked first and picks the
// entry; then per phase the waveform, the spectra and `MeasurePhase`; then
// the totals and the verdict.
EutAcquisition AcquireEutData(const EutRequest& request, SourceIo& io, MeasurementState& state,
                              const EutEvents& events);

// --- Test frequency choice and the sweep ----------------------------------------

// Waits `seconds` through the program's clock, processing events; false when aborted.
using EutWait = std::function<bool(double seconds)>;

// The operator's (or the sweep's) choice of an AC entry programs the source:
// "freq:slew 440;:freq f", 1.1 s, "freq:slew max".
QStringList SelectTestFrequencyCommands(double hz);
bool SelectTestFrequency(double hz, SourceIo& io, const EutWait& wait);

enum class EutSweep { Present, NarrowBand, WideBand };
// The entries a sweep visits: the present one, "360_Hz" to "700_Hz", or
// "360_Hz" to "800_Hz".
QVector<int> SweepEntries(EutSweep sweep, int presentEntry);

// The entries from `first` to `last` (entry texts); empty when `first` is empty or unknown.
QVector<int> SweepEntriesBetween(const QString& first, const QString& last);
QVector<int> SweepEntriesBetween(const QStringList& entries, const QString& first, const QString& last);

struct EutSweepRequest {
    EutRequest acquisition;
    EutSweep sweep = EutSweep::Present;
    // When not empty, the entries to visit in place of `sweep`'s.
    QVector<int> entries;
    int presentEntry = 2;
    double settleSeconds = 2; // 2 with a source, 5 without
};

// `cmdAutoAcquire`: every entry of the sweep in turn (programming the source,
// settling in 1-second steps, acquiring), then back to the entry it started
// on. Stops between steps when aborted. Ends with "Data acquisition completed.".
QVector<EutAcquisition> RunEutSweep(const EutSweepRequest& request, SourceIo& io,
                                    MeasurementState& state, const EutEvents& events,
                                    const EutWait& wait);

// --- Measurement summary ----------------------------------------------------------

// The summary records of the acquisitions: one header record, then per
// acquisition its totals record and a "Phase " p " Scalar Data" record per phase.
QStringList MeasurementSummaryRecords(const QVector<EutAcquisition>& acquisitions);
// Written whole (the folder is made when missing).
bool WriteMeasurementSummary(const QString& path, const QVector<EutAcquisition>& acquisitions,
                             QString& error);

} // namespace ostrel
