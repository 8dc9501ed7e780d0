// Readings: "meas:" takes a fresh reading of every phase, "fetc:" answers from
// the last one; both report the selected phase.
#include "vsource/Commands.h"

namespace ostrel::vsource {

using namespace cmd;

namespace {

enum Quantity {
    VoltAc,
    VoltDc,
    CurrAc,
    CurrDc,
    Power,
    PowerDc,
    Apparent,
    PowerFactor,
    CurrPeak,
    Crest,
    Freq,
    Phase,
    ThdVolt,
    ThdCurr,
};
constexpr int kFresh = 100;

int reading(Instrument& in, const Call& c, std::string& out) {
    if (!c.params.empty()) return err::ParameterNotAllowed;
    bool fresh = c.arg >= kFresh;
    int p = in.selectedPhase();
    if (fresh || !in.hasReading[size_t(p)]) in.takeReadings(fresh);
    const Reading& r = in.lastReading[size_t(p)];
    double v = 0;
    switch (Quantity(c.arg % kFresh)) {
    case VoltAc:
        v = r.voltAc;
        break;
    case VoltDc:
        v = r.voltDc;
        break;
    case CurrAc:
        v = r.currAc;
        break;
    case CurrDc:
        v = r.currDc;
        break;
    case Power:
        v = r.power;
        break;
    case PowerDc:
        v = r.powerDc;
        break;
    case Apparent:
        v = r.apparent;
        break;
    case PowerFactor:
        v = r.powerFactor;
        break;
    case CurrPeak:
        v = in.peakHold[size_t(p)];
        break;
    case Crest:
        v = r.crest;
        break;
    case Freq:
        v = r.freq;
        break;
    case Phase:
        v = r.phase;
        break;
    case ThdVolt:
        v = r.thdVolt;
        break;
    case ThdCurr:
        v = r.thdCurr;
        break;
    }
    appendReading(out, v);
    return 0;
}

int peakReset(Instrument& in, const Call& c, std::string&) {
    if (!c.params.empty()) return err::ParameterNotAllowed;
    forEachTarget(in, [&](PhaseSettings&, int p) { in.resetPeak(p); });
    return 0;
}

int thdMode(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.thdRms, {{"FUNDamental", 0}, {"RMSQ", 1}}, {"FUND", "RMSQ"}, out);
}

} // namespace

void addMeasureCommands(std::vector<CommandDef>& s) {
    s.insert(
        s.end(),
        {
            {"FETCh[:SCALar]:VOLTage[:AC]", QueryOnly, reading, VoltAc},
            {"FETCh[:SCALar]:VOLTage:DC", QueryOnly, reading, VoltDc},
            {"FETCh[:SCALar]:CURRent[:AC]", QueryOnly, reading, CurrAc},
            {"FETCh[:SCALar]:CURRent:DC", QueryOnly, reading, CurrDc},
            {"FETCh[:SCALar]:POWer[:AC][:REAL]", QueryOnly, reading, Power},
            {"FETCh[:SCALar]:POWer:DC", QueryOnly, reading, PowerDc},
            {"FETCh[:SCALar]:POWer:AC:APParent", QueryOnly, reading, Apparent},
            {"FETCh[:SCALar]:POWer:AC:PFACtor", QueryOnly, reading, PowerFactor},
            {"FETCh[:SCALar]:CURRent:AMPLitude:MAXimum", QueryOnly, reading, CurrPeak},
            {"FETCh[:SCALar]:CURRent:CREStfactor", QueryOnly, reading, Crest},
            {"FETCh[:SCALar]:FREQuency", QueryOnly, reading, Freq},
            {"FETCh[:SCALar]:PHASe", QueryOnly, reading, Phase},
            {"FETCh[:SCALar]:VOLTage:HARMonic:THD", QueryOnly, reading, ThdVolt},
            {"FETCh[:SCALar]:CURRent:HARMonic:THD", QueryOnly, reading, ThdCurr},
            {"MEASure[:SCALar]:VOLTage[:AC]", QueryOnly, reading, kFresh + VoltAc},
            {"MEASure[:SCALar]:VOLTage:DC", QueryOnly, reading, kFresh + VoltDc},
            {"MEASure[:SCALar]:CURRent[:AC]", QueryOnly, reading, kFresh + CurrAc},
            {"MEASure[:SCALar]:CURRent:DC", QueryOnly, reading, kFresh + CurrDc},
            {"MEASure[:SCALar]:POWer[:AC][:REAL]", QueryOnly, reading, kFresh + Power},
            {"MEASure[:SCALar]:POWer:DC", QueryOnly, reading, kFresh + PowerDc},
            {"MEASure[:SCALar]:POWer:AC:APParent", QueryOnly, reading, kFresh + Apparent},
            {"MEASure[:SCALar]:POWer:AC:PFACtor", QueryOnly, reading, kFresh + PowerFactor},
            {"MEASure[:SCALar]:CURRent:AMPLitude:MAXimum", QueryOnly, reading, kFresh + CurrPeak},
            {"MEASure[:SCALar]:CURRent:CREStfactor", QueryOnly, reading, kFresh + Crest},
            {"MEASure[:SCALar]:FREQuency", QueryOnly, reading, kFresh + Freq},
            {"MEASure[:SCALar]:PHASe", QueryOnly, reading, kFresh + Phase},
            {"MEASure[:SCALar]:VOLTage:HARMonic:THD", QueryOnly, reading, kFresh + ThdVolt},
            {"MEASure[:SCALar]:CURRent:HARMonic:THD", QueryOnly, reading, kFresh + ThdCurr},
            {"MEASure[:SCALar]:CURRent:AMPLitude:RESet", SetOnly, peakReset},
            {"MEASure:THD:MODE", SetAndQuery, thdMode},
        });
}

} // namespace ostrel::vsource
