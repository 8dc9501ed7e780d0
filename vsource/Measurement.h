#pragma once
// The meter: readings of one phase from the output it produces through the
// configured load.
#include "vsource/OutputModel.h"
#include "vsource/Spectrum.h"
#include "vsource/Waveforms.h"

#include <string>
#include <string_view>

namespace ostrel::vsource {

struct LoadModel {
    double resistance = 50; // ohms per phase; infinity = no load
    double nonlinear = 0;   // harmonic current as a fraction of the fundamental
    double lagDegrees = 0;  // the fundamental current lags the voltage by this angle
    double inrush = 1;      // peak current on relay closure, times the steady peak
};

// "r=50,thd=20,lag=30,inrush=4" (thd in % of the fundamental). Keys not given
// keep their value; returns false with a message on a malformed text.
bool parseLoad(std::string_view text, LoadModel& load, std::string& error);

struct Reading {
    double voltAc = 0;
    double voltDc = 0;
    double currAc = 0;
    double currDc = 0;
    double power = 0; // real power, AC and DC parts, W
    double powerDc = 0;
    double apparent = 0;
    double powerFactor = 0;
    double currPeak = 0;
    double crest = 0;
    double freq = 0;
    double phase = 0; // current relative to voltage, degrees
    double thdVolt = 0;
    double thdCurr = 0;
};

// With the relay open the output measures nothing but its frequency. Above the
// current limit the source holds the limit and the voltage drops with it.
Reading computeReading(const OutputSample& out, const ShapeFigures& shape, const LoadModel& load,
                       double currentLimit, bool thdRms);

// The load's non-linear current is drawn at this harmonic.
constexpr int kLoadHarmonic = 3;

struct PhaseSpectra {
    Spectrum voltage;
    Spectrum current;
};

// Scales a shape's spectrum to a reading's levels and draws the current
// through the load: its fundamental lags by the load's angle, the voltage
// harmonics pass through the resistance, and the non-linear part is added in
// quadrature at kLoadHarmonic. With AC sense coupling the DC lines read 0.
PhaseSpectra outputSpectra(const Spectrum& shape, const Reading& reading, const LoadModel& load,
                           bool dcCoupled);

} // namespace ostrel::vsource
