// Steady-state output settings: mode, frequency, voltage, current, phase,
// waveform, range, regulation, protection, relay, impedance, sense and the
// phase selection.
#include "vsource/Commands.h"

#include <algorithm>
#include <cmath>

namespace ostrel::vsource {

using namespace cmd;

namespace {

constexpr NumberRange kSlew{1e-6, 1e9, kInfinity, true};

double acMax(const Instrument& in) {
    return in.limits.acRange[size_t(in.state.steady.range)];
}
double dcMax(const Instrument& in) {
    return in.limits.dcRange[size_t(in.state.steady.range)];
}

int mode(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    if (c.query) {
        out += modeName(s.mode);
        return 0;
    }
    int m = 0;
    if (int e = choiceParam(c, {{"AC", 0}, {"DC", 1}, {"ACDC", 2}}, m)) return e;
    if (in.busy()) return err::SettingsConflict;
    s.mode = OutputMode(m);
    in.outputChanged = true;
    return 0;
}

int freq(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    const ModelLimits& m = in.limits;
    if (c.query) return queryValue(c, s.freq, m.freqMin, m.freqMax, out);
    double f = 0;
    if (int e = numberParam(c, {m.freqMin, m.freqMax, 60}, f)) return e;
    s.freq = f;
    in.outputChanged = true;
    return 0;
}

int freqMode(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.steady.freqMode, {{"FIXed", 0}, {"LIST", 1}, {"SENSe", 2}, {"AUXiliary", 3}},
                       {"FIX", "LIST", "SENS", "AUX"}, out);
}

int freqSlew(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    if (c.query) return queryValue(c, s.freqSlew, kSlew.min, kInfinity, out);
    return numberParam(c, kSlew, s.freqSlew);
}

int fixOrList(const Call& c, bool& listMode, std::string& out) {
    return enumSetting(c, listMode, {{"FIXed", 0}, {"LIST", 1}}, {"FIX", "LIST"}, out);
}

int freqSlewMode(Instrument& in, const Call& c, std::string& out) {
    return fixOrList(c, in.state.steady.freqSlewList, out);
}

enum VoltKind { Level, Ac, Dc, Offset };

// "volt" sets the level of the present mode; "volt:dc" in AC+DC mode is the offset.
VoltKind resolve(const Instrument& in, VoltKind kind) {
    OutputMode m = in.state.steady.mode;
    if (kind == Level) return m == OutputMode::Dc ? Dc : Ac;
    if (kind == Dc && m == OutputMode::AcDc) return Offset;
    return kind;
}

int volt(Instrument& in, const Call& c, std::string& out) {
    VoltKind kind = resolve(in, VoltKind(c.arg));
    double high = kind == Ac ? acMax(in) : dcMax(in);
    double low = kind == Ac ? 0 : -high;
    if (c.query) {
        const PhaseSettings& p = selected(in);
        double v = kind == Ac ? p.voltAc : kind == Dc ? p.voltDc : p.offset;
        return queryValue(c, v, low, high, out);
    }
    double v = 0;
    if (int e = numberParam(c, {low, high, 0}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) {
        (kind == Ac ? p.voltAc : kind == Dc ? p.voltDc : p.offset) = v;
    });
    in.outputChanged = true;
    return 0;
}

int voltRange(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    const auto& ranges = s.mode == OutputMode::Dc ? in.limits.dcRange : in.limits.acRange;
    if (c.query) return queryValue(c, ranges[size_t(s.range)], ranges[0], ranges[1], out);
    double v = 0;
    if (int e = numberParam(c, {0, ranges[1], ranges[0]}, v)) return e;
    int range = v <= ranges[0] ? 0 : 1;
    if (range == s.range) return 0;
    if (s.relay || in.busy()) return err::SettingsConflict;
    s.range = range;
    double ac = in.limits.acRange[size_t(range)];
    double dc = in.limits.dcRange[size_t(range)];
    double amps = currentMax(in.limits, range);
    for (PhaseSettings& p : s.phase) {
        p.voltAc = std::min(p.voltAc, ac);
        p.voltDc = std::clamp(p.voltDc, -dc, dc);
        p.current = std::min(p.current, amps);
    }
    in.outputChanged = true;
    return 0;
}

int voltAlc(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    if (c.query) {
        appendInt(out, s.alc);
        return 0;
    }
    return choiceParam(c, {{"OFF", 0}, {"ON", 1}, {"REGulate", 2}, {"0", 0}, {"1", 1}, {"2", 2}},
                       s.alc);
}

int voltSense(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.steady.senseExternal, {{"INTernal", 0}, {"EXTernal", 1}}, {"INT", "EXT"}, out);
}

