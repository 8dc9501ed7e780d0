// The list-transient system: lists, pacing, triggering, initiate and abort.
#include "vsource/Commands.h"

#include <algorithm>
#include <cmath>

namespace ostrel::vsource {

using namespace cmd;

namespace {

constexpr NumberRange kSlew{1e-6, 1e9, kInfinity, true};

enum ListKind { Dwell, Freq, FreqSlew, Repeat, Ttl, Volt, VoltSlew, Shape };

std::vector<double>* numberList(Instrument& in, ListKind kind, PhaseLists& phase) {
    ListSettings& l = in.state.lists;
    switch (kind) {
    case Dwell:
        return &l.dwell;
    case Freq:
        return &l.freq;
    case FreqSlew:
        return &l.freqSlew;
    case Repeat:
        return &l.repeat;
    case Ttl:
        return &l.ttl;
    case Volt:
        return &phase.volt;
    case VoltSlew:
        return &phase.voltSlew;
    case Shape:
        return nullptr;
    }
    return nullptr;
}

NumberRange listRange(const Instrument& in, ListKind kind) {
    const ModelLimits& m = in.limits;
    const SteadySettings& s = in.state.steady;
    switch (kind) {
    case Dwell:
        return {m.minimumDwell, 1e6, 1};
    case Freq:
        return {m.freqMin, m.freqMax, 60};
    case FreqSlew:
    case VoltSlew:
        return kSlew;
    case Repeat:
        return {0, 65535, 0};
    case Ttl:
        return {0, 1, 0};
    case Volt:
        if (s.mode == OutputMode::Dc)
            return {-m.dcRange[size_t(s.range)], m.dcRange[size_t(s.range)], 0};
        return {0, m.acRange[size_t(s.range)], 0};
    case Shape:
        break;
    }
    return {0, 0, 0};
}

bool perPhase(ListKind kind) {
    return kind == Volt || kind == VoltSlew || kind == Shape;
}

int list(Instrument& in, const Call& c, std::string& out) {
    ListKind kind = ListKind(c.arg);
    PhaseLists& sel = in.state.lists.phase[size_t(in.selectedPhase())];
    if (c.query) {
        if (!c.params.empty()) return err::ParameterNotAllowed;
        if (kind == Shape) {
            for (size_t i = 0; i < sel.shape.size(); ++i) {
                if (i) out += ',';
                out += sel.shape[i];
            }
        } else if (kind == Repeat || kind == Ttl) {
            const std::vector<double>& values = *numberList(in, kind, sel);
            for (size_t i = 0; i < values.size(); ++i) {
                if (i) out += ',';
                appendInt(out, std::llround(values[i]));
            }
        } else {
            appendList(out, *numberList(in, kind, sel));
        }
        return 0;
    }
    if (c.params.empty() || (c.params.size() == 1 && c.params[0].empty()))
        return err::MissingParameter;
    if (c.params.size() > size_t(in.limits.listCapacity)) return err::TooMuchData;
    if (kind == Shape) {
        std::vector<std::string> names;
        names.reserve(c.params.size());
        for (std::string_view p : c.params) {
            std::string name = in.waves.canonicalName(p);
            if (name.empty()) return err::IllegalParameterValue;
            names.push_back(std::move(name));
        }
        cmd::forEachTarget(
            in, [&](PhaseSettings&, int p) { in.state.lists.phase[size_t(p)].shape = names; });
        return 0;
    }
    NumberRange range = listRange(in, kind);
    std::vector<double> values(c.params.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (int e = readNumber(c.params[i], range, values[i])) return e;
        if (kind == Repeat || kind == Ttl) values[i] = std::round(values[i]);
    }
    if (perPhase(kind))
        cmd::forEachTarget(in, [&](PhaseSettings&, int p) {
            *numberList(in, kind, in.state.lists.phase[size_t(p)]) = values;
        });
    else
        *numberList(in, kind, sel) = std::move(values);
    return 0;
}

int listPoints(Instrument& in, const Call& c, std::string& out) {
    ListKind kind = ListKind(c.arg);
    PhaseLists& sel = in.state.lists.phase[size_t(in.selectedPhase())];
    size_t n = kind == Shape ? sel.shape.size() : numberList(in, kind, sel)->size();
    appendInt(out, (long long)n);
    return 0;
}

int listCount(Instrument& in, const Call& c, std::string& out) {
    double& count = in.state.lists.count;
    if (c.query) {
        if (std::isinf(count))
            appendReal(out, count);
        else
            appendInt(out, std::llround(count));
        return 0;
    }
    std::string_view text;
    if (int e = single(c, text)) return e;
    if (matchKeyword(text, "INFinity")) {
        count = kInfinity;
        return 0;
    }
    double v = 0;
    if (int e = readNumber(text, {1, 65535, 1}, v)) return e;
    count = std::round(v);
    return 0;
}

int listStep(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.lists.stepOnce, {{"AUTO", 0}, {"ONCE", 1}}, {"AUTO", "ONCE"}, out);
}

int trigSource(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.source, {{"IMMediate", 0}, {"BUS", 1}, {"EXTernal", 2}},
                       {"IMM", "BUS", "EXT"}, out);
}

