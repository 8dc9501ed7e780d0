#pragma once
// Helpers shared by the command groups.
#include "vsource/Instrument.h"
#include "vsource/ScpiParser.h"
#include "vsource/ScpiValues.h"

namespace ostrel::vsource::cmd {

// The phases a per-phase setting reaches: every output under "inst:coup all",
// else the selected one.
template <class F> void forEachTarget(Instrument& in, F&& f) {
    if (in.state.selection.coupleAll) {
        for (int p = 0; p < in.state.outputs; ++p)
            f(in.state.steady.phase[size_t(p)], p);
    } else {
        int p = in.selectedPhase();
        f(in.state.steady.phase[size_t(p)], p);
    }
}

inline PhaseSettings& selected(Instrument& in) {
    return in.state.steady.phase[size_t(in.selectedPhase())];
}

// The single parameter of a setting: 0, -109 (none) or -108 (more than one).
inline int single(const Call& c, std::string_view& out) {
    if (c.params.empty() || c.params[0].empty()) return err::MissingParameter;
    if (c.params.size() > 1) return err::ParameterNotAllowed;
    out = c.params[0];
    return 0;
}

// A number setting within a range.
inline int numberParam(const Call& c, const NumberRange& range, double& out) {
    std::string_view text;
    if (int e = single(c, text)) return e;
    return readNumber(text, range, out);
}

inline int boolParam(const Call& c, bool& out) {
    std::string_view text;
    if (int e = single(c, text)) return e;
    return readBool(text, out);
}

inline int choiceParam(const Call& c, std::initializer_list<Choice> choices, int& out) {
    std::string_view text;
    if (int e = single(c, text)) return e;
    return readChoice(text, choices, out);
}

// An enumerated setting: the query answers the reply word of its present
// value, a setting takes one of the mnemonics. Values run 0, 1, ... and
// index `replies`.
template <class T>
int enumSetting(const Call& c, T& setting, std::initializer_list<Choice> mnemonics,
                std::initializer_list<std::string_view> replies, std::string& out) {
    if (c.query) {
        out += replies.begin()[static_cast<size_t>(setting)];
        return 0;
    }
    int v = 0;
    if (int e = choiceParam(c, mnemonics, v)) return e;
    setting = static_cast<T>(v);
    return 0;
}

// A query that may ask for its MIN or MAX instead of the present value.
inline int queryValue(const Call& c, double present, double min, double max, std::string& out,
                      void (*append)(std::string&, double) = appendReal) {
    double v = present;
    if (!c.params.empty()) {
        std::string_view text = c.params[0];
        if (c.params.size() > 1) return err::ParameterNotAllowed;
        if (matchKeyword(text, "MINimum"))
            v = min;
        else if (matchKeyword(text, "MAXimum"))
            v = max;
        else
            return err::IllegalParameterValue;
    }
    append(out, v);
    return 0;
}

inline void appendBool(std::string& out, bool v) {
    out += v ? '1' : '0';
}

// A comma-separated list of numbers.
inline void appendList(std::string& out, const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) out += ',';
        appendReal(out, values[i]);
    }
}

} // namespace ostrel::vsource::cmd
