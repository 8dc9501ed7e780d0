#pragma once
// Harmonic analysis data: per parameter (voltage, current) 51 rows — the DC
// term, the fundamental and harmonics 2 to 50 — of amplitude and phase.
#include "measure/MeasurementState.h"
#include "measure/SourceIo.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace ostrel {

constexpr int kHarmonicRows = 51;
constexpr int kTimeDomainPoints = 360;

struct HarmonicSet {
    std::array<float, kHarmonicRows> amplitude{};
    std::array<float, kHarmonicRows> phase{};
};

struct HarmonicData {
    QString date; // date + " , " + time
    QString parameter = QStringLiteral("Voltage");
    float frequency = 0;
    float voltageThd = 0;
    float currentThd = 0;
    HarmonicSet voltage;
    HarmonicSet current;

    HarmonicSet& set(bool ofCurrent) { return ofCurrent ? current : voltage; }
    const HarmonicSet& set(bool ofCurrent) const { return ofCurrent ? current : voltage; }
};

// A parameter name whose first seven characters are "Current" names the current set.
bool IsCurrentParameter(const QString& name);
QString AcquisitionDate(const QDateTime& when);

// Amplitude as a percentage of the fundamental; none when the fundamental is 0.
std::optional<float> RelativePercent(float amplitude, float fundamental);
extern const QString kNoFundamentalNote;

// One fundamental period, 0..359 degrees, from harmonics 1..50 (the DC term
// is left out, harmonics of amplitude 0 add nothing).
std::array<float, kTimeDomainPoints> TimeDomain(const HarmonicSet& set);

struct HarmonicRequest {
    int phase = 0;        // 0..2
    bool current = false; // else voltage
    bool acMode = true;   // AC output (not DC, not AC+DC): the sense coupling is switched
    float frequency = 0;  // the programmed fundamental, for the titles
};

struct HarmonicStatus {
    std::function<void(const QString&)> status;
    std::function<void(const QString&)> error; // each error shown to the operator
};

// Reads amplitudes, phases and THD into `data` (rows a short reply does not
// reach keep their values; a reply with too many values changes nothing and
// is reported). The sense coupling goes to DC around the array reads in AC
// mode and back after. True when both columns came back whole.
bool AcquireHarmonics(const HarmonicRequest& request, SourceIo& io, MeasurementState& state,
                      HarmonicData& data, const QDateTime& now, const HarmonicStatus& report);

// Log columns and rows of repeated acquisitions.
QString HarmonicLogHeader(bool dateTimeStamp, bool harmonicPhases, QChar delimiter);
QString HarmonicLogRow(const HarmonicSet& set, const QDateTime& now, int phase, bool dateTimeStamp,
                       bool harmonicPhases, QChar delimiter);

} // namespace ostrel
