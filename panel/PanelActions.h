#pragma once
// What each control of the steady-state panel does to OutputState and the
// source. With `send` false (the panel is being filled) nothing is sent.
// Source errors are shown through the program's prompt.
#include "app/EntryRejection.h"

#include <QString>

#include <array>

namespace ostrel {

struct Program;

using Ticked = std::array<bool, 3>;

bool IsThreePhase(const Program& program);

// Each ticked phase: lowered to its maximum voltage, stored (DC voltage in DC
// mode, else AC voltage) and sent. Returns the value programmed on the last phase.
float ApplyVoltage(Program& program, const Ticked& ticked, float volts, bool send);
void ApplyCurrentLimit(Program& program, const Ticked& ticked, float amps, bool send);
void ApplyPhaseAngle(Program& program, int phase, float degrees, bool send);
void ApplyDcOffset(Program& program, const Ticked& ticked, float volts, bool send);
// Sends "FREQ", reads the error queue; on an error shows it, puts the old
// frequency back and returns false.
bool ApplyFrequency(Program& program, float hertz, bool send);
// A non-sine above half the range value first takes that phase (only) to 0 V.
// The clipped sine goes out with its clip level, the one the panel shows.
void ApplyWaveform(Program& program, int phase, int index, bool send);
void ApplyClipLevel(Program& program, const Ticked& ticked, int thd, bool send);
void ApplyAlc(Program& program, int mode, bool send);
void ApplyProtection(Program& program, int trip, bool send);
void ApplyProtectionDelay(Program& program, float seconds, bool send);
void ApplySense(Program& program, int external, bool send);
void ApplyImpedanceNetwork(Program& program, int engaged, bool send);
void ApplyImpedanceOn(Program& program, bool on, bool send);
// Clamped to 0..the source's maximum (no clamp when the source gives none).
float ApplyResistance(Program& program, const Ticked& ticked, float ohms, bool send);
// Relay: "outp 1|0", the relay hold-off, then the error queue.
void ApplyRelay(Program& program, bool closed, bool send);
// Range: opens the relay, changes range, waits, reports errors, closes it again if it was.
void ApplyRange(Program& program, int range, const Ticked& ticked, bool send);
// Mode: mode and sense coupling with error read-back; lowers current limits
// that no longer fit; returns the error text ("" when none).
QString ApplyMode(Program& program, int mode, bool send);
// Phase mode: the source resets; waits until it answers again.
void ApplyPhaseMode(Program& program, bool threePhase, bool send);

} // namespace ostrel
