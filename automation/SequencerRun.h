#pragma once
// A run of the output sequencer, as the window's Run and the command-line
// tool run it: the plan checked before anything is sent, the relay closed,
// each step set, held for its dwell, read and judged, and the end handling
// (Output OFF, Save data, Print report) run once, whatever ends the run.
#include "automation/SequenceTable.h"
#include "automation/SequencerSteps.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

struct Program;
class SourceIo;

struct SequencerOptions {
    int passes = 1; // 0: until stopped (loop mode)
    bool abortOnFail = false;
    bool autoRange = false;
    bool failOnly = false; // save and print only when a step failed
    bool outputOff = false;
    bool saveData = false;
    bool printReport = false;
    bool singleStep = false;
};

struct SequencerReading {
    std::optional<double> value, hi, lo;
    bool pass = true;
};

struct SequencerStepResult {
    int pass = 1;
    int step = 1;
    int phase = 0;
    bool passed = true;
    std::optional<double> freq; // none in DC mode
    double volt = 0;
    double curr = 0;
    double dwell = 0;
    std::array<SequencerReading, kSequenceReadings> readings{};
};

enum class SequencerResult { Refused, Completed, Aborted, Failed };

struct SequencerOutcome {
    SequencerResult result = SequencerResult::Refused;
    std::optional<bool> passed; // the verdict: none when no step was judged
    bool stoppedOnFail = false;
    QString message;  // the run's last word to the operator
    QString dataFile; // the data file written, if any
    bool dataFileFailed = false;
    bool reportFailed = false;
    bool simulated = false;
    std::vector<SequencerStepResult> steps;
};

struct SequencerHooks {
    std::function<void(const QString&)> status;
    // A row's cells changed (status, readings): the grid shows them.
    std::function<void(int phase, int row)> rowChanged;
    // The relay or the levels changed in OutputState: the main window shows them.
    std::function<void()> outputChanged;
    // Prints or writes the report of the finished table; false with the reason.
    std::function<bool(const SequenceTable& table, QString& error)> printReport;
};

class SequencerRun {
public:
    // `sequenceFile` names the data files ("" when the table is not saved).
    SequencerRun(Program& program, SourceIo& io, SequenceTable table, QString sequenceFile,
                 SequenceUserData user, SequencerOptions options, SequencerHooks hooks = {});

    SequencerOutcome run();
    // Stop: the step in progress ends at its next wait or reading.
    void stop() { stopRequested_ = true; }
    bool running() const { return running_; }
    // The table with this run's status and readings.
    const SequenceTable& table() const { return table_; }

private:
    enum class StepEnd { Next, Stopped, Failed, Lost };
    StepEnd runStep(const SequencerStep& step, int pass, bool first, bool& passed);
    bool setRange(const SequencerStep& step);
    bool dwell(const SequencerStep& step);
    bool measure(const SequencerStep& step, int pass, bool& passed);
    void send(const QString& line);
    bool lost() const;
    void status(const QString& text);
    void endHandling(bool anyFail);
    void clearReadings();

    Program& program_;
    SourceIo& io_;
    SequenceTable table_;
    const QString file_;
    const SequenceUserData user_;
    const SequencerOptions options_;
    const SequencerHooks hooks_;
    int mode_ = 0;
    bool threePhase_ = false;
    bool simulated_ = false;
    bool stopRequested_ = false;
    bool running_ = false;
    QString unanswered_; // the first reading that got no reply
    SequencerOutcome outcome_;
};

} // namespace ostrel
