#pragma once
// The output the instrument produces, as functions of virtual time: ramps for
// the levels and the frequency, and a running phase accumulator so that the
// instantaneous angle of phase A is known at any moment.
#include "vsource/InstrumentState.h"
#include "vsource/Ramp.h"

#include <array>
#include <string>

namespace ostrel::vsource {

struct PhaseOutput {
    Ramp vac; // V rms of the AC part
    Ramp vdc; // V in DC mode
    double offset = 0;
    double angle = 0;
    double clipThd = 0;
    std::string wave{kSine};
};

struct OutputModel {
    bool relay = false;
    OutputMode mode = OutputMode::Ac;
    int outputs = 1;
    Ramp freq{60, 60, kInfinity, 0, false};
    std::array<PhaseOutput, 3> phase;
    double cycleRefTime = 0; // the accumulator holds cycleRefDeg at cycleRefTime
    double cycleRefDeg = 0;
};

struct OutputSample {
    bool relay;
    OutputMode mode;
    double vac;
    double vdc; // DC level in DC mode, the offset in AC+DC, 0 in AC
    double freq;
    std::string_view wave;
    double angle;
    double clipThd;
};

OutputSample sampleOutput(const OutputModel& out, int phase, double t);

// Instantaneous angle of phase A, degrees in [0, 360).
double phaseAngleA(const OutputModel& out, double t);

// Seconds from t until phase A next passes `degrees` (0 in DC mode).
double delayToAngle(const OutputModel& out, double t, double degrees);

// Moves the frequency towards a target, keeping the accumulator continuous.
void setFrequency(OutputModel& out, double t, double target, double rate);

std::string_view modeName(OutputMode mode);

} // namespace ostrel::vsource
