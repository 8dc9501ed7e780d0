#pragma once
// The one list-run engine. It sets the source's trigger and pacing, clears its
// lists, puts the taking-part phases in list mode and plays a transient as
// segments of list points, pass after pass: a segment's lists go out (while
// the segment before it still plays), the error queue is read, the engine
// waits for "IDLE", starts the segment and reads the error queue again. After
// the last segment of a pass it polls to "IDLE". Whatever ends the run, the
// source is returned to fixed mode once. Stop sends "abort" at once; the loop
// ends at its next turn. The transient windows, the test-table engine and the
// command-line tool all run transients through it.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace ostrel {

struct Program;

// The transient trigger source, by its option index.
enum class ListTrigger { Bus = 0, External = 1, Immediate = 2 };

struct ListRunSegment {
    // The commands that load the segment's lists, in order.
    QStringList loadLines;
    // AC: phase A's angle the segment starts at; none: at once. A DC segment
    // always starts at once, whether a break opened it or not.
    std::optional<double> startAngle;
    int points = 0;
    // Holds the step that fires the waveform acquisition (monitoring).
    bool holdsTriggerStep = false;
};

struct ListRunPlan {
    bool dc = false;
    // The segments carry frequency lists: frequency and its slew in list mode.
    bool frequencyLists = false;
    std::array<bool, 3> phases{}; // taking part
    int outputs = 1;              // 1 or 3: on one output only phase 1 is addressed
    ListTrigger trigger = ListTrigger::Immediate;
    bool stepOnce = false; // each point after the first waits for a trigger
    // The source plays each pass's lists this many times back to back.
    int listCount = 1;
    // Taking-part phases follow a waveform list; off, each keeps its waveform.
    bool waveformLists = true;
    int passes = 1;
    bool continuous = false; // passes until stopped
    // Monitoring: the acquisition is armed before the segment holding the
    // trigger step and fired by its trigger-out.
    bool monitor = false;
    double acquisitionOffsetS = 0;
    double acquisitionIntervalS = 0;
    // "Transient Execution completed" (or aborted) in a box at the end.
    bool popupWhenDone = false;
    std::vector<ListRunSegment> segments;
};

// What the source said before a pass's lists go out.
struct ListRunPass {
    int number = 1;
    double frequency = 0; // the "freq?" reply
    // Each addressed phase's present voltage, read once after the set-up.
    std::array<std::optional<double>, 3> startLevels;
};

struct ListRunProgress {
    int pass = 1;
    int segment = 0; // 0-based: the one started last
    int segments = 0;
    int pointsSent = 0;
    double elapsedS = 0; // since the first start
};

enum class ListRunResult { Completed, Aborted, Failed };

struct ListRunOutcome {
    ListRunResult result = ListRunResult::Failed;
    // For the operator: "Transient Execution completed", "... aborted by
    // operator" or "Transient Execution failed: " and why.
    QString message;
    QStringList sourceErrors; // as the error queue gave them
    bool linkLost = false;
    int passesCompleted = 0;
    int pointsSent = 0;    // points of every segment started, all passes
    double durationS = 0;  // real seconds from the first start to the last "IDLE"
    bool restored = false; // the fixed-mode restore went out and the source took it
};

struct ListRunHooks {
    // Before each pass's lists go out, with that pass's frequency and the start
    // levels: the caller may compile the pass's segments again. A non-empty
    // text refuses the pass and ends the run failed with that reason.
    std::function<QString(const ListRunPass&, std::vector<ListRunSegment>&)> preparePass;
    // After each start and each status poll.
    std::function<void(const ListRunProgress&)> progress;
    // One cycle of the measurement window: at most once a second between polls
    // while monitoring, and once after the restore.
    std::function<void()> refreshMonitor;
};

class ListRun {
public:
    ListRun(Program& program, ListRunPlan plan, ListRunHooks hooks = {});
    ListRun(const ListRun&) = delete;
    ListRun& operator=(const ListRun&) = delete;

    // Runs the whole transient, processing window events while it waits.
    ListRunOutcome run();
    // From an event handler during the run: "abort" goes out at once (after
    // the query that waits, if one does) and no later segment or pass starts.
    void stop();
    bool running() const { return running_; }

private:
    enum class Wait { Idle, Stopped, Failed };

    bool setUp();
    bool readStartLevels();
    bool playPasses();
    bool preparePass(int pass);
    bool startSegment(const ListRunSegment& segment, bool first);
    Wait waitIdle(int pass, int segment);
    bool checkSource(const QString& what);
    void restore();
    void finish(bool ok);
    void report(int pass, int segment);
    void refreshMonitorIfDue();
    bool fail(const QString& reason);
    bool failLost();
    double elapsed() const;

    Program& program_;
    const ListRunPlan plan_;
    const ListRunHooks hooks_;
    std::vector<ListRunSegment> segments_; // the pass being played
    std::array<std::optional<double>, 3> startLevels_;
    ListRunOutcome outcome_;
    QString failure_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool started_ = false;
    QElapsedTimer clock_;
    qint64 startedAtMs_ = 0;
    qint64 lastRefreshMs_ = 0;
};

} // namespace ostrel
