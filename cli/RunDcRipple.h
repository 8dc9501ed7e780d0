#pragma once
// ostrel-cli run-dc-ripple: the DC ripple window's opening, test and close
// in one run.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// `args`: the command's own options (after "run-dc-ripple").
Outcome RunDcRippleCommand(Program& program, const QStringList& args);

} // namespace ostrel
