#pragma once
// Before a table window with phase-angle tests opens on a three-phase AC
// source whose phases B and C are not at 240° and 120°: the offer to set
// them, and what Yes sends. The relay is touched only when it was closed.
#include <QString>
#include <QStringList>

namespace ostrel {

struct OutputState;
struct Program;

// Three-phase AC (or AC+DC) with B not at 240° or C not at 120°.
bool PhaseAnglesNeedOffer(const OutputState& out);
// The question naming the standard ("MilStd704", "ABD0100.1.8" ...).
QString PhaseAngleOfferQuestion(const QString& standardName);
QStringList PhaseAngleOfferLines(bool relayClosed);
// Asks when needed; Yes sends the lines, checks the error queue and keeps the
// new angles in the output state. False when the window is not to open.
bool OfferStandardPhaseAngles(Program& program, const QString& standardName);

} // namespace ostrel
