#pragma once
// The restore step of the test engine as a plain function, for runs that do
// not go through the list controller: "abort", the engine's settle time, the
// error queue, fixed modes and, when asked, the steady state from
// OutputState. Returns the source's errors ("" when none).
#include <QString>

namespace ostrel {

struct Program;

QString RestoreSteadyOutput(Program& program, bool steadyState);

} // namespace ostrel
