#include "vsource/Resident.h"

#include "vsource/Commands.h"
#include "vsource/ErrorQueue.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace ostrel::vsource {

namespace {

struct CatalogueTest {
    ResidentId option;
    std::string_view pattern; // header as the program sends it, upper case
};

// Each header once: the ms704 catalogue lists ":norm:ssl:unb" twice.
constexpr CatalogueTest kTests[] = {
    {ResidentId::Ms704, "MS704:NORM:SSL:NOM"},        {ResidentId::Ms704, "MS704:NORM:SSL:HIGH"},
    {ResidentId::Ms704, "MS704:NORM:SSL:LOW"},        {ResidentId::Ms704, "MS704:NORM:SSL:UNB"},
    {ResidentId::Ms704, "MS704:NORM:VOLT:PHAS:DIFF"}, {ResidentId::Ms704, "MS704:NORM:VOLT:MOD"},
    {ResidentId::Ms704, "MS704:NORM:FREQ:MOD"},       {ResidentId::Ms704, "MS704:NORM:VOLT:DIST:TOT"},
    {ResidentId::Ms704, "MS704:NORM:VOLT:TRAN:OVER"}, {ResidentId::Ms704, "MS704:NORM:VOLT:TRAN:UND"},
    {ResidentId::Ms704, "MS704:NORM:VOLT:TRAN:COMB"}, {ResidentId::Ms704, "MS704:NORM:FREQ:TRAN:OVER"},
    {ResidentId::Ms704, "MS704:NORM:FREQ:TRAN:UND"},  {ResidentId::Ms704, "MS704:NORM:FREQ:TRAN:COMB"},
    {ResidentId::Ms704, "MS704:TRAN:POW:INT"},        {ResidentId::Ms704, "MS704:ABN:LIM:NOM"},
    {ResidentId::Ms704, "MS704:ABN:LIM:LOW"},         {ResidentId::Ms704, "MS704:ABN:LIM:HIGH"},
    {ResidentId::Ms704, "MS704:ABN:VOLT:TRAN:OVER"},  {ResidentId::Ms704, "MS704:ABN:VOLT:TRAN:UND"},
    {ResidentId::Ms704, "MS704:ABN:VOLT:TRAN:COMB"},  {ResidentId::Ms704, "MS704:ABN:FREQ:TRAN:OVER"},
    {ResidentId::Ms704, "MS704:ABN:FREQ:TRAN:UND"},   {ResidentId::Ms704, "MS704:ABN:FREQ:TRAN:COMB"},
    {ResidentId::Ms704, "MS704:EMER:LIM:NOM"},        {ResidentId::Ms704, "MS704:EMER:LIM:LOW"},
    {ResidentId::Ms704, "MS704:EMER:LIM:HIGH"},       {ResidentId::Ms704, "MS704:POW:FAIL:THR"},
    {ResidentId::Ms704, "MS704:POW:FAIL:COMB:ONE"},   {ResidentId::Ms704, "MS704:POW:FAIL:COMB:TWO"},
    {ResidentId::Ms704, "MS704:POW:FAIL:PHAS:REV"},
    {ResidentId::Mil704, "MIL704:SST:VOLT:LEV"},      {ResidentId::Mil704, "MIL704:SST:VOLT:MOD"},
    {ResidentId::Mil704, "MIL704:SST:VOLT:UNB"},      {ResidentId::Mil704, "MIL704:SST:VOLT:RIPP"},
    {ResidentId::Mil704, "MIL704:SST:PHAS:DIFF"},     {ResidentId::Mil704, "MIL704:SST:WAV:DIST"},
    {ResidentId::Mil704, "MIL704:SST:FREQ:LEV"},      {ResidentId::Mil704, "MIL704:SST:FREQ:MOD"},
    {ResidentId::Mil704, "MIL704:TRAN:VOLT:HIGH"},    {ResidentId::Mil704, "MIL704:TRAN:VOLT:LOW"},
    {ResidentId::Mil704, "MIL704:TRAN:FREQ:HIGH"},    {ResidentId::Mil704, "MIL704:TRAN:FREQ:LOW"},
    {ResidentId::Mil704, "MIL704:EMER:VOLT"},         {ResidentId::Mil704, "MIL704:EMER:FREQ"},
    {ResidentId::Mil704, "MIL704:ABN:VOLT:OVER"},     {ResidentId::Mil704, "MIL704:ABN:VOLT:UND"},
    {ResidentId::Mil704, "MIL704:ABN:FREQ:OVER"},     {ResidentId::Mil704, "MIL704:ABN:FREQ:UND"},
    {ResidentId::Do160, "DO160:NORM:VOLT_FREQ:MIN"},  {ResidentId::Do160, "DO160:NORM:VOLT_FREQ:MAX"},
    {ResidentId::Do160, "DO160:NORM:VOLT:UNB"},       {ResidentId::Do160, "DO160:NORM:FREQ:MOD"},
    {ResidentId::Do160, "DO160:NORM:WAV:DIST"},       {ResidentId::Do160, "DO160:NORM:VOLT:MOD"},
    {ResidentId::Do160, "DO160:NORM:VOLT:SURGE"},     {ResidentId::Do160, "DO160:NORM:VOLT:INT"},
    {ResidentId::Do160, "DO160:NORM:FREQ:TRAN"},      {ResidentId::Do160, "DO160:NORM:FREQ:VAR"},
    {ResidentId::Do160, "DO160:EMER:VOLT_FREQ:MIN"},  {ResidentId::Do160, "DO160:EMER:VOLT_FREQ:MAX"},
    {ResidentId::Do160, "DO160:EMER:VOLT:UNB"},       {ResidentId::Do160, "DO160:ABN:VOLT:MIN"},
    {ResidentId::Do160, "DO160:ABN:VOLT:MAX"},        {ResidentId::Do160, "DO160:ABN:VOLT:UND"},
    {ResidentId::Do160, "DO160:ABN:VOLT:OVER"},       {ResidentId::Do160, "DO160:ABN:VOLT:UNB"},
    {ResidentId::Do160, "DO160:ABN:FREQ:TRAN"},
};

constexpr double kNominalVolts = 115;

// The "*OPT?" position of each option.
int optionPosition(ResidentId id) {
    return id == ResidentId::Ms704 ? 9 : id == ResidentId::Mil704 ? 4 : 3;
}

std::string_view optionName(ResidentId id) {
    switch (id) {
    case ResidentId::Ms704:
        return "MS704";
    case ResidentId::Mil704:
        return "MIL704";
    case ResidentId::Do160:
        return "DO160";
    case ResidentId::None:
        break;
    }
    return "";
}

bool installed(const Instrument& in, ResidentId id) {
    const size_t at = size_t(optionPosition(id));
    if (in.config.options.empty()) return at < in.limits.defaultOptions.size() && in.limits.defaultOptions[at] == 1;
    std::vector<std::string> items;
    std::stringstream text(in.config.options);
    for (std::string item; std::getline(text, item, ',');)
        items.push_back(item);
    return at < items.size() && items[at] == "1";
}

std::string upper(std::string_view text) {
    std::string s(trimmed(text));
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// One of the words, any case; its index or -1.
int wordOf(const Call& c, std::initializer_list<std::string_view> words, std::string_view& text) {
    if (int e = cmd::single(c, text)) return e;
    const std::string u = upper(text);
    int i = 0;
    for (std::string_view w : words) {
        if (upper(w) == u) return i;
        ++i;
    }
    return err::IllegalParameterValue;
}

bool singlePhaseGroup(const std::string& group) {
    return group == "SAC" || group == "SVF" || group == "SXF";
}

void recordResident(Instrument& in, double t, std::string_view state, bool withSetup) {
    if (!in.timeline) return;
    const ResidentTest& test = in.resident.test;
    std::string phases;
    for (int p = 0; p < 3; ++p)
        if (test.phases[size_t(p)]) {
            if (!phases.empty()) phases += ',';
            phases += char('1' + p);
        }
    TimelineRecord r(t, "resident");
    r.add("option", optionName(test.option)).add("test", test.test).add("state", state).add("step", test.step).add("phases", phases);
    if (withSetup) {
        const ResidentSetup& s = in.resident.setup;
        TimelineRecord setup(0, "");
        std::string json;
        if (test.option == ResidentId::Ms704) {
            json = "{\"rev\":\"" + std::string(1, s.revision) + "\",\"group\":\"" + s.group + "\",\"freq\":";
            appendReal(json, s.frequency);
            json += std::string(",\"step\":\"") + (s.stepSingle ? "SING" : "CONT") + "\",\"cond\":\"" + s.condition + "\"}";
        } else if (test.option == ResidentId::Mil704) {
            json = "{\"vers\":\"" + std::string(1, s.version) + "\",\"freq\":\"" + s.milFrequency + "\"}";
        } else {
            json = "{\"stan\":\"" + s.standard + "\",\"group\":\"" + s.do160Group + "\"}";
        }
        r.addRaw("setup", json);
    }
    in.timeline->write(r);
}

// The output of the phases under test for the present step.
void applyStep(Instrument& in, double t) {
    ResidentTest& test = in.resident.test;
    const bool level = test.step == 2;
    SteadySettings& steady = in.state.steady;
    steady.freq = test.nominalFrequency * (level ? test.freqFactor : 1.0);
    for (size_t p = 0; p < 3; ++p)
        if (test.phases[p]) steady.phase[p].voltAc = kNominalVolts * (level ? test.voltFactor : 1.0);
    in.reconcileOutput(t);
}

void scheduleStep(Instrument& in, double t) {
    ResidentTest& test = in.resident.test;
    test.waitingForSkip = in.resident.setup.stepSingle;
    test.nextTime = test.waitingForSkip ? kInfinity : t + in.config.residentSeconds / 3.0;
}

void endTest(Instrument& in, double t, std::string_view state) {
    ResidentTest& test = in.resident.test;
    recordResident(in, t, state, false);
    if (in.config.returnToImmediate) {
        SteadySettings& steady = in.state.steady;
        steady.freq = test.before.freq;
        for (size_t p = 0; p < 3; ++p)
            if (test.phases[p]) steady.phase[p].voltAc = test.before.phase[p].voltAc;
        in.reconcileOutput(t);
    }
    test = ResidentTest{};
}

void levelOf(std::string_view header, ResidentTest& test) {
    std::vector<std::string> words;
    std::string word;
    for (char c : header) {
        if (c == ':' || c == '_') {
            words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    words.push_back(word);
    const auto has = [&](std::initializer_list<std::string_view> any) {
        return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
            return std::find(any.begin(), any.end(), w) != any.end();
        });
    };
    double factor = 1;
    if (has({"HIGH", "OVER", "MAX", "SURGE"})) factor = 1.1;
    if (has({"LOW", "UND", "MIN"})) factor = 0.9;
    if (has({"INT", "FAIL"})) {
        test.voltFactor = 0;
        return;
    }
    (has({"FREQ"}) ? test.freqFactor : test.voltFactor) = factor;
}

double optionFrequency(const Instrument& in, ResidentId id) {
    const ResidentSetup& s = in.resident.setup;
    if (id == ResidentId::Ms704) return s.frequency;
    if (id == ResidentId::Mil704) return s.milFrequency == "60Hz" ? 60 : 400;
    return 400;
}

int startTest(Instrument& in, const Call& c, std::string&) {
    const CatalogueTest& def = kTests[size_t(c.arg)];
    if (!installed(in, def.option)) return err::UndefinedHeader;
    if (in.resident.running() || in.busy()) return err::SettingsConflict;
    if (def.option == ResidentId::Ms704 && def.pattern == "MS704:POW:FAIL:PHAS:REV" &&
        singlePhaseGroup(in.resident.setup.group))
        return err::SettingsConflict;
    ResidentTest test;
    test.option = def.option;
    test.test = std::string(def.pattern);
    test.before = in.state.steady;
    test.nominalFrequency = optionFrequency(in, def.option);
    if (in.state.selection.coupleAll)
        for (int p = 0; p < in.state.outputs; ++p)
            test.phases[size_t(p)] = true;
    else
        test.phases[size_t(in.selectedPhase())] = true;
    levelOf(def.pattern, test);
    test.step = 1;
    in.resident.test = test;
    recordResident(in, in.now, "start", true);
    applyStep(in, in.now);
    scheduleStep(in, in.now);
    return 0;
}

template <ResidentId Id> int guard(const Instrument& in) {
    return installed(in, Id) ? 0 : err::UndefinedHeader;
}

int ms704Revision(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    if (c.query) {
        out += in.resident.setup.revision;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"A", "B", "C", "D", "E", "F"}, text);
    if (i < 0) return i;
    in.resident.setup.revision = char('A' + i);
    return 0;
}

int ms704Group(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    if (c.query) {
        out += in.resident.setup.group;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"SAC", "TAC", "SVF", "TVF", "SXF"}, text);
    if (i < 0) return i;
    const std::string group = upper(text);
    if ((group == "TAC" || group == "TVF") && in.state.outputs < 3) return err::SettingsConflict;
    in.resident.setup.group = group;
    return 0;
}

