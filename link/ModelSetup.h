#pragma once
// The model table applied to the program: defaults for a model index, the
// power-on output, the designation and the user limits.
#include "link/SourceModel.h"

#include <QString>

namespace ostrel {

struct Program;
struct UserLimits;

// Index of a source of the other product line, accepted without a table row.
constexpr int kOtherLineModel = 100;

// Fills SourceModel with the table defaults for `index` and puts OutputState
// and MaxVoltage to their power-on values. Identification results (serial
// number, firmware) are kept.
void LoadModel(Program& program, int index);

// The simulation set-up: power-on output with a 5 A current limit, and the
// maximum voltages from the model's ranges.
void SimulationSetup(Program& program);

// The model's display name followed by the suffixes of its installed options.
QString BuildDesignation(const SourceModel& model);

// Brings the user's frequency and AC voltage bounds inside the model's.
void ClampUserLimits(UserLimits& limits, const SourceModel& model);

bool IsSplitPhase(const SourceModel& model);
// No model of the table is a multi-unit system: callers address unit 0 only.
bool IsMultiUnit(int modelIndex);

} // namespace ostrel