int syncSource(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.sync, {{"IMMediate", 0}, {"PHASe", 1}}, {"IMM", "PHAS"}, out);
}

int syncPhase(Instrument& in, const Call& c, std::string& out) {
    double& a = in.state.trigger.syncPhase;
    if (c.query) return queryValue(c, a, 0, 360, out);
    return numberParam(c, {0, 360, 0}, a);
}

int acqSource(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.acquire, {{"IMMediate", 0}, {"TTLTrg", 1}, {"SYNChronize", 2}},
                       {"IMM", "TTLT", "SYNC"}, out);
}

int trigCount(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.countAll, {{"NONE", 0}, {"ALL", 1}}, {"NONE", "ALL"}, out);
}

int trigState(Instrument& in, const Call&, std::string& out) {
    out += in.busy() ? "BUSY" : "IDLE";
    return 0;
}

// Sequence 1 is the transient, sequence 3 the acquisition.
int initSequence(Instrument& in, int sequence) {
    if (sequence == 3) {
        in.armAcquisition();
        return 0;
    }
    if (sequence != 1) return -114;
    return in.initiateTransient();
}

int init(Instrument& in, const Call& c, std::string&) {
    if (!c.params.empty() && !(c.params.size() == 1 && c.params[0].empty()))
        return err::ParameterNotAllowed;
    int sequence = c.suffix[size_t(c.nodeCount - 1)];
    return initSequence(in, sequence == 0 ? 1 : sequence);
}

int sequenceName(std::string_view text, int& sequence) {
    int v = 0;
    if (int e = readChoice(text, {{"TRANsient", 1}, {"ACQuire", 3}}, v)) return e;
    sequence = v;
    return 0;
}

int initName(Instrument& in, const Call& c, std::string&) {
    std::string_view text;
    if (int e = single(c, text)) return e;
    int sequence = 0;
    if (int e = sequenceName(text, sequence)) return e;
    return initSequence(in, sequence);
}

// Re-arming after each run applies to the transient; for the acquisition it is accepted and kept
// off.
int initCont(Instrument& in, const Call& c, std::string& out) {
    int sequence = c.suffix[size_t(c.nodeCount - 1)];
    if (c.query) {
        appendBool(out, sequence != 3 && in.state.trigger.continuous);
        return 0;
    }
    bool on = false;
    if (int e = boolParam(c, on)) return e;
    if (sequence == 0 || sequence == 1) in.state.trigger.continuous = on;
    return 0;
}

int initContName(Instrument& in, const Call& c, std::string& out) {
    if (c.params.empty() || c.params[0].empty()) return err::MissingParameter;
    int sequence = 0;
    if (int e = sequenceName(c.params[0], sequence)) return e;
    if (c.query) {
        if (c.params.size() > 1) return err::ParameterNotAllowed;
        appendBool(out, sequence == 1 && in.state.trigger.continuous);
        return 0;
    }
    if (c.params.size() != 2)
        return c.params.size() < 2 ? err::MissingParameter : err::ParameterNotAllowed;
    bool on = false;
    if (int e = readBool(c.params[1], on)) return e;
    if (sequence == 1) in.state.trigger.continuous = on;
    return 0;
}

int abortAll(Instrument& in, const Call&, std::string&) {
    in.abortTransient();
    residentAbort(in);
    return 0;
}

int ttlState(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendBool(out, in.state.trigger.ttlEnabled);
        return 0;
    }
    return boolParam(c, in.state.trigger.ttlEnabled);
}

int ttlSource(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.ttlSource, {{"BOT", 0}, {"EOT", 1}, {"LIST", 2}}, {"BOT", "EOT", "LIST"},
                       out);
}

int ttlMode(Instrument& in, const Call& c, std::string& out) {
    return enumSetting(c, in.state.trigger.ttlStrobe, {{"TRIGger", 0}, {"FSTRobe", 1}}, {"TRIG", "FSTR"}, out);
}

