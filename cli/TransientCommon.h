#pragma once
// What run-transient's two file formats share: the connection before a run
// and the words of the JSON.
#include "cli/Outcome.h"
#include "link/OutputState.h"
#include "transients/ListRun.h"

#include <QString>

namespace ostrel {

struct Program;

// A transient runs on a connected source: identified, configured and read
// back, or the outcome that says why not (refused in simulation).
Outcome ConnectForTransient(Program& program);

inline QString TransientModeName(int mode) {
    return mode == ModeDC ? QStringLiteral("DC") : mode == ModeACDC ? QStringLiteral("ACDC")
                                                                     : QStringLiteral("AC");
}

inline QString TransientResultName(ListRunResult r) {
    return r == ListRunResult::Completed ? QStringLiteral("completed")
           : r == ListRunResult::Aborted ? QStringLiteral("aborted")
                                         : QStringLiteral("failed");
}

} // namespace ostrel
