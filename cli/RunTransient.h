#pragma once
// ostrel-cli run-transient: a step table file run on the source through the
// same checks and list-run engine as the transient list window.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// `args`: the file and the command's own options (after "run-transient").
Outcome RunTransientCommand(Program& program, const QStringList& args);


} // namespace ostrel
