#pragma once
// Test programs resident in the source's firmware (the ms704, mil704 and
// do160 options): their set-up and the one test that may be running. A test
// is three steps — nominal, the test level, nominal — on the phases under
// test at its start; the step time is the source's own (--resident-seconds).
#include "vsource/CommandTable.h"
#include "vsource/InstrumentState.h"
#include "vsource/ScpiValues.h"

#include <array>
#include <string>
#include <vector>

namespace ostrel::vsource {

class Instrument;

enum class ResidentId { None, Ms704, Mil704, Do160 };

struct ResidentSetup {
    char revision = 'F';
    std::string group = "SAC";
    double frequency = 400;
    bool stepSingle = false;
    std::string condition = "ALL";
    char version = 'F';
    std::string milFrequency = "400Hz";
    std::string standard = "RTCA";
    std::string do160Group = "ACF";
};

struct ResidentTest {
    ResidentId option = ResidentId::None;
    std::string test;
    int step = 0; // 1..3 while running
    std::array<bool, 3> phases{};
    bool waitingForSkip = false;
    double nextTime = kInfinity;
    double voltFactor = 1;
    double freqFactor = 1;
    double nominalFrequency = 400;
    SteadySettings before; // for --return-to-immediate
};

struct ResidentState {
    ResidentSetup setup;
    ResidentTest test;
    bool running() const { return test.option != ResidentId::None; }
};

void addResidentCommands(std::vector<CommandDef>& defs);
// The next step of the running test at virtual time t.
void residentStep(Instrument& in, double t);
// "abor": the running test ends where it stands.
void residentAbort(Instrument& in);
// "IDLE" or "<OPTION>:<test>".
std::string residentDescribe(const ResidentState& resident);

} // namespace ostrel::vsource
