// IEEE 488.2 common commands, the system subsystem and the configuration
// queries (limits, phase mode, relay hold).
#include "vsource/Commands.h"

#include <cmath>

namespace ostrel::vsource {

using namespace cmd;

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

int registerNumber(const Call& c, size_t& out) {
    double n = 0;
    if (int e = numberParam(c, {0, 15, 0}, n)) return e;
    out = size_t(std::lround(n));
    return 0;
}

int idn(Instrument& in, const Call&, std::string& out) {
    for (char ch : kMakerName)
        out += upper(ch);
    out += ',';
    out += in.limits.row->idnModel;
    out += ',';
    out += in.config.serial;
    out += ',';
    out += in.config.firmware;
    return 0;
}

int opt(Instrument& in, const Call&, std::string& out) {
    out += in.config.options.empty() ? defaultOptionText(in.limits) : in.config.options;
    return 0;
}

int cls(Instrument& in, const Call&, std::string&) {
    in.errors.clear();
    in.state.status.esr = 0;
    return 0;
}

int rst(Instrument& in, const Call&, std::string&) {
    in.resetUnit();
    return 0;
}

int sav(Instrument& in, const Call& c, std::string&) {
    size_t n = 0;
    if (int e = registerNumber(c, n)) return e;
    in.state.registers[n] = in.state.steady;
    return 0;
}

int rcl(Instrument& in, const Call& c, std::string&) {
    size_t n = 0;
    if (int e = registerNumber(c, n)) return e;
    if (in.busy()) return err::SettingsConflict;
    if (!in.state.registers[n]) {
        in.pushError(err::SettingsConflict,
                     "Settings conflict;register " + std::to_string(n) + " is empty");
        return 0;
    }
    SteadySettings recalled = *in.state.registers[n];
    for (PhaseSettings& p : recalled.phase)
        if (in.waves.canonicalName(p.function).empty()) p.function = std::string(kSine);
    in.state.steady = recalled;
    in.outputChanged = true;
    return 0;
}

int opc(Instrument& in, const Call& c, std::string& out) {
    if (c.query)
        out += in.busy() || in.resident.running() ? "+0" : "+1";
    else
        in.state.status.esr |= 1;
    return 0;
}

int trg(Instrument& in, const Call&, std::string&) {
    return in.trigger(TriggerSource::Bus);
}

int tst(Instrument&, const Call&, std::string& out) {
    out += '0';
    return 0;
}

int wai(Instrument&, const Call&, std::string&) {
    return 0;
}

int esr(Instrument& in, const Call&, std::string& out) {
    appendInt(out, in.state.status.esr);
    in.state.status.esr = 0;
    return 0;
}

int statusMask(const Call& c, std::string& out, int& mask) {
    if (c.query) {
        appendInt(out, mask);
        return 0;
    }
    double v = 0;
    if (int e = numberParam(c, {0, 255, 0}, v)) return e;
    mask = int(std::lround(v));
    return 0;
}

int ese(Instrument& in, const Call& c, std::string& out) {
    return statusMask(c, out, in.state.status.ese);
}
int sre(Instrument& in, const Call& c, std::string& out) {
    return statusMask(c, out, in.state.status.sre);
}

int stb(Instrument& in, const Call&, std::string& out) {
    int stb = 0;
    if (!in.errors.empty()) stb |= 4;
    if (in.state.status.esr & in.state.status.ese) stb |= 32;
    appendInt(out, stb);
    return 0;
}

int systErr(Instrument& in, const Call&, std::string& out) {
    ErrorEntry e = in.errors.pop();
    appendInt(out, e.code);
    out += ",\"";
    out += e.text;
    out += '"';
    return 0;
}

int systErrCount(Instrument& in, const Call&, std::string& out) {
    appendInt(out, (long long)in.errors.size());
    return 0;
}

int systVers(Instrument&, const Call&, std::string& out) {
    out += "1991.0";
    return 0;
}

int systRemote(Instrument& in, const Call& c, std::string&) {
    in.setRemote(RemoteState(c.arg));
    return 0;
}

int systConf(Instrument& in, const Call&, std::string& out) {
    out += "KVP501-1,";
    appendInt(out, in.state.outputs);
    out += ',';
    out += in.limits.row->displayName;
    return 0;
}

int systNout(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        if (in.limits.row->modeSwitchable)
            out += in.state.outputs == 3 ? "+3" : "+1";
        else
            out += "FIX";
        return 0;
    }
    double n = 0;
    if (int e = numberParam(c, {1, 3, 3}, n)) return e;
    if (n != 1 && n != 3) return err::IllegalParameterValue;
    if (!in.limits.row->modeSwitchable || in.busy()) return err::SettingsConflict;
    in.startPhaseModeChange(int(n));
    return 0;
}