int ms704Frequency(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    if (c.query) {
        appendReal(out, in.resident.setup.frequency);
        return 0;
    }
    double f = 0;
    if (int e = cmd::numberParam(c, {in.limits.freqMin, in.limits.freqMax, 400}, f)) return e;
    in.resident.setup.frequency = f;
    return 0;
}

int ms704Step(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    return cmd::enumSetting(c, in.resident.setup.stepSingle, {{"CONTinuous", 0}, {"SINGle", 1}}, {"CONT", "SING"},
                            out);
}

int ms704Condition(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    if (c.query) {
        out += in.resident.setup.condition;
        return 0;
    }
    std::string_view text;
    if (int e = cmd::single(c, text)) return e;
    const std::string u = upper(text);
    if (u != "ALL" && !(u.size() == 1 && u[0] >= 'A' && u[0] <= 'Z')) return err::IllegalParameterValue;
    in.resident.setup.condition = u;
    return 0;
}

int ms704State(Instrument& in, const Call&, std::string& out) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    out += in.resident.test.option == ResidentId::Ms704 ? "RUNNING" : "IDLE";
    return 0;
}

int ms704Skip(Instrument& in, const Call&, std::string&) {
    if (int e = guard<ResidentId::Ms704>(in)) return e;
    if (in.resident.test.option != ResidentId::Ms704) return err::SettingsConflict;
    recordResident(in, in.now, "skip", false);
    residentStep(in, in.now);
    return 0;
}

