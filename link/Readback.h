#pragma once
// Steady-state readback: the source's output settings into OutputState, and
// the per-phase voltage maxima.
#include "link/QueryResult.h"

namespace ostrel {

struct Program;

// Asks the source for every steady-state setting, phase by phase. All or
// nothing: when a query fails, the readback stops there, tells the operator
// which (a lost link has told already), and leaves OutputState, the maxima
// and the catalog as they were, with OutputState marked not read back. A
// call made while one is running (through processed events) returns at once.
QueryFailure ReadBackState(Program& program, int modelIndex);

// Phase 0..2 updates that phase, 3 all of them: asked of the source, or
// taken from the model's ranges in simulation. A maximum whose query failed
// keeps its value.
QueryFailure UpdateMaxVoltage(Program& program, int phase);

// The simulation rule of UpdateMaxVoltage, whatever the bus.
void SetMaxVoltageFromModel(Program& program, int phase);

} // namespace ostrel
