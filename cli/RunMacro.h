#pragma once
// ostrel-cli run-macro: a command macro file played through the macro
// window's own player.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// `args`: the file and the command's own options (after "run-macro").
Outcome RunMacroCommand(Program& program, const QStringList& args);

} // namespace ostrel
