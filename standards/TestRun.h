#pragma once
// The run controller of the test-table engine: Start to the end of a test,
// for the window and the command-line runner alike. It checks the steps
// (refusals and warnings first, the relay question last), closes the relay
// just before programming, plays each linked step group through the
// source's lists and follows it with a countdown and completion polls. The
// operator's Abort and Output Off are requests the run carries out at its
// next boundary; one restore routine serves every end, and the program-wide
// test-running flag is set only while a run owns the source.
#include "standards/CompileGroup.h"
#include "standards/StepGrid.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace ostrel {

struct Program;
struct TestStandard;

enum class ExecutionMode { AllSteps = 0, SingleStep = 1, LoopOnStep = 2 };

struct TestRunRequest {
    StepGrid grid;
    bool dcGroup = false; // the chosen power group needs DC mode
    ExecutionMode mode = ExecutionMode::AllSteps;
    int selectedRow = 1; // Single Step and Loop on Step start here
    bool triggerOutBot = false;
    bool returnSteady = true; // chkReturnSteady
    bool autoAcquire = false; // chkAutoAcquire
    HfFactors factors;
};

enum class GroupResult { NotRun, Completed, Error, Aborted };

struct GroupReport {
    int first = 1;
    int last = 1;
    int points = 0;
    int count = 1;
    double seconds = 0; // planned: dwell sum × count
    GroupResult result = GroupResult::NotRun;
    QString error;
};

enum class RunOutcome { NotStarted, Completed, Aborted, Failed };

struct TestRunOutcome {
    RunOutcome outcome = RunOutcome::NotStarted;
    QString reason;       // why it did not complete; "" when it did
    QString result;       // "Test completed", "User Abort", "Test failed"; unchanged when not started
    std::vector<GroupReport> groups;
    int groupsCompiled = 0;
    double plannedSeconds = 0;
    double elapsedSeconds = 0;
    bool linkLost = false;
    bool acquired = false;     // the automatic acquisition ran
    bool relayOpened = false;  // Output Off opened the relay
    bool restored = false;     // the restore went out on a live link
};

struct TestProgress {
    double stepRemaining = 0; // whole seconds
    double stepTotal = 0;
    double elapsed = 0;
    double total = 0;
    QString stepText; // "Active step:     000:00:00:05 / 000:00:00:10"
    QString testText; // "Complete test: ... / ..."
};

struct TestRunCallbacks {
    std::function<void(const TestProgress&)> progress;
    std::function<void(const QString&)> status;     // status bar panel 1
    std::function<void(const QString&)> resultText; // at every end but "not started"
    std::function<void(int row)> selectRow;         // the row being executed / next to run
    // After a completed run with automatic acquisition: the EUT measurement.
    std::function<void()> acquire;
    // Before and after the run proper (controls disabled and enabled again).
    std::function<void(bool running)> runningChanged;
};

class TestRun {
public:
    TestRun(Program& program, const TestStandard& standard, TestRunCallbacks callbacks = {});
    TestRun(const TestRun&) = delete;
    TestRun& operator=(const TestRun&) = delete;

    // The whole test; processes window events while it waits. A call while a
    // run is going returns at once with NotStarted.
    TestRunOutcome run(const TestRunRequest& request);
    bool running() const { return running_; }
    // Requests, carried out at the run's next boundary.
    void requestAbort();
    void requestOutputOff();

    // Output Off outside a run: "outp 0"; the relay is marked open only when
    // the source reports no error. True when it was.
    static bool OutputOff(Program& program);

private:
    enum class Poll { Idle, Aborted, Failed };

    bool connected() const;
    bool abortRequested() const { return abort_ || outputOff_; }
    QString refusal(const TestRunRequest& request);
    bool askToRun(const TestRunRequest& request);
    void execute(const TestRunRequest& request);
    void runGroup(const TestRunRequest& request, GroupReport& group, const CompiledGroup& compiled);
    Poll waitIdle(bool abortFirst);
    bool countdown(double seconds);
    bool sendLines(const QStringList& lines);
    void failLost();
    void failNoReply();
    void restore(const TestRunRequest& request, bool completed);
    void finish(const TestRunRequest& request);
    void status(const QString& text);
    void showProgress(double remaining, double stepTotal);

    Program& program_;
    const TestStandard& standard_;
    TestRunCallbacks callbacks_;
    TestRunOutcome outcome_;
    bool running_ = false;
    bool abort_ = false;
    bool outputOff_ = false;
    bool failed_ = false;
    bool anglesChanged_ = false; // phases B and C left the steady state's angles
    double elapsed_ = 0;
    double total_ = 0;
};

// The outcome's words, as the command line prints them.
QString RunOutcomeName(RunOutcome outcome);
QString GroupResultName(GroupResult result);

} // namespace ostrel