int mil704Version(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Mil704>(in)) return e;
    if (c.query) {
        out += in.resident.setup.version;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"D", "E", "F"}, text);
    if (i < 0) return i;
    in.resident.setup.version = char('D' + i);
    return 0;
}

int mil704Frequency(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Mil704>(in)) return e;
    static constexpr std::string_view kWords[] = {"400Hz", "VFR", "60Hz"};
    if (c.query) {
        out += in.resident.setup.milFrequency;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"400Hz", "VFR", "60Hz"}, text);
    if (i < 0) return i;
    in.resident.setup.milFrequency = std::string(kWords[i]);
    return 0;
}

int do160Standard(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Do160>(in)) return e;
    if (c.query) {
        out += in.resident.setup.standard;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"RTCA", "RTCA2", "AIRB", "EUR"}, text);
    if (i < 0) return i;
    in.resident.setup.standard = upper(text);
    return 0;
}

int do160Group(Instrument& in, const Call& c, std::string& out) {
    if (int e = guard<ResidentId::Do160>(in)) return e;
    if (c.query) {
        out += in.resident.setup.do160Group;
        return 0;
    }
    std::string_view text;
    const int i = wordOf(c, {"ACF", "ANF", "AWF"}, text);
    if (i < 0) return i;
    in.resident.setup.do160Group = upper(text);
    return 0;
}

} // namespace