enum PhaseMode { VoltMode, VoltSlewMode, FuncMode };

int phaseMode(Instrument& in, const Call& c, std::string& out) {
    auto flag = [&](PhaseSettings& p) -> bool& {
        return c.arg == VoltMode ? p.voltList : c.arg == VoltSlewMode ? p.voltSlewList : p.funcList;
    };
    if (c.query) {
        out += flag(selected(in)) ? "LIST" : "FIX";
        return 0;
    }
    int v = 0;
    if (int e = choiceParam(c, {{"FIXed", 0}, {"LIST", 1}}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { flag(p) = v == 1; });
    return 0;
}

int voltSlew(Instrument& in, const Call& c, std::string& out) {
    if (c.query) return queryValue(c, selected(in).voltSlew, kSlew.min, kInfinity, out);
    double v = 0;
    if (int e = numberParam(c, kSlew, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.voltSlew = v; });
    return 0;
}

int curr(Instrument& in, const Call& c, std::string& out) {
    double high = currentMax(in.limits, in.state.steady.range);
    if (c.query) return queryValue(c, selected(in).current, 0, high, out);
    double v = 0;
    if (int e = numberParam(c, {0, high, high}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.current = v; });
    in.outputChanged = true;
    return 0;
}

int protState(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendBool(out, in.state.steady.protection);
        return 0;
    }
    return boolParam(c, in.state.steady.protection);
}

int protDelay(Instrument& in, const Call& c, std::string& out) {
    double& d = in.state.steady.protectionDelay;
    if (c.query) return queryValue(c, d, 0, 60, out);
    return numberParam(c, {0, 60, 0.1}, d);
}

int phase(Instrument& in, const Call& c, std::string& out) {
    if (c.query) return queryValue(c, selected(in).angle, 0, 360, out);
    double v = 0;
    if (int e = numberParam(c, {0, 360, 0}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.angle = v; });
    in.outputChanged = true;
    return 0;
}

int func(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        out += selected(in).function;
        return 0;
    }
    std::string_view text;
    if (int e = single(c, text)) return e;
    std::string name = in.waves.canonicalName(text);
    if (name.empty()) return err::IllegalParameterValue;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.function = name; });
    in.outputChanged = true;
    return 0;
}

// "func:csin 10 thd": the clip level as total harmonic distortion in percent.
int funcClip(Instrument& in, const Call& c, std::string& out) {
    auto unitOk = [](std::string_view u) {
        return u.empty() || matchKeyword(u, "THD") || u == "%" || matchKeyword(u, "PCT");
    };
    if (c.query) {
        if (c.params.size() > 1 || (!c.params.empty() && !unitOk(c.params[0])))
            return err::IllegalParameterValue;
        appendReal(out, selected(in).clipThd);
        return 0;
    }
    std::string_view text;
    if (int e = single(c, text)) return e;
    size_t space = text.find_first_of(" \t");
    std::string_view number = text.substr(0, space);
    std::string_view unit =
        space == std::string_view::npos ? std::string_view{} : trimmed(text.substr(space));
    if (!unitOk(unit)) return err::InvalidSuffix;
    double v = 0;
    if (int e = readNumber(number, {0, 40, 0}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.clipThd = v; });
    in.outputChanged = true;
    return 0;
}

int outp(Instrument& in, const Call& c, std::string& out) {
    SteadySettings& s = in.state.steady;
    if (c.query) {
        appendBool(out, s.relay);
        return 0;
    }
    if (int e = boolParam(c, s.relay)) return e;
    in.outputChanged = true;
    return 0;
}

int impReal(Instrument& in, const Call& c, std::string& out) {
    double high = in.limits.impedanceMax;
    if (c.query) return queryValue(c, selected(in).impedance, 0, high, out);
    double v = 0;
    if (int e = numberParam(c, {0, high, 0}, v)) return e;
    forEachTarget(in, [&](PhaseSettings& p, int) { p.impedance = v; });
    return 0;
}

