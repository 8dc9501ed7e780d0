#include "standards/TestRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "standards/PhaseAngles.h"
#include "standards/RestoreOutput.h"
#include "standards/TestStandard.h"
#include "standards/TestSteps.h"
#include "transients/SourceIdle.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr double kAbortSettleS = 0.2;
// A source stops at once on "abort"; one still busy after this many polls
// (10 s) never will, and the run must not wait for it.
constexpr int kPollsAfterAbort = 50;

const QString kNoReply = IdleWaitFailure(IdleWait::NoReply);
const QString kLost = IdleWaitFailure(IdleWait::Lost);

QString lines(std::initializer_list<QString> parts) {
    return QStringList(parts).join(kCrLf);
}

} // namespace

QString RunOutcomeName(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Completed:
        return QStringLiteral("completed");
    case RunOutcome::Aborted:
        return QStringLiteral("aborted");
    case RunOutcome::Failed:
        return QStringLiteral("failed");
    case RunOutcome::NotStarted:
        break;
    }
    return QStringLiteral("not started");
}

QString GroupResultName(GroupResult result) {
    switch (result) {
    case GroupResult::Completed:
        return QStringLiteral("completed");
    case GroupResult::Error:
        return QStringLiteral("error");
    case GroupResult::Aborted:
        return QStringLiteral("aborted");
    case GroupResult::NotRun:
        break;
    }
    return QStringLiteral("not run");
}

TestRun::TestRun(Program& program, const TestStandard& standard, TestRunCallbacks callbacks)
    : program_(program), standard_(standard), callbacks_(std::move(callbacks)) {}

bool TestRun::connected() const {
    return program_.settings.link.bus != BusSimulation && !program_.link.Lost();
}

void TestRun::requestAbort() {
    if (running_) abort_ = true;
}

void TestRun::requestOutputOff() {
    if (running_) outputOff_ = true;
}

bool TestRun::OutputOff(Program& program) {
    program.link.Send(0, QStringLiteral("outp 0"));
    if (program.settings.link.bus == BusSimulation) {
        program.outputState.OutputOn = 0;
        return true;
    }
    const QString errors = program.link.CheckError();
    if (program.link.Lost() || !errors.isEmpty()) return false;
    program.outputState.OutputOn = 0;
    return true;
}

void TestRun::status(const QString& text) {
    if (callbacks_.status) callbacks_.status(text);
    program_.prompt().setStatus(1, text);
}

void TestRun::showProgress(double remaining, double stepTotal) {
    if (!callbacks_.progress) return;
    TestProgress p;
    p.stepRemaining = remaining;
    p.stepTotal = stepTotal;
    p.elapsed = elapsed_;
    p.total = total_;
    p.stepText = QStringLiteral("Active step:     ") + FormatDuration(remaining) + QStringLiteral(" / ") +
                 FormatDuration(stepTotal);
    p.testText = QStringLiteral("Complete test: ") + FormatDuration(elapsed_) + QStringLiteral(" / ") +
                 FormatDuration(total_);
    callbacks_.progress(p);
}

TestRunOutcome TestRun::run(const TestRunRequest& request) {
    if (running_) {
        TestRunOutcome busy;
        busy.reason = QStringLiteral("A test is already running.");
        return busy;
    }
    outcome_ = {};
    abort_ = outputOff_ = failed_ = anglesChanged_ = false;
    elapsed_ = 0;
    total_ = 0;
    running_ = true;
    if (callbacks_.runningChanged) callbacks_.runningChanged(true);
    const auto end = [this] {
        running_ = false;
        program_.testRunning = false;
        if (callbacks_.runningChanged) callbacks_.runningChanged(false);
        return outcome_;
    };

    // The checks need the source's present mode, range and relay.
    if (connected()) {
        if (const QueryFailure failure = ReadBackState(program_, program_.sourceModel.ModelIndex)) {
            outcome_.outcome = RunOutcome::Failed;
            outcome_.reason = failure.error;
            outcome_.linkLost = failure.linkLost || program_.link.Lost();
            outcome_.result = QStringLiteral("Test failed");
            if (callbacks_.resultText) callbacks_.resultText(outcome_.result);
            status(QStringLiteral("Test not started."));
            return end();
        }
    }
    if (QString why = refusal(request); !why.isEmpty() || !askToRun(request)) {
        if (!why.isEmpty()) outcome_.reason = why;
        outcome_.outcome = RunOutcome::NotStarted;
        status(QStringLiteral("Test not started."));
        return end();
    }
    execute(request);
    finish(request);
    return end();
}

