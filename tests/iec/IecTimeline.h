#pragma once
// The outside check of a dips run on the virtual source's timeline: for each
// row and each repetition, in file order, a point at TestLevel % of Unom
// (±1 % of Unom) lasting CycleTime cycles (±0.01) that starts at phase A's
// StartPhase (±1°), followed by Unom for at least SeqDuration.
#include "iec/IecTestFile.h"

#include <QString>

namespace ostrel::test {

// "" when the timeline holds the file's dips, else the first mismatch.
QString CheckIecTimeline(const QString& timelinePath, const IecTestFile& file);

} // namespace ostrel::test
