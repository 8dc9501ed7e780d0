#pragma once
// Waveform register names. Every name, typed or taken from a file, passes one
// rule before anything is sent: upper case, a letter A-Z first, then only
// A-Z, 0-9 and "_".
#include <QString>

namespace ostrel {

struct Program;

inline constexpr int kTypedNameLength = 12;

// A typed name: its first 12 characters in upper case.
QString TypedWaveformName(const QString& typed);
// A file's name without folder and extension, in upper case, never cut (two
// long names cut alike would share a register).
QString FileWaveformName(const QString& path);

// True when the name passes; otherwise the operator is told why.
bool CheckWaveformName(Program& program, const QString& name);

} // namespace ostrel