QString TestRun::refusal(const TestRunRequest& r) {
    Prompt& prompt = program_.prompt();
    if (r.grid.empty()) {
        const QString text = lines({QStringLiteral("WARNING: No test sequence data is present. Select a test"),
                                    QStringLiteral("from the Test Selection Tab first before attempting"),
                                    QStringLiteral("to execute. Execution process will be aborted.")});
        prompt.showMessage(text, PromptIcon::Information);
        return text;
    }
    const int mode = program_.outputState.OutputMode;
    if (r.dcGroup != (mode == ModeDC)) {
        const QString text = r.dcGroup ? standard_.dcGroupInAcWarning : standard_.acGroupInDcWarning;
        prompt.showMessage(text, PromptIcon::Exclamation);
        return text;
    }
    const bool threePhase = program_.outputState.MultiPhaseOutput == 1;
    for (const QString& text : {CheckStepColumns(r.grid),
                                CheckStepCells(r.grid, mode == ModeDC, threePhase, program_.decimalSeparator),
                                CheckGroupSizes(r.grid),
                                standard_.phaseAngleColumns ? CheckPhaseAngles(r.grid, program_.decimalSeparator)
                                                            : QString()})
        if (!text.isEmpty()) {
            prompt.showMessage(text, PromptIcon::Critical);
            return text;
        }
    if (r.mode != ExecutionMode::AllSteps && (r.selectedRow < 1 || r.selectedRow > r.grid.rowCount())) {
        const QString text = QStringLiteral("ERROR: Row %1 is not a step of the test.").arg(r.selectedRow);
        prompt.showMessage(text, PromptIcon::Critical);
        return text;
    }
    return {};
}

// The warnings first, the relay question last.
bool TestRun::askToRun(const TestRunRequest& r) {
    Prompt& prompt = program_.prompt();
    const OutputState& out = program_.outputState;
    const QChar sep = program_.decimalSeparator;
    const bool dc = out.OutputMode == ModeDC;
    if (const int row = CheckVoltages(r.grid, out.MultiPhaseOutput == 1,
                                      RangeMaximum(program_.sourceModel, out), sep)) {
        const QString text = lines(
            {QStringLiteral("WARNING: One or more test voltages specified on row %1").arg(row),
             QStringLiteral("exceeds selected voltage range maximum. Execution will"),
             QStringLiteral("result in '-222 Data Out Range Error' from power source."),
             QStringLiteral("Change to higher voltage range if available from main GUI"),
             QStringLiteral("screen. Do you wish to continue anyway?")});
        if (prompt.ask(text, PromptButtons::YesNo, 2, PromptIcon::Exclamation) != PromptAnswer::Yes) {
            outcome_.reason = QStringLiteral("The voltage range warning for row %1 was answered No.").arg(row);
            return false;
        }
    }
    const SourceModel& m = program_.sourceModel;
    if (const int row = dc ? 0 : CheckFrequencies(r.grid, m.FreqMin, m.FreqMax, sep)) {
        const QString text = lines(
            {QStringLiteral("WARNING: One or more test frequencies specified on row %1").arg(row),
             QStringLiteral("is outside power source frequency range. Execution will"),
             QStringLiteral("result in '-222 Data Out Range Error' from power source."),
             QStringLiteral("Programmed frequencies must be between ") + FormatNumber(m.FreqMin, u"##0.0") +
                 QStringLiteral(" Hz"),
             QStringLiteral("and ") + FormatNumber(m.FreqMax, u"##0.0") +
                 QStringLiteral(" Hz. Do you wish to continue anyway?")});
        if (prompt.ask(text, PromptButtons::YesNo, 2, PromptIcon::Exclamation) != PromptAnswer::Yes) {
            outcome_.reason = QStringLiteral("The frequency range warning for row %1 was answered No.").arg(row);
            return false;
        }
    }
    if (out.OutputOn == 0) {
        const QString text =
            lines({QStringLiteral("WARNING: Output relay is not closed. Running this test "),
                   QStringLiteral("will cause the output relay to close and power will"),
                   QStringLiteral("be applied to the EUT. Do you wish to continue?")});
        if (prompt.ask(text, PromptButtons::OkCancel, 1, PromptIcon::Exclamation) != PromptAnswer::Ok) {
            outcome_.reason = QStringLiteral("The output relay is open and was not to be closed.");
            return false;
        }
    }
    return true;
}

