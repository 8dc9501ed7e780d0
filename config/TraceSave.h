#pragma once
// Saving the bus monitor's trace: asks for the file, guards an existing one,
// writes the chosen entries.
#include "config/TraceFile.h"

namespace ostrel {

struct Program;

inline const QString kTraceFilter = QStringLiteral("Darnel Command Trace (*.txt)|*.TXT|All Files (*.*)|*.*");

// True when a file was written.
bool SaveTrace(Program& program, TraceSelection selection);

} // namespace ostrel
