#pragma once
// ostrel-cli run-sequence and run-macro: a sequencer table or a command macro
// run through the same logic as their windows.
#include "cli/Outcome.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace ostrel {

struct Program;

// `args`: the file and the command's own options (after "run-sequence").
Outcome RunSequenceCommand(Program& program, const QStringList& args);

// SIGINT and SIGTERM stop the sequence or macro in progress at its next turn.
void InstallAutomationStopSignals();
// Calls `stop` once when a stop signal came or `timeoutS` (> 0) real seconds
// have passed, while the returned object lives.
class AutomationStopWatch {
public:
    AutomationStopWatch(double timeoutS, std::function<void()> stop);
    ~AutomationStopWatch();
    AutomationStopWatch(const AutomationStopWatch&) = delete;
    AutomationStopWatch& operator=(const AutomationStopWatch&) = delete;
    // Whether the stop came from the signal or the time-out.
    bool fired() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace ostrel
