#pragma once
// The test engine's one restore routine, for every end of every run that
// programs the source itself (a table test, a resident option's tests):
// "abort", the engine's settle time, the error queue, then the caller's own
// lines first, fixed modes and, when asked, the steady state from
// OutputState.
#include <QString>
#include <QStringList>

namespace ostrel {

struct Program;

struct RestoreResult {
    QString errors;        // the error queue after the abort ("" when none)
    bool reached = false;  // every restore line went out on a live link
};

RestoreResult RestoreOutput(Program& program, bool steadyState, const QStringList& firstLines = {});

} // namespace ostrel
