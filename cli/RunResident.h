#pragma once
// ostrel-cli run-resident: a ".704" or ".160" set-up file run through the
// resident option's own test programs, with the window's checks and run.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// `args`: the command's own arguments (after "run-resident").
Outcome RunResidentCommand(Program& program, const QStringList& args);


} // namespace ostrel
