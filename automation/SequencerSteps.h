#pragma once
// The sequencer's steps as the source gets them: which rows take part, the
// lines that set a step, change the range and read the output, and how a
// reading is judged against its limits. Plain functions over plain records.
#include "automation/SequenceTable.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace ostrel {

struct SourceModel;

struct SequencerPhase {
    int phase = 0; // 0..2
    int row = 0;   // its row in that phase's tab
    double volt = 0;
    double curr = 0;
    std::array<std::optional<double>, kSequenceReadings> hi{}, lo{};
};

struct SequencerStep {
    int number = 1; // 1-based, as the operator counts
    double freq = 0; // AC modes only
    double dwell = 0;
    std::vector<SequencerPhase> phases; // phase A first
};

struct SequencerPlan {
    std::vector<SequencerStep> steps;
    QString refusal; // for the operator; nothing may be sent when set
};

// The steps are tab A's rows down to the first empty "Volt"; in three-phase
// mode a row of tab B or C with an empty "Volt" sits that step out, and "F
// (Hz)" and "Dwell (s)" always come from tab A.
SequencerPlan PlanSequence(const SequenceTable& table, int outputMode, bool threePhase);

// The range (0 low, 1 high) the highest taking-part voltage needs, by
// magnitude in DC.
int RangeNeeded(const SequencerStep& step, int outputMode, const SourceModel& model);
// "volt:rang 300.0": the range's value in the output mode.
QString RangeCommand(int range, int outputMode, const SourceModel& model);

// ":INST:COUP NONE;:INST:NSEL n;:" in three-phase mode, "" in single-phase mode.
QString PhaseAddress(int phase, bool threePhase);
// One line per taking-part phase: "freq" (AC modes, phase A's line),
// "volt:ac" or "volt:dc", "curr".
QStringList StepSettingLines(const SequencerStep& step, int outputMode, bool threePhase);
// The peak memory reset before a step's settings, for every phase.
QString PeakResetLine(bool threePhase);
// A fresh "meas:" voltage reading, then "fetc:" for the other four of it.
QStringList ReadingQueries(int phase, int outputMode, bool threePhase);

// A reply as the value the grid shows: power in kW, rounded as displayed;
// nothing for an empty or non-numeric reply.
std::optional<double> ReadingValue(int reading, const QString& reply);
// The grid's text of a reading ("115.02", "0.998"), "." as decimal point.
QString ReadingText(int reading, double value);
// Outside a limit fails; a missing reading fails where it has a limit.
bool ReadingPasses(std::optional<double> value, std::optional<double> hi, std::optional<double> lo);

} // namespace ostrel