void TestRun::execute(const TestRunRequest& r) {
    InstrumentLink& link = program_.link;
    const OutputState& out = program_.outputState;
    const bool dc = out.OutputMode == ModeDC;
    const bool threePhase = out.MultiPhaseOutput == 1;
    const QChar sep = program_.decimalSeparator;
    QElapsedTimer clock;
    clock.start();

    std::vector<StepGroupSpan> spans;
    if (r.mode == ExecutionMode::AllSteps)
        spans = StepGroups(r.grid);
    else
        spans.push_back({r.selectedRow, std::max(r.selectedRow, LastStepOfGroup(r.grid, r.selectedRow))});
    const CompileOptions options{dc, threePhase, r.triggerOutBot, r.factors, sep};
    std::vector<CompiledGroup> compiled;
    for (const StepGroupSpan& s : spans) {
        compiled.push_back(CompileGroup(r.grid, s.first, s.last, options));
        GroupReport g;
        g.first = s.first;
        g.last = s.last;
        g.points = compiled.back().points;
        g.count = compiled.back().count;
        g.seconds = compiled.back().seconds();
        outcome_.groups.push_back(g);
    }
    total_ = TotalTestTime(r.grid, sep);
    outcome_.plannedSeconds = 0;
    for (const GroupReport& g : outcome_.groups)
        outcome_.plannedSeconds += g.seconds;
    showProgress(0, 0);
    program_.testRunning = true;

    if (const QString errors = link.CheckError(); !errors.isEmpty())
        program_.prompt().showMessage(errors.trimmed(), PromptIcon::Exclamation);
    if (link.Lost()) return failLost();
    // Power reaches the EUT only now, after every check and question.
    if (out.OutputOn == 0) {
        link.Send(0, QStringLiteral("outp 1"));
        program_.outputState.OutputOn = 1;
    }
    if (!sendLines(SetListModesLines(dc, threePhase) + SetTriggeringLines(dc, r.triggerOutBot, 0.0, 1)))
        return;

    const int n = r.grid.rowCount();
    for (size_t i = 0; i < spans.size(); ++i) {
        if (abortRequested() || failed_) break;
        const StepGroupSpan& s = spans[i];
        if (callbacks_.selectRow) callbacks_.selectRow(s.first);
        QString text = s.steps() > 1 ? QStringLiteral("Executing test steps %1 through %2").arg(s.first).arg(s.last)
                                     : QStringLiteral("Executing test step %1").arg(s.first);
        if (r.mode == ExecutionMode::AllSteps) text += QStringLiteral(" of %1").arg(n);
        status(text);
        runGroup(r, outcome_.groups[i], compiled[i]);
    }
    if (r.mode != ExecutionMode::AllSteps && spans.front().last < n && callbacks_.selectRow)
        callbacks_.selectRow(spans.front().last + 1);
    outcome_.elapsedSeconds = double(clock.elapsed()) / 1000.0 * program_.engineClock.timeScale;
}

bool TestRun::sendLines(const QStringList& list) {
    for (const QString& line : list) {
        if (abortRequested()) return false;
        program_.link.Send(0, line);
        if (program_.link.Lost()) {
            failLost();
            return false;
        }
    }
    return true;
}

