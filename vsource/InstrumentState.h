#pragma once
// The instrument's settings as plain records: what the commands set and the
// queries read back. The output actually produced lives in OutputModel.
#include "vsource/ModelLimits.h"
#include "vsource/ScpiValues.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::vsource {

enum class OutputMode { Ac, Dc, AcDc };
enum class FreqMode { Fix, List, Sense, Aux };
enum class TriggerSource { Immediate, Bus, External };
enum class SyncSource { Immediate, Phase };
enum class AcqSource { Immediate, Ttl, Sync };
enum class TtlSource { Bot, Eot, List };
enum class RemoteState { Local, Remote, RemoteWithLockout };

inline constexpr std::string_view kSine = "SINUSOID";
inline constexpr std::string_view kSquare = "SQUARE";
inline constexpr std::string_view kClipped = "CSINUSOID";

struct PhaseSettings {
    double voltAc = 0;    // V rms, AC and AC+DC modes
    double voltDc = 0;    // V, DC mode
    double offset = 0;    // V, AC+DC mode
    double current = 0;   // current limit, A
    double angle = 0;     // degrees
    double clipThd = 0;   // clipped sine distortion, %
    double impedance = 0; // programmable output resistance, milliohms
    double voltSlew = kInfinity;
    std::string function{kSine}; // catalog name
    bool voltList = false;       // volt:mode list
    bool voltSlewList = false;   // volt:slew:mode list
    bool funcList = false;       // func:mode list
};

// Everything "*SAV" keeps.
struct SteadySettings {
    OutputMode mode = OutputMode::Ac;
    double freq = 60;
    double freqSlew = kInfinity;
    FreqMode freqMode = FreqMode::Fix;
    bool freqSlewList = false;
    int range = 0;
    bool relay = false;
    int alc = 0; // 0 off, 1 on, 2 regulate
    bool protection = false;
    double protectionDelay = 0.1;
    bool senseExternal = false;
    bool senseCouplingAc = false;
    int remoteInhibit = 0; // 0 live, 1 latching, 2 off
    bool impedanceNetwork = false;
    bool impedanceOn = false;
    std::array<PhaseSettings, 3> phase;
};

struct PhaseLists {
    std::vector<double> volt;
    std::vector<double> voltSlew;
    std::vector<std::string> shape;
};

struct ListSettings {
    std::vector<double> dwell;
    std::vector<double> freq;
    std::vector<double> freqSlew;
    std::vector<double> repeat;
    std::vector<double> ttl;
    std::array<PhaseLists, 3> phase;
    double count = 1; // passes; infinity = until aborted
    bool stepOnce = false;
};

struct TriggerSettings {
    TriggerSource source = TriggerSource::Immediate;
    SyncSource sync = SyncSource::Immediate;
    double syncPhase = 0;
    AcqSource acquire = AcqSource::Immediate;
    bool countAll = false; // "trig:coun all|none", kept for the query
    bool continuous = false;
    bool ttlEnabled = false;
    TtlSource ttlSource = TtlSource::Bot;
    bool ttlStrobe = false; // "outp:ttlt:mode fstr"
    double sweepOffset = 0;
    double sweepInterval = 2.5e-6;
};

struct Selection {
    bool coupleAll = true;
    int nsel = 1; // 1..3
};

struct StatusRegisters {
    int esr = 0; // standard event status
    int ese = 0;
    int sre = 0;
};

struct InstrumentState {
    SteadySettings steady;
    ListSettings lists;
    TriggerSettings trigger;
    Selection selection;
    StatusRegisters status;
    int outputs = 1;           // phases programmed: 1 or 3
    bool thdRms = false;       // "meas:thd:mode rmsq"
    bool binaryArrays = false; // "meas:arr:mode bin"; an interface setting, kept by "*RST"
    bool waveformLimit = true; // "trac:lim"
    RemoteState remote = RemoteState::Local;
    std::array<std::optional<SteadySettings>, 16> registers;
};

// The "*RST" settings of a model; registers, phase count and remote state are
// left as they are.
void resetSettings(InstrumentState& state, const ModelLimits& limits);

// The highest voltage of the present mode and range.
double maxVoltage(const SteadySettings& steady, const ModelLimits& limits);

} // namespace ostrel::vsource
