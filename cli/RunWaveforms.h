#pragma once
// ostrel-cli synth and download-abw: a harmonic table synthesised offline
// (and sent when asked), and waveform files downloaded as the disk library does.
#include "cli/Outcome.h"

#include <QStringList>

namespace ostrel {

struct Program;

// `args`: the arguments after the command word.
Outcome RunSynthCommand(Program& program, const QStringList& args);
Outcome RunDownloadAbwCommand(Program& program, const QStringList& args);
// One of the function library's shapes into a waveform file, offline.
Outcome RunShapeCommand(Program& program, const QStringList& args);

} // namespace ostrel