void TestRun::runGroup(const TestRunRequest& r, GroupReport& group, const CompiledGroup& compiled) {
    InstrumentLink& link = program_.link;
    const auto stopped = [&] {
        group.result = failed_ ? GroupResult::Error : GroupResult::Aborted;
        if (failed_) group.error = outcome_.reason;
    };
    const auto refused = [&](const QString& errors) {
        group.result = GroupResult::Error;
        group.error = errors.trimmed();
        program_.prompt().showMessage(QStringLiteral("Execution step aborted.") + errors, PromptIcon::Critical);
        link.Send(0, QStringLiteral("abort"));
    };
    if (!compiled.error.isEmpty()) {
        group.result = GroupResult::Error;
        group.error = compiled.error;
        return;
    }
    QStringList extra;
    if (standard_.beforeGroup) {
        if (const QString refusal = standard_.beforeGroup(r.grid, group.first, group.last, extra);
            !refusal.isEmpty()) {
            group.result = GroupResult::Error;
            group.error = refusal;
            return;
        }
    }
    // Phases B and C of a three-phase source take the group's angles; the
    // list lines that follow expect every output coupled again.
    if (standard_.phaseAngleColumns && program_.outputState.MultiPhaseOutput == 1) {
        const QStringList angles = PhaseAngleLines(r.grid, group.first, program_.decimalSeparator);
        if (!angles.isEmpty()) {
            extra = angles + QStringList{QStringLiteral("inst:coup all")} + extra;
            anglesChanged_ = true;
        }
    }
    if (connected() && waitIdle(true) != Poll::Idle) return stopped();
    if (!sendLines(extra + compiled.lines)) return stopped();
    ++outcome_.groupsCompiled;
    // A refused list must never start with the previous group's values.
    if (connected()) {
        const QString errors = link.CheckError();
        if (link.Lost()) {
            failLost();
            return stopped();
        }
        if (!errors.isEmpty()) return refused(errors);
    }
    do {
        if (connected() && waitIdle(true) != Poll::Idle) return stopped();
        if (abortRequested()) return stopped();
        link.Send(0, QStringLiteral(":init"));
        const QString errors = connected() ? link.CheckError() : QString();
        if (link.Lost()) {
            failLost();
            return stopped();
        }
        if (!errors.isEmpty()) return refused(errors);
        if (!countdown(compiled.seconds())) return stopped();
        if (connected()) {
            status(QStringLiteral("Polling power source completion status..."));
            if (waitIdle(false) != Poll::Idle) return stopped();
            status(QStringLiteral("Transient execution completed."));
        }
    } while (r.mode == ExecutionMode::LoopOnStep && !abortRequested());
    group.result = abortRequested() ? GroupResult::Aborted : GroupResult::Completed;
}

// With abortFirst: "abort", 200 ms, then the state, until the source is
// idle; without it the polls go back to back, so a short group ends as soon
// as the source has played it.
TestRun::Poll TestRun::waitIdle(bool abortFirst) {
    IdleWaitOptions o;
    o.abortFirst = abortFirst;
    o.settleSeconds = kAbortSettleS;
    o.pollSeconds = 0;
    o.stop = [this] { return abortRequested(); };
    switch (WaitSourceIdle(program_, o).state) {
    case IdleWait::Idle:
        return Poll::Idle;
    case IdleWait::Stopped:
        return Poll::Aborted;
    case IdleWait::Lost:
        failLost();
        return Poll::Failed;
    default:
        failNoReply();
        return Poll::Failed;
    }
}

// The step's time in whole seconds on the progress display; a shorter group
// shows nothing. Without a source the countdown alone paces the run.
bool TestRun::countdown(double seconds) {
    const auto stop = [this] { return abortRequested(); };
    const EngineClock& clock = program_.engineClock;
    if (seconds < 1) {
        if (!connected() && clock.wait(seconds, stop)) return false;
        return !abortRequested();
    }
    const double n = std::round(seconds);
    // Without a source the waits add up to the group's time exactly.
    const bool paced = !connected();
    showProgress(n, n);
    for (int i = 1; i <= int(n); ++i) {
        const double tick = paced && i == int(n) ? seconds - (n - 1) : 1.0;
        if (clock.wait(tick, stop)) return false;
        if (elapsed_ < total_) elapsed_ += 1;
        showProgress(n - i, n);
    }
    showProgress(0, n);
    return !abortRequested();
}

