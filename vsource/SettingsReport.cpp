#include "vsource/SettingsReport.h"

#include "vsource/Instrument.h"
#include "vsource/OutputModel.h"

namespace ostrel::vsource {

namespace {

std::string_view listMode(bool list) {
    return list ? "LIST" : "FIX";
}

std::string_view freqModeName(FreqMode mode) {
    switch (mode) {
    case FreqMode::Fix:
        return "FIX";
    case FreqMode::List:
        return "LIST";
    case FreqMode::Sense:
        return "SENS";
    case FreqMode::Aux:
        return "AUX";
    }
    return "FIX";
}

} // namespace

std::string describeSettings(const Instrument& instrument) {
    const SteadySettings& s = instrument.state.steady;
    std::string out;
    for (int p = 0; p < instrument.state.outputs && p < 3; ++p) {
        const PhaseSettings& ph = s.phase[size_t(p)];
        out += "phase=";
        appendInt(out, p + 1);
        out += " mode=";
        out += modeName(s.mode);
        out += " range=";
        appendInt(out, s.range);
        out += " relay=";
        out += s.relay ? '1' : '0';
        out += " vac=";
        appendReal(out, ph.voltAc);
        out += " vdc=";
        appendReal(out, ph.voltDc);
        out += " offset=";
        appendReal(out, ph.offset);
        out += " curr=";
        appendReal(out, ph.current);
        out += " freq=";
        appendReal(out, s.freq);
        out += " wave=";
        out += ph.function;
        out += " volt:mode=";
        out += listMode(ph.voltList);
        out += " volt:slew:mode=";
        out += listMode(ph.voltSlewList);
        out += " freq:mode=";
        out += freqModeName(s.freqMode);
        out += " freq:slew:mode=";
        out += listMode(s.freqSlewList);
        out += " func:mode=";
        out += listMode(ph.funcList);
        out += '\n';
    }
    return out;
}

std::string describeWaves(const Instrument& instrument) {
    std::string out;
    for (const std::string& name : instrument.waves.userNames()) {
        out += name;
        out += '\n';
    }
    out += "free=";
    appendInt(out, instrument.waves.freeSlots());
    out += '\n';
    return out;
}

} // namespace ostrel::vsource
