#include "vsource/Measurement.h"

#include "vsource/Angles.h"
#include "vsource/ScpiValues.h"

#include <cmath>

namespace ostrel::vsource {

namespace {

bool readValue(std::string_view text, double& out) {
    text = trimmed(text);
    if (matchKeyword(text, "INFinity")) {
        out = kInfinity;
        return true;
    }
    return parseDecimal(text, out);
}

} // namespace

bool parseLoad(std::string_view text, LoadModel& load, std::string& error) {
    LoadModel next = load;
    while (!text.empty()) {
        size_t comma = text.find_first_of(", ");
        std::string_view item = trimmed(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        if (item.empty()) continue;
        size_t eq = item.find('=');
        std::string_view key = eq == std::string_view::npos ? item : item.substr(0, eq);
        double value = 0;
        if (eq == std::string_view::npos || !readValue(item.substr(eq + 1), value) || value < 0) {
            error = "bad load item '" + std::string(item) + "'";
            return false;
        }
        if (key == "r" && value > 0)
            next.resistance = value;
        else if (key == "thd")
            next.nonlinear = value / 100;
        else if (key == "lag" && value < 90)
            next.lagDegrees = value;
        else if (key == "inrush" && value >= 1)
            next.inrush = value;
        else {
            error = "bad load item '" + std::string(item) + "'";
            return false;
        }
    }
    load = next;
    return true;
}

Reading computeReading(const OutputSample& out, const ShapeFigures& shape, const LoadModel& load,
                       double currentLimit, bool thdRms) {
    Reading r;
    r.freq = out.freq;
    if (!out.relay) return r;
    double vac = out.vac;
    double vdc = out.vdc;
    double fundamental = std::isinf(load.resistance) ? 0 : vac / load.resistance;
    double harmonic = fundamental * load.nonlinear;
    double iac = std::hypot(fundamental, harmonic);
    double idc = std::isinf(load.resistance) ? 0 : vdc / load.resistance;
    double total = std::hypot(iac, idc);
    if (total > currentLimit && total > 0) {
        double k = currentLimit / total;
        vac *= k;
        vdc *= k;
        fundamental *= k;
        harmonic *= k;
        iac *= k;
        idc *= k;
        total = currentLimit;
    }
    double lag = load.lagDegrees * kPi / 180;
    r.voltAc = vac;
    r.voltDc = vdc;
    r.currAc = iac;
    r.currDc = idc;
    r.powerDc = vdc * idc;
    r.power = vac * fundamental * std::cos(lag) + r.powerDc;
    r.apparent = std::hypot(vac, vdc) * total;
    r.powerFactor = r.apparent > 0 ? r.power / r.apparent : 0;
    r.currPeak = shape.crest * fundamental + std::sqrt(2.0) * harmonic + std::fabs(idc);
    r.crest = total > 0 ? r.currPeak / total : 0;
    r.phase = -load.lagDegrees;
    if (vac > 0) {
        double thdV = (thdRms ? shape.thdRms : shape.thdFund) / 100;
        double thdLoad = thdRms ? load.nonlinear / std::sqrt(1 + load.nonlinear * load.nonlinear)
                                : load.nonlinear;
        r.thdVolt = 100 * thdV;
        r.thdCurr = 100 * std::hypot(thdV, thdLoad);
    }
    return r;
}

PhaseSpectra outputSpectra(const Spectrum& shape, const Reading& reading, const LoadModel& load,
                           bool dcCoupled) {
    PhaseSpectra out;
    Spectrum& v = out.voltage;
    Spectrum& i = out.current;
    for (size_t h = 1; h < size_t(kHarmonicLines); ++h) {
        v.amplitude[h] = reading.voltAc * shape.amplitude[h];
        v.phase[h] = shape.phase[h];
    }
    if (dcCoupled) {
        v.amplitude[0] = reading.voltDc;
        i.amplitude[0] = reading.currDc;
    }
    if (std::isinf(load.resistance)) return out;
    for (size_t h = 1; h < size_t(kHarmonicLines); ++h) {
        i.amplitude[h] = v.amplitude[h] / load.resistance;
        i.phase[h] = v.phase[h];
    }
    i.phase[1] = -load.lagDegrees;
    const double drawn = i.amplitude[1] * load.nonlinear;
    if (drawn > 0) {
        const size_t h = kLoadHarmonic;
        const double base = i.amplitude[h] > 0 ? i.phase[h] : -double(h) * load.lagDegrees - 90;
        const double re =
            i.amplitude[h] * std::cos(base * kDegree) - drawn * std::sin(base * kDegree);
        const double im =
            i.amplitude[h] * std::sin(base * kDegree) + drawn * std::cos(base * kDegree);
        i.amplitude[h] = std::hypot(re, im);
        i.phase[h] = wrapDegrees(std::atan2(im, re) / kDegree);
    }
    return out;
}

} // namespace ostrel::vsource
