#pragma once
// The command lines that load one segment of a list program into the
// source's lists, in the order they are sent.
#include "transients/ListProgram.h"

#include <QStringList>

namespace ostrel {

// Dwell, then per taking-part phase its voltage (after "inst:nsel"), slew and
// waveform, then repeat, trigger-out and the frequency lists, as the program
// has them. A single-phase output is only ever addressed as phase 1.
QStringList SegmentListCommands(const ListProgram& program, const ListSegment& segment);

// The phases the lists address: taking part and present on the output.
bool PhaseAddressed(const ListProgram& program, int phase);

} // namespace ostrel
