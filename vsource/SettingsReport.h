#pragma once
// What the control port reports of the programmed settings, so a test can
// prove a restore without the SCPI connection.
#include <string>

namespace ostrel::vsource {

class Instrument;

// One line per programmed phase:
// "phase=1 mode=AC range=0 relay=1 vac=115.0 vdc=0.0 offset=0.0 curr=5.0 freq=400.0
//  wave=SINUSOID volt:mode=FIX volt:slew:mode=FIX freq:mode=FIX freq:slew:mode=FIX
//  func:mode=FIX" (one line).
std::string describeSettings(const Instrument& instrument);

// The user waveform registers in the order defined, one a line, then "free=N".
std::string describeWaves(const Instrument& instrument);

} // namespace ostrel::vsource
