#pragma once
// One instrument: its settings, the output it produces, the transient run, the
// meter, the error queue and the waveform registers, driven by command lines
// and by virtual time. Plain C++: the transports live elsewhere.
#include "vsource/Capture.h"
#include "vsource/CommandTable.h"
#include "vsource/ErrorQueue.h"
#include "vsource/InstrumentState.h"
#include "vsource/ListEngine.h"
#include "vsource/Measurement.h"
#include "vsource/OutputModel.h"
#include "vsource/Resident.h"
#include "vsource/Timeline.h"
#include "vsource/VirtualClock.h"
#include "vsource/WattHour.h"
#include "vsource/Waveforms.h"

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::vsource {

struct InstrumentConfig {
    int model = 0;
    std::string serial = "KV00001";
    std::string firmware = "REV 2.34";
    std::string options; // the "*OPT?" reply; empty = the model's defaults
    bool returnToImmediate = false;
    double residentSeconds = 3; // virtual seconds of one resident test
    double resetSeconds = 3; // real seconds of silence after "syst:conf:nout"
    unsigned seed = 1;
    double noise = 0; // relative standard deviation of fresh readings
    int listCapacity = 0;   // points per list; 0: the model's
    double minimumDwell = 0; // seconds; 0: the model's
    int waveSlots = 57;
    LoadModel load;
};

struct Acquisition {
    bool armed = false;
    double due = kInfinity;
};

class Instrument {
public:
    Instrument(InstrumentConfig config, const VirtualClock& clock, Timeline* timeline);

    // Runs one program message; query replies are appended, joined by ';'.
    // True when a query was answered (the reply may be an empty line).
    bool executeLine(std::string_view line, std::string& reply);

    // Moves transients, acquisitions and ramps up to `t`, writing the timeline.
    void advance(double t);
    // Virtual time of the next change that happens by itself (infinity: none).
    double nextEventTime() const;
    // Monotonic real seconds until which the unit resets and stays silent.
    double resetUntil() const { return resetUntilReal_; }

    // A trigger from the bus (GET, *TRG) or the external input: 0 or -211.
    int trigger(TriggerSource from);
    void setRemote(RemoteState remote) { state.remote = remote; }
    void pushError(int code, std::string_view text = {});
    void setLoad(int phase, const LoadModel& load); // phase 0 = all
    std::string describe() const;
    // "freq=FIX|LIST freqslew=... volt=A,B,C voltslew=... func=... coupling=ALL|NONE nsel=N"
    std::string modes() const;

    // --- the state the command handlers work on
    InstrumentConfig config;
    ModelLimits limits;
    const VirtualClock& clock;
    Timeline* timeline;
    InstrumentState state;
    OutputModel output;
    TransientRun run;
    Acquisition acquisition;
    ErrorQueue errors;
    WaveformStore waves;
    std::array<LoadModel, 3> loads;
    std::array<Reading, 3> lastReading{};
    std::array<bool, 3> hasReading{};
    std::array<double, 3> peakHold{};
    std::array<PhaseSpectra, 3> lastSpectra{}; // of lastReading
    CaptureRecord capture;
    WattHourMeter wattHour;
    ResidentState resident;
    std::mt19937 random;
    double now = 0;
    bool outputChanged = false; // set by handlers whose settings reach the output

    // --- operations for the handlers (all at `now`)
    int selectedPhase() const; // 0-based, within the programmed outputs
    int initiateTransient();
    void abortTransient();
    void armAcquisition();
    void takeReadings(bool fresh);
    void resetPeak(int phase);
    void resetUnit(); // "*RST"
    void startPhaseModeChange(int outputs);
    bool busy() const { return run.state != RunState::Idle; }
    void reconcileOutput(double t);

private:
    void applyTrigger(double t);
    void startPoint(double t, Position at);
    void runEvent(double t);
    void completeRun(double t);
    void fireAcquisition(double t);
    void ttlPulse(double t, TtlSource source);
    void record(double t, int phase);
    // A level stepped up from below a tenth of its target draws the load's inrush.
    void switchOnInrush(double t, int phase, double before, const Ramp& level);
    void recordEvent(double t, std::string_view event);
    Reading readingAt(int phase, double t) const;
    PhaseSpectra spectraOf(int phase, const Reading& reading) const;
    void meterEnergy(double t);
    double earliestRampEnd() const;
    void finishRamps(double t);

    const CommandTable& table_;
    std::vector<std::string_view> params_;
    double resetUntilReal_ = 0;
    bool stopLine_ = false;
};

// Command groups, one file each.
void addCommonCommands(std::vector<CommandDef>& defs);
void addSourceCommands(std::vector<CommandDef>& defs);
void addListCommands(std::vector<CommandDef>& defs);
void addMeasureCommands(std::vector<CommandDef>& defs);
void addTraceCommands(std::vector<CommandDef>& defs);
void addArrayCommands(std::vector<CommandDef>& defs);

} // namespace ostrel::vsource