void TestRun::failLost() {
    if (!failed_) outcome_.reason = program_.link.state.lostReason;
    failed_ = true;
    outcome_.linkLost = true;
    status(kLost);
}

void TestRun::failNoReply() {
    if (!failed_) outcome_.reason = kNoReply;
    failed_ = true;
    program_.prompt().showMessage(kNoReply, PromptIcon::Critical);
    status(kLost);
}

// The engine's restore at every end; after a run that did not complete the
// steady state when asked, and phases B and C back to their angles.
void TestRun::restore(const TestRunRequest& r, bool completed) {
    const OutputState& out = program_.outputState;
    const RestoreResult done = RestoreOutput(program_, !completed && r.returnSteady,
                                             anglesChanged_ ? RestorePhaseAngleLines(out) : QStringList());
    if (!done.errors.isEmpty() && !program_.link.Lost()) {
        const QString text = QStringLiteral("Source Error: ") + done.errors;
        program_.prompt().showMessage(text, PromptIcon::Exclamation);
        status(text);
    }
    outcome_.restored = done.reached;
}

void TestRun::finish(const TestRunRequest& r) {
    InstrumentLink& link = program_.link;
    const bool stopped = abortRequested();
    // The operator's abort: the source stops and is seen idle before the restore.
    if (stopped && !failed_ && connected()) {
        link.Send(0, QStringLiteral("abort"));
        IdleWaitOptions o;
        o.pollSeconds = kAbortSettleS;
        o.maxPolls = kPollsAfterAbort;
        switch (WaitSourceIdle(program_, o).state) {
        case IdleWait::Lost:
            failLost();
            break;
        case IdleWait::NoReply:
            failNoReply();
            break;
        case IdleWait::Stuck:
            outcome_.reason = IdleWaitFailure(IdleWait::Stuck);
            failed_ = true;
            program_.prompt().showMessage(outcome_.reason, PromptIcon::Critical);
            status(outcome_.reason);
            break;
        default:
            break;
        }
    }
    int notExecuted = 0;
    for (const GroupReport& g : outcome_.groups)
        if (g.result == GroupResult::Error) ++notExecuted;
    const int attempted = int(std::count_if(outcome_.groups.begin(), outcome_.groups.end(),
                                            [](const GroupReport& g) { return g.result != GroupResult::NotRun; }));
    const bool completed = !failed_ && !stopped && notExecuted == 0;
    restore(r, completed);
    if (outputOff_ && !link.Lost()) outcome_.relayOpened = OutputOff(program_);

    if (failed_) {
        outcome_.outcome = RunOutcome::Failed;
        outcome_.result = QStringLiteral("Test failed");
    } else if (stopped) {
        outcome_.outcome = RunOutcome::Aborted;
        outcome_.result = QStringLiteral("User Abort");
        outcome_.reason = outputOff_ ? QStringLiteral("Output Off during the test.")
                                     : QStringLiteral("User aborted.");
        status(QStringLiteral("User aborted."));
    } else if (notExecuted > 0) {
        outcome_.outcome = RunOutcome::Failed;
        outcome_.result = QStringLiteral("Test failed");
        outcome_.reason = QStringLiteral("Test completed with errors: %1 of %2 step groups were not executed.")
                              .arg(notExecuted)
                              .arg(attempted);
        status(outcome_.reason);
    } else {
        outcome_.outcome = RunOutcome::Completed;
        outcome_.result = QStringLiteral("Test completed");
    }
    if (callbacks_.resultText) callbacks_.resultText(outcome_.result);
    if (outcome_.outcome == RunOutcome::Completed && r.autoAcquire && callbacks_.acquire) {
        status(QStringLiteral("Acquiring EUT performance data, please wait..."));
        program_.testRunning = false;
        callbacks_.acquire();
        outcome_.acquired = true;
        status(QStringLiteral("Test Completed."));
    }
    showProgress(0, 0);
}

} // namespace ostrel