int sweepOffset(Instrument& in, const Call& c, std::string& out) {
    double& v = in.state.trigger.sweepOffset;
    if (c.query) return queryValue(c, v, -1, 1000, out);
    return numberParam(c, {-1, 1000, 0}, v);
}

// The sample interval is a whole number of 2.5 us ticks; other values are taken to the nearest.
int sweepInterval(Instrument& in, const Call& c, std::string& out) {
    constexpr double kTick = 2.5e-6;
    constexpr double kLongest = 4000 * kTick;
    double& v = in.state.trigger.sweepInterval;
    if (c.query) return queryValue(c, v, kTick, kLongest, out, appendReading);
    double asked = 0;
    if (int e = numberParam(c, {0, 1, kTick}, asked)) return e;
    v = std::clamp(std::round(asked / kTick), 1.0, kLongest / kTick) * kTick;
    return 0;
}

} // namespace

void addListCommands(std::vector<CommandDef>& s) {
    s.insert(s.end(), {
                          {"[SOURce:]LIST:DWELl", SetAndQuery, list, Dwell},
                          {"[SOURce:]LIST:FREQuency[:LEVel]", SetAndQuery, list, Freq},
                          {"[SOURce:]LIST:FREQuency:SLEW", SetAndQuery, list, FreqSlew},
                          {"[SOURce:]LIST:REPeat", SetAndQuery, list, Repeat},
                          {"[SOURce:]LIST:TTLTrg", SetAndQuery, list, Ttl},
                          {"[SOURce:]LIST:VOLTage[:LEVel]", SetAndQuery, list, Volt},
                          {"[SOURce:]LIST:VOLTage:SLEW", SetAndQuery, list, VoltSlew},
                          {"[SOURce:]LIST:SHAPe", SetAndQuery, list, Shape},
                          {"[SOURce:]LIST:DWELl:POINts", QueryOnly, listPoints, Dwell},
                          {"[SOURce:]LIST:FREQuency[:LEVel]:POINts", QueryOnly, listPoints, Freq},
                          {"[SOURce:]LIST:FREQuency:SLEW:POINts", QueryOnly, listPoints, FreqSlew},
                          {"[SOURce:]LIST:REPeat:POINts", QueryOnly, listPoints, Repeat},
                          {"[SOURce:]LIST:TTLTrg:POINts", QueryOnly, listPoints, Ttl},
                          {"[SOURce:]LIST:VOLTage[:LEVel]:POINts", QueryOnly, listPoints, Volt},
                          {"[SOURce:]LIST:VOLTage:SLEW:POINts", QueryOnly, listPoints, VoltSlew},
                          {"[SOURce:]LIST:SHAPe:POINts", QueryOnly, listPoints, Shape},
                          {"[SOURce:]LIST:COUNt", SetAndQuery, listCount},
                          {"[SOURce:]LIST:STEP", SetAndQuery, listStep},
                          {"TRIGger[:TRANsient]:SOURce", SetAndQuery, trigSource},
                          {"TRIGger[:TRANsient]:SYNChronize:SOURce", SetAndQuery, syncSource},
                          {"TRIGger[:TRANsient]:SYNChronize:PHASe", SetAndQuery, syncPhase},
                          {"TRIGger:ACQuire:SOURce", SetAndQuery, acqSource},
                          {"TRIGger[:TRANsient]:COUNt", SetAndQuery, trigCount},
                          {"TRIGger[:TRANsient]:STATe", QueryOnly, trigState},
                          {"INITiate[:IMMediate][:SEQuence#]", SetOnly, init},
                          {"INITiate[:IMMediate]:NAME", SetOnly, initName},
                          {"INITiate:CONTinuous[:SEQuence#]", SetAndQuery, initCont},
                          {"INITiate:CONTinuous:NAME", SetAndQuery, initContName},
                          {"ABORt", SetOnly, abortAll},
                          {"OUTPut:TTLTrg[:STATe]", SetAndQuery, ttlState},
                          {"OUTPut:TTLTrg:SOURce", SetAndQuery, ttlSource},
                          {"OUTPut:TTLTrg:MODE", SetAndQuery, ttlMode},
                          {"SENSe:SWEep:OFFSet", SetAndQuery, sweepOffset},
                          {"SENSe:SWEep:TINTerval", SetAndQuery, sweepInterval},
                      });
}

} // namespace ostrel::vsource
