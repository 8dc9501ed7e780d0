#pragma once
// One modulation run, as the modulation window's Start and the command-line
// tool run it: the phase and entry checks, the relay, the steady level, then
// the list-run engine playing the two-point list for count passes (started at
// 0 degrees of phase A in AC modes), its fixed-mode restore, and a readback.
#include "automation/Modulation.h"
#include "transients/ListRun.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace ostrel {

struct Program;

struct ModulationRunHooks {
    // The relay was closed ("outp 1" went out and OutputState says so).
    std::function<void()> relayClosed;
    // Share of count / R played, 0..1, at each poll.
    std::function<void(double)> progress;
};

struct ModulationRunOutcome {
    ListRunResult result = ListRunResult::Failed;
    bool refused = false; // nothing was sent
    QString message;      // the status the run ended with
    ModulationList list;
    QStringList listLines; // the lines that loaded the list
    QStringList sourceErrors;
    bool restored = false; // the source took the return to fixed mode
    bool linkLost = false;
};

class ModulationRun {
public:
    ModulationRun(Program& program, ModulationSettings settings, ModulationTab tab,
                  ModulationRunHooks hooks = {});
    ~ModulationRun();
    ModulationRun(const ModulationRun&) = delete;
    ModulationRun& operator=(const ModulationRun&) = delete;

    // Shows its refusals and errors through the program's prompt.
    ModulationRunOutcome run();
    // Abort: "abort" goes out at once; the finish still runs.
    void stop();
    bool running() const { return running_; }

    // The entry checks alone: "" when the tab may run.
    QString check() const;

private:
    std::array<bool, 3> phases() const;
    ModulationLimits limits() const;
    bool refuse(ModulationRunOutcome& outcome, const QString& text, const QString& status);

    Program& program_;
    const ModulationSettings settings_;
    const ModulationTab tab_;
    const ModulationRunHooks hooks_;
    std::unique_ptr<ListRun> engine_;
    bool running_ = false;
    bool stopRequested_ = false;
};

} // namespace ostrel
