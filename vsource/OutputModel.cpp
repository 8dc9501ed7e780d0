#include "vsource/OutputModel.h"

#include <cmath>

namespace ostrel::vsource {

OutputSample sampleOutput(const OutputModel& out, int phase, double t) {
    const PhaseOutput& p = out.phase[size_t(phase)];
    OutputSample s{out.relay, out.mode, 0, 0, 0, p.wave, p.angle, p.clipThd};
    switch (out.mode) {
    case OutputMode::Ac:
        s.vac = p.vac.at(t);
        s.freq = out.freq.at(t);
        break;
    case OutputMode::Dc:
        s.vdc = p.vdc.at(t);
        break;
    case OutputMode::AcDc:
        s.vac = p.vac.at(t);
        s.vdc = p.offset;
        s.freq = out.freq.at(t);
        break;
    }
    return s;
}

double phaseAngleA(const OutputModel& out, double t) {
    double deg =
        out.cycleRefDeg + 360.0 * out.freq.integral(out.cycleRefTime, t) + out.phase[0].angle;
    deg = std::fmod(deg, 360.0);
    return deg < 0 ? deg + 360.0 : deg;
}

double delayToAngle(const OutputModel& out, double t, double degrees) {
    double f = out.freq.at(t);
    if (out.mode == OutputMode::Dc || f <= 0) return 0;
    double diff = std::fmod(degrees - phaseAngleA(out, t), 360.0);
    if (diff < 0) diff += 360.0;
    return diff / (360.0 * f);
}

void setFrequency(OutputModel& out, double t, double target, double rate) {
    double deg = std::fmod(out.cycleRefDeg + 360.0 * out.freq.integral(out.cycleRefTime, t), 360.0);
    out.cycleRefDeg = deg;
    out.cycleRefTime = t;
    out.freq = rampFrom(out.freq, t, target, rate);
}

std::string_view modeName(OutputMode mode) {
    switch (mode) {
    case OutputMode::Ac:
        return "AC";
    case OutputMode::Dc:
        return "DC";
    case OutputMode::AcDc:
        return "ACDC";
    }
    return "AC";
}

} // namespace ostrel::vsource
