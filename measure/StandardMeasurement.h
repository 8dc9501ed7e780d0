#pragma once
// One cycle of the standard measurements: the frequency, then for each chosen
// phase the chosen readouts, each read with the query that the output mode,
// the averaging counts and the firmware call for.
#include "measure/MeasurementState.h"
#include "measure/SourceIo.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace ostrel {

enum Readout {
    ReadVoltage = 0,
    ReadCurrent,
    ReadPhase,
    ReadPower,
    ReadApparentPower,
    ReadPowerFactor,
    ReadPeakCurrent,
    ReadCrestFactor,
    ReadDcOffset,
};

struct ReadoutInfo {
    const char* labels; // the window's label array for this readout
    const char* mask;   // display mask
    const char* column; // log column, before " [Phs" + letter + "]"
    bool acOnly;        // no meaning in DC mode
};
const ReadoutInfo& ReadoutInfoOf(int readout);

QChar PhaseLetter(int phase);
// "Vrms (V) [PhsA]"
QString ReadoutColumn(int readout, int phase);

struct ReadoutQuery {
    QString command;
    int repeat = 1;     // the mean of this many replies is shown
    double scale = 1.0; // applied to the mean
};
ReadoutQuery ChooseReadoutQuery(int readout, bool dcMode, int voltAverage, int currentAverage,
                                float firmwareRevision);

struct CycleRequest {
    bool dcMode = false;
    bool selectablePhases = false;
    std::array<bool, kPhaseCount> phases{};     // enabled and ticked
    std::array<bool, kReadoutCount> readouts{}; // enabled and ticked
    int voltAverage = 1;
    int currentAverage = 1;
    float firmwareRevision = 0;
};

using PhaseValues = std::array<std::optional<float>, kReadoutCount>;

struct CycleResult {
    // "DC" in DC mode, else the measured frequency ("###0.00"); empty when it did not come back.
    QString frequency;
    // A value only for what was read in this cycle and came back.
    std::array<PhaseValues, kPhaseCount> values{};
    // Every reading asked for came back: only such a cycle is logged.
    bool complete = false;
};

// Called with true before a readout is read and false after it.
using ReadingIndicator = std::function<void(int phase, int readout, bool reading)>;

CycleResult RunMeasurementCycle(const CycleRequest& request, SourceIo& io,
                                const ReadingIndicator& indicator = {});

// The display text of a value: the readout's mask, "." as the decimal point.
QString FormatReadout(int readout, float value);

struct LineVoltages {
    std::optional<float> vac;
    std::optional<float> vab;
    std::optional<float> vbc;
};
// From the phase voltages read in this cycle and the programmed angles of
// phases B and C; a pair is blank unless both of its phases were read.
LineVoltages LineToLine(const std::array<std::optional<float>, kPhaseCount>& phaseVolts,
                        float angleB, float angleC);

// The commands that reset the peak-current hold of the ticked phases.
QStringList PeakResetCommands(const std::array<bool, kPhaseCount>& phases);

// Repeats `cycle` until the stop flag is set, `intervalSeconds` from the
// start of one cycle to the start of the next (at once when a cycle takes
// longer). Window events are processed while waiting, so Stop stays live.
void RunRepeatLoop(MeasurementState& state, int intervalSeconds,
                   const std::function<void()>& cycle);

} // namespace ostrel
