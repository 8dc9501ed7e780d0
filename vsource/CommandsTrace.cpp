// Waveform registers: define, load, delete and list user waveforms.
#include "vsource/Commands.h"

namespace ostrel::vsource {

using namespace cmd;

namespace {

bool inUse(const Instrument& in, const std::string& name) {
    for (size_t p = 0; p < 3; ++p) {
        if (in.state.steady.phase[p].function == name || in.output.phase[p].wave == name)
            return true;
        for (const std::string& s : in.state.lists.phase[p].shape)
            if (s == name) return true;
    }
    return false;
}

int requireRegisters(const Instrument& in) {
    return in.limits.row->vkFamily ? 0 : err::HardwareMissing;
}

int define(Instrument& in, const Call& c, std::string&) {
    if (int e = requireRegisters(in)) return e;
    if (c.params.empty() || c.params[0].empty()) return err::MissingParameter;
    if (c.params.size() > 2) return err::ParameterNotAllowed;
    return in.waves.define(c.params[0]);
}

int data(Instrument& in, const Call& c, std::string& out) {
    if (int e = requireRegisters(in)) return e;
    if (c.params.empty() || c.params[0].empty()) return err::MissingParameter;
    if (c.query) {
        const std::vector<double>* samples = in.waves.samples(in.waves.canonicalName(c.params[0]));
        if (!samples) return err::IllegalParameterValue;
        appendList(out, *samples);
        return 0;
    }
    std::string name = in.waves.canonicalName(c.params[0]);
    if (!in.waves.isUser(name)) return err::IllegalParameterValue;
    if (inUse(in, name) && in.busy()) return err::SettingsConflict;
    int e = in.waves.setData(name, c.params.subspan(1), in.state.waveformLimit);
    if (e == 0) in.outputChanged = true;
    return e;
}

int remove(Instrument& in, const Call& c, std::string&) {
    if (int e = requireRegisters(in)) return e;
    std::string_view text;
    if (int e = single(c, text)) return e;
    std::string name = in.waves.canonicalName(text);
    if (!in.waves.isUser(name)) return err::IllegalParameterValue;
    if (inUse(in, name)) return err::SettingsConflict;
    return in.waves.remove(name);
}

int removeAll(Instrument& in, const Call&, std::string&) {
    if (int e = requireRegisters(in)) return e;
    for (size_t p = 0; p < 3; ++p) {
        if (in.waves.isUser(in.state.steady.phase[p].function) ||
            in.waves.isUser(in.output.phase[p].wave))
            return err::SettingsConflict;
        for (const std::string& s : in.state.lists.phase[p].shape)
            if (in.waves.isUser(s)) return err::SettingsConflict;
    }
    in.waves.removeAll();
    return 0;
}

int catalog(Instrument& in, const Call&, std::string& out) {
    in.waves.appendCatalog(out);
    return 0;
}

int limit(Instrument& in, const Call& c, std::string& out) {
    if (c.query) {
        appendBool(out, in.state.waveformLimit);
        return 0;
    }
    return boolParam(c, in.state.waveformLimit);
}

} // namespace

void addTraceCommands(std::vector<CommandDef>& s) {
    s.insert(s.end(), {
                          {"TRACe:DEFine", SetOnly, define},
                          {"TRACe:DATA", SetAndQuery, data},
                          {"TRACe:DELete[:NAME]", SetOnly, remove},
                          {"TRACe:DELete:ALL", SetOnly, removeAll},
                          {"TRACe:CATalog", QueryOnly, catalog},
                          {"TRACe:LIMit", SetAndQuery, limit},
                      });
}

} // namespace ostrel::vsource
