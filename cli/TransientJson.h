#pragma once
// Words of run-transient's JSON shared by its two file formats.
#include "link/OutputState.h"
#include "transients/ListRun.h"

#include <QString>

namespace ostrel {

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