enum Limit { FreqHigh, FreqLow, VoltHigh, VoltLow, Curr, Phase };

int limit(Instrument& in, const Call& c, std::string& out) {
    const ModelLimits& m = in.limits;
    bool dc = in.state.steady.mode == OutputMode::Dc;
    switch (c.arg) {
    case FreqHigh:
        appendReal(out, m.freqMax);
        break;
    case FreqLow:
        appendReal(out, m.freqMin);
        break;
    case VoltHigh:
        appendReal(out, dc ? m.dcRange[1] : m.acRange[1]);
        break;
    case VoltLow:
        appendReal(out, dc ? m.dcRange[0] : m.acRange[0]);
        break;
    case Curr:
        appendReal(out, m.currentBase);
        break;
    case Phase:
        appendInt(out, m.row->phases == 3 ? 120 : 0);
        break;
    }
    return 0;
}

int relayHold(Instrument& in, const Call&, std::string& out) {
    appendInt(out, in.limits.relayHoldMs);
    return 0;
}

} // namespace

void addCommonCommands(std::vector<CommandDef>& s) {
    s.insert(s.end(),
             {
                 {"*IDN", QueryOnly, idn},
                 {"*OPT", QueryOnly, opt},
                 {"*CLS", SetOnly, cls},
                 {"*RST", SetOnly, rst},
                 {"*SAV", SetOnly, sav},
                 {"*RCL", SetOnly, rcl},
                 {"*OPC", SetAndQuery, opc},
                 {"*TRG", SetOnly, trg},
                 {"*TST", QueryOnly, tst},
                 {"*WAI", SetOnly, wai},
                 {"*ESR", QueryOnly, esr},
                 {"*ESE", SetAndQuery, ese},
                 {"*SRE", SetAndQuery, sre},
                 {"*STB", QueryOnly, stb},
                 {"SYSTem:ERRor[:NEXT]", QueryOnly, systErr},
                 {"SYSTem:ERRor:COUNt", QueryOnly, systErrCount},
                 {"SYSTem:VERSion", QueryOnly, systVers},
                 {"SYSTem:LOCal", SetOnly, systRemote, int(RemoteState::Local)},
                 {"SYSTem:REMote", SetOnly, systRemote, int(RemoteState::Remote)},
                 {"SYSTem:RWLock", SetOnly, systRemote, int(RemoteState::RemoteWithLockout)},
                 {"SYSTem:CONFigure[:INFormation]", QueryOnly, systConf},
                 {"SYSTem:CONFigure:NOUTputs", SetAndQuery, systNout},
                 {"LIMit:FREQuency[:HIGH]", QueryOnly, limit, FreqHigh},
                 {"LIMit:FREQuency:LOW", QueryOnly, limit, FreqLow},
                 {"LIMit:VOLTage[:HIGH]", QueryOnly, limit, VoltHigh},
                 {"LIMit:VOLTage:LOW", QueryOnly, limit, VoltLow},
                 {"LIMit:CURRent", QueryOnly, limit, Curr},
                 {"LIMit:PHASe", QueryOnly, limit, Phase},
                 {"PONSetup:RELay:HOLD", QueryOnly, relayHold},
             });
}

} // namespace ostrel::vsource
