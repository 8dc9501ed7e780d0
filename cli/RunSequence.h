#pragma once
// ostrel-cli run-sequence and run-macro: a sequencer table or a command macro
// run through the same logic as their windows.
#include "cli/Outcome.h"

#include <QStringList>


namespace ostrel {

struct Program;

// `args`: the file and the command's own options (after "run-sequence").
Outcome RunSequenceCommand(Program& program, const QStringList& args);

} // namespace ostrel