void residentStep(Instrument& in, double t) {
    ResidentTest& test = in.resident.test;
    if (!in.resident.running()) return;
    if (++test.step > 3) {
        test.step = 3;
        endTest(in, t, "complete");
        return;
    }
    recordResident(in, t, "step", false);
    applyStep(in, t);
    scheduleStep(in, t);
}

void residentAbort(Instrument& in) {
    if (in.resident.running()) endTest(in, in.now, "abort");
}

std::string residentDescribe(const ResidentState& resident) {
    if (!resident.running()) return "IDLE";
    // The test is its header after the option's own node.
    const std::string& test = resident.test.test;
    return std::string(optionName(resident.test.option)) + test.substr(test.find(':'));
}

void addResidentCommands(std::vector<CommandDef>& defs) {
    defs.insert(defs.end(), {
                                {"MS704:REVision", SetAndQuery, ms704Revision},
                                {"MS704:GROup", SetAndQuery, ms704Group},
                                {"MS704:FREQuency", SetAndQuery, ms704Frequency},
                                {"MS704:STEP", SetAndQuery, ms704Step},
                                {"MS704:TEST:CONDition", SetAndQuery, ms704Condition},
                                {"MS704:STATus", QueryOnly, ms704State},
                                {"MS704:SKIP", SetOnly, ms704Skip},
                                {"MIL704:VERSion", SetAndQuery, mil704Version},
                                {"MIL704:FREQuency", SetAndQuery, mil704Frequency},
                                {"DO160:STANdard", SetAndQuery, do160Standard},
                                {"DO160:GROup", SetAndQuery, do160Group},
                            });
    for (size_t i = 0; i < std::size(kTests); ++i)
        defs.push_back({kTests[i].pattern, SetOnly, startTest, int(i)});
}

} // namespace ostrel::vsource
