#pragma once
// Phase angles of phases B and C from a step grid's "PhsB" and "PhsC"
// columns: set before a step group from its first row, on three-phase
// sources only. Pure: tests compare the lines with literal text.
#include "standards/StepGrid.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace ostrel {

struct OutputState;

// The lines for the group starting on `row`: "inst:coup none;:inst:nsel 2;:phas " + B
// and "inst:nsel 3;:phas " + C, each only when its cell holds a value.
QStringList PhaseAngleLines(const StepGrid& grid, int row, QChar decimalSeparator);
// "" when every filled "PhsB" / "PhsC" cell is a number from 0 to 360, else the refusal.
QString CheckPhaseAngles(const StepGrid& grid, QChar decimalSeparator);
// Phases B and C back at the steady state's angles.
QStringList RestorePhaseAngleLines(const OutputState& out);

} // namespace ostrel