int impState(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendBool(out, in.state.steady.impedanceOn);
        return 0;
    }
    return boolParam(c, in.state.steady.impedanceOn);
}

int vanu(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.steady.impedanceNetwork, {{"BYPass", 0}, {"ENGaged", 1}}, {"BYP", "ENG"}, out);
}

int riMode(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.steady.remoteInhibit, {{"LIVE", 0}, {"LATChing", 1}, {"OFF", 2}},
                       {"LIVE", "LATC", "OFF"}, out);
}

int instCouple(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.selection.coupleAll, {{"NONE", 0}, {"ALL", 1}}, {"NONE", "ALL"}, out);
}

int instSelect(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendInt(out, in.selectedPhase() + 1);
        return 0;
    }
    double v = 0;
    if (int e = numberParam(c, {1, double(in.state.outputs), 1}, v)) return e;
    in.state.selection.nsel = int(std::lround(v));
    return 0;
}

int senseCoupling(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.steady.senseCouplingAc, {{"DC", 0}, {"AC", 1}}, {"DC", "AC"}, out);
}

} // namespace

void addSourceCommands(std::vector<CommandDef>& s) {
    s.insert(s.end(),
             {
                 {"[SOURce:]MODE", SetAndQuery, mode},
                 {"[SOURce:]FREQuency[:IMMediate]", SetAndQuery, freq},
                 {"[SOURce:]FREQuency:MODE", SetAndQuery, freqMode},
                 {"[SOURce:]FREQuency:SLEW[:IMMediate]", SetAndQuery, freqSlew},
                 {"[SOURce:]FREQuency:SLEW:MODE", SetAndQuery, freqSlewMode},
                 {"[SOURce:]VOLTage[:LEVel][:IMMediate][:AMPLitude]", SetAndQuery, volt, Level},
                 {"[SOURce:]VOLTage[:LEVel]:AC", SetAndQuery, volt, Ac},
                 {"[SOURce:]VOLTage[:LEVel]:DC", SetAndQuery, volt, Dc},
                 {"[SOURce:]VOLTage:OFFSet", SetAndQuery, volt, Offset},
                 {"[SOURce:]VOLTage:RANGe", SetAndQuery, voltRange},
                 {"[SOURce:]VOLTage:ALC[:STATe]", SetAndQuery, voltAlc},
                 {"[SOURce:]VOLTage:SENSe[:SOURce]", SetAndQuery, voltSense},
                 {"[SOURce:]VOLTage:MODE", SetAndQuery, phaseMode, VoltMode},
                 {"[SOURce:]VOLTage:SLEW[:IMMediate]", SetAndQuery, voltSlew},
                 {"[SOURce:]VOLTage:SLEW:MODE", SetAndQuery, phaseMode, VoltSlewMode},
                 {"[SOURce:]CURRent[:LEVel][:IMMediate][:AMPLitude]", SetAndQuery, curr},
                 {"[SOURce:]CURRent:PROTection[:STATe]", SetAndQuery, protState},
                 {"[SOURce:]CURRent:PROTection:DELay", SetAndQuery, protDelay},
                 {"[SOURce:]PHASe[:ADJust]", SetAndQuery, phase},
                 {"[SOURce:]FUNCtion[:SHAPe]", SetAndQuery, func},
                 {"[SOURce:]FUNCtion:CSINusoid", SetAndQuery, funcClip},
                 {"[SOURce:]FUNCtion:MODE", SetAndQuery, phaseMode, FuncMode},
                 {"OUTPut[:STATe]", SetAndQuery, outp},
                 {"OUTPut:IMPedance:REAL", SetAndQuery, impReal},
                 {"OUTPut:IMPedance[:STATe]", SetAndQuery, impState},
                 {"OUTPut:VANU", SetAndQuery, vanu},
                 {"OUTPut:RI:MODE", SetAndQuery, riMode},
                 {"INSTrument:COUPle", SetAndQuery, instCouple},
                 {"INSTrument:NSELect", SetAndQuery, instSelect},
                 {"SENSe:COUPling", SetAndQuery, senseCoupling},
             });
}

} // namespace ostrel::vsource
