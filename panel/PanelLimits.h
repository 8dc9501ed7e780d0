#pragma once
// What the steady-state panel accepts and how per-phase commands are built.
#include "config/Settings.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <QString>
#include <QStringList>

#include <array>

namespace ostrel {

// Slider value = engineering value x scale.
constexpr int kVoltageScale = 10;
constexpr int kOffsetScale = 10;
constexpr int kCurrentScale = 100;
constexpr int kPhaseScale = 10;
constexpr int kFrequencyScale = 10;

struct ValueRange {
    float min = 0;
    float max = 0;
    bool contains(float v) const { return v >= min && v <= max; }
};

// The model's maximum current is that of the low range; the high range gives half.
float MaxCurrent(const SourceModel& model, const OutputState& state);

// The range value sent with "volt:rang": the DC value in DC mode, else the AC value.
float RangeValue(const SourceModel& model, int outputMode, int rangeIndex);

// Typed voltage: AC and AC+DC from 0 to the user's AC limit of the range; DC
// between the user's negative and positive DC limits of the range.
ValueRange VoltageEntryRange(const OutputState& state, const UserLimits& limits);
// The voltage slider's span: 0..AC range value, or +-DC range value in DC mode.
ValueRange VoltageSliderRange(const SourceModel& model, const OutputState& state);
ValueRange OffsetRange(const SourceModel& model, const OutputState& state);
ValueRange CurrentRange(const SourceModel& model, const OutputState& state);
ValueRange PhaseRange();
ValueRange ModelFrequencyRange(const SourceModel& model);
ValueRange UserFrequencyRange(const UserLimits& limits);

// Three-phase: each ticked phase in A, B, C order gets "inst:nsel N;:" before
// the command, the first one "inst:coup none;:inst:nsel N;:". Single phase:
// the command alone (only phase A can be ticked).
QStringList PerPhaseCommands(bool threePhase, const std::array<bool, 3>& ticked, const QString& command);

// The clip levels offered for the clipped sine, THD in %.
inline constexpr std::array<int, 11> kClipLevels{1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20};
// The level a phase's clipped sine runs at: its own, or the first offered when it has none.
int ClipLevelOf(const PhaseState& phase);

// "func" argument of a waveform list index: sin, squ, csin or a register name.
QString WaveformArgument(int index, const SourceModel& model);

} // namespace ostrel
