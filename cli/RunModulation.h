#pragma once
// ostrel-cli run-modulation: a ".mod" file's voltage or frequency tab run on
// the source as the modulation window's Start runs it.
#include "cli/Outcome.h"

#include <QStringList>

#include <functional>

namespace ostrel {

struct Program;

// `args`: the file and the command's own options (after "run-modulation").
Outcome RunModulationCommand(Program& program, const QStringList& args);

// SIGINT and SIGTERM ask the list run in progress to stop; the check runs
// every 50 ms beside the run, `stop` once, as does the end of `timeoutS`.
void WatchListRunStop(double timeoutS, const std::function<void()>& stop,
                      const std::function<void()>& run);

} // namespace ostrel
