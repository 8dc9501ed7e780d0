#pragma once
// Steady-state readback: the source's output settings into OutputState, and
// the per-phase voltage maxima.
namespace ostrel {

struct Program;

// Asks the source for every steady-state setting, phase by phase. A call
// made while one is running (through processed events) returns at once.
void ReadBackState(Program& program, int modelIndex);

// Phase 0..2 updates that phase, 3 all of them: asked of the source, or
// taken from the model's ranges in simulation.
void UpdateMaxVoltage(Program& program, int phase);

// The simulation rule of UpdateMaxVoltage, whatever the bus.
void SetMaxVoltageFromModel(Program& program, int phase);

} // namespace ostrel
