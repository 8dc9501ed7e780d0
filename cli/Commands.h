#pragma once
// The commands of ostrel-cli, over the program's own link and logic.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// Identification and configuration readout as at start-up: the model index
// in `index`, or the failed outcome.
Outcome IdentifyAndConfigure(Program& program, int& index);

// `args` is the command word and its arguments; the transport settings are
// already in `program`.
Outcome RunCommand(Program& program, const QStringList& args);

} // namespace ostrel
