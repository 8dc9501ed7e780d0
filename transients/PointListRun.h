#pragma once
// One run of the list editor's lists: checks, set-up, the lists, the relay,
// the start, polling "trig:stat?" until the source is IDLE or the operator
// stops, then the finish (aborts, retrigger off, fixed modes, the error
// queue, readback). The editor window calls it; it opens no window itself.
#include "transients/ListRun.h"
#include "transients/PointListCommands.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ostrel {

class Prompt;
struct Program;

struct PointListRunHooks {
    // Polled while the run waits: the operator pressed Stop.
    std::function<bool()> stopRequested;
    // The relay was closed (the main window shows it).
    std::function<void()> relayClosed;
    // The run went ahead past its checks and set-up: Start off, Stop on.
    std::function<void()> started;
};

struct PointListRunOutcome {
    ListRunResult result = ListRunResult::Failed;
    // Nothing was sent: the checks refused the lists.
    bool refused = false;
    // For the operator: the status the run ended with.
    QString message;
    QStringList sourceErrors; // as the error queue gave them
};

// The lists' target as the program knows the source and its output.
PointListTarget PointListTargetOf(const Program& program);

// The fixed-mode restore after a run: frequency (AC), then every addressed
// phase's voltage, slew and (with function lists) function.
QStringList PointListRestoreLines(const PointListTarget& target);

// Runs `table` to its end, processing window events while it waits. Boxes and
// status texts go through `prompt`. In simulation the run ends after the
// set-up, as stopped.
PointListRunOutcome RunPointLists(Program& program, Prompt& prompt, const PointTable& table,
                                  const PointListRunHooks& hooks = {});

} // namespace ostrel
