#pragma once
// The IEC run's readings as its report's trend picture, for the window and
// the command line alike (drawn off screen; needs a QApplication).
#include <QByteArray>

namespace ostrel {

struct IecRunOutcome;

// Voltage, and current on the second axis, against each reading's time;
// empty with fewer than two readings.
QByteArray IecTrendPng(const IecRunOutcome& run);

} // namespace ostrel
