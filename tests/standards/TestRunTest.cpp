// The run controller against the virtual source over LAN with a fast clock:
// what reached the source and in which order, the modes and state it was
// left in, its timeline, and how a run ends when the operator aborts, the
// source refuses a list, stops answering or the link drops.
#include "EngineConversation.h"

#include "standards/TestRun.h"
#include "standards/TestStandard.h"
#include "support/LineOrder.h"
#include "support/TimelineFile.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kAllFixed1 =
    QStringLiteral("freq=FIX freqslew=FIX volt=FIX voltslew=FIX func=FIX coupling=ALL nsel=1");
const QStringList kFixedModesAc{QStringLiteral("freq:mode fix;:freq:slew:mode fix"), QStringLiteral("inst:coup all"),
                                QStringLiteral("volt:mode fix;:volt:slew:mode fix"), QStringLiteral("func:mode fix")};
const QStringList kSteadyAc1{QStringLiteral("volt:mode fix;:volt:ac 115.0"), QStringLiteral("func sin"),
                             QStringLiteral("freq:mode fix;:freq 400.00")};

Step step(const char* volt, const char* dwell, const char* loop = "", const char* link = "") {
    Step s;
    s.a[0] = QLatin1String(volt);
    s.dwell = QLatin1String(dwell);
    s.loop = QLatin1String(loop);
    s.link = QLatin1String(link);
    return s;
}

TestRunRequest requestFor(StepGrid grid) {
    TestRunRequest r;
    r.grid = std::move(grid);
    return r;
}

bool anyProgramming(const QStringList& lines) {
    for (const QString& l : lines) {
        if (l.endsWith(QLatin1Char('?'))) continue;
        if (l.startsWith(QLatin1String("list:")) || l.startsWith(QLatin1String("outp")) ||
            l.startsWith(QLatin1String(":init")) || l == QLatin1String("abort") ||
            l.contains(QLatin1String("mode fix")) || l.contains(QLatin1String("mode list")))
            return true;
    }
    return false;
}

class TestRunTest : public EngineConversation {
protected:
    TestRunOutcome run(const TestRunRequest& r, TestRunCallbacks callbacks = {},
                       const TestStandard& standard = Do160Standard()) {
        callbacks.status = [this, next = callbacks.status](const QString& s) {
            statuses << s;
            if (next) next(s);
        };
        callbacks.resultText = [this](const QString& t) { results << t; };
        TestRun controller(program(), standard, callbacks);
        runner = &controller;
        const TestRunOutcome out = controller.run(r);
        runner = nullptr;
        return out;
    }
    TestRun* runner = nullptr;
    QStringList statuses;
    QStringList results;
};

} // namespace

TEST_F(TestRunTest, CompletedRunProgramsEachGroupOnAnIdleSourceAndEndsInFixedModes) {
    connect();
    const qsizetype start = mark();
    const TestRunOutcome out =
        run(requestFor(Grid({step("115.0", "1.0000", "2", "1"), step("120.0", "0.5000"), step("100.0", "0.3000")})));
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    EXPECT_EQ(out.result, QStringLiteral("Test completed"));
    EXPECT_EQ(results, QStringList{QStringLiteral("Test completed")});
    ASSERT_EQ(out.groups.size(), 2u);
    EXPECT_EQ(out.groups[0].count, 2);
    EXPECT_DOUBLE_EQ(out.plannedSeconds, 3.3);
    EXPECT_FALSE(program().testRunning);

    const QStringList lines = receivedSince(start);
    EXPECT_TRUE(InOrder(lines, QStringList{QStringLiteral("freq:mode list;:freq:slew:mode list"),
                                QStringLiteral("trig:tran:source imm;:list:step auto;:list:coun 1"),
                                QStringLiteral("abort"), QStringLiteral("trig:stat?"),
                                QStringLiteral("list:freq 400.0,400.0;:list:freq:slew max,max"),
                                QStringLiteral("list:volt 115.0,120.0;:list:volt:slew max,max"),
                                QStringLiteral("list:dwell 1.0000,0.5000;:list:coun 2"),
                                QStringLiteral("list:ttlt 1;:list:rep 0"), QStringLiteral("syst:err?"),
                                QStringLiteral("abort"), QStringLiteral("trig:stat?"), QStringLiteral(":init"),
                                QStringLiteral("syst:err?"), QStringLiteral("trig:stat?"),
                                QStringLiteral("list:dwell 0.3000;:list:coun 1"), QStringLiteral(":init"),
                                QStringLiteral("abort"), QStringLiteral("syst:err?")} +
                                   kFixedModesAc));
    // A completed run keeps the output where the test left it.
    EXPECT_EQ(IndexOf(lines, kSteadyAc1[0]), -1);
    EXPECT_EQ(modes(), kAllFixed1);
    EXPECT_TRUE(state().startsWith(QLatin1String("transient=IDLE")));
    const auto initiated = TimelineEvents(timelinePath, QStringLiteral("initiate"));
    ASSERT_EQ(initiated.size(), 2u);
    EXPECT_EQ(initiated[0].value(QLatin1String("points")).toInt(), 2);
    EXPECT_EQ(initiated[0].value(QLatin1String("count")).toInt(), 2);
    EXPECT_EQ(initiated[1].value(QLatin1String("points")).toInt(), 1);
}

TEST_F(TestRunTest, ThreePhasesProgramEveryPhaseAndReturnEachToFixedMode) {
    connect(3, {}, QStringLiteral("inst:coup all;:volt 115;:freq 400;:outp 1"));
    Step s = step("110.0", "0.2000");
    s.b[0] = QStringLiteral("111.0");
    s.c = {QStringLiteral("112.0"), QStringLiteral("50.0000"), QStringLiteral("SQUARE")};
    const qsizetype start = mark();
    const TestRunOutcome out = run(requestFor(Grid({s})));
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    EXPECT_TRUE(InOrder(receivedSince(start),
                        {QStringLiteral("inst:coup all"), QStringLiteral("inst:coup none;:inst:nsel 1"),
                         QStringLiteral("list:volt 110.0;:list:volt:slew max"), QStringLiteral("inst:nsel 2"),
                         QStringLiteral("list:volt 111.0;:list:volt:slew max"), QStringLiteral("inst:nsel 3"),
                         QStringLiteral("list:volt 112.0;:list:volt:slew 50.0000"),
                         QStringLiteral("list:shap SQUARE"), QStringLiteral(":init")}));
    EXPECT_EQ(modes(), QStringLiteral("freq=FIX freqslew=FIX volt=FIX,FIX,FIX voltslew=FIX,FIX,FIX "
                                      "func=FIX,FIX,FIX coupling=ALL nsel=3"));
}

// Abort at each moment of a group: it reaches the source within one query,
// no later group starts, the source is seen idle and the steady state returns.
class AbortMoment : public TestRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(AbortMoment, StopsTheSourceRestoresTheSteadyStateAndNeverReportsCompletion) {
    connect();
    TestStandard standard = Do160Standard();
    TestRunCallbacks callbacks;
    qsizetype abortMark = -1;
    const auto abortNow = [&] {
        if (abortMark >= 0 || !runner) return;
        abortMark = mark();
        runner->requestAbort();
    };
    switch (GetParam()) {
    case 0: // the idle wait before the second group
        standard.beforeGroup = [&](const StepGrid&, int first, int, QStringList&) {
            if (first == 2) abortNow();
            return QString();
        };
        break;
    case 1: // the countdown
        callbacks.progress = [&](const TestProgress& p) {
            if (p.stepTotal > 0 && p.stepRemaining < p.stepTotal) abortNow();
        };
        break;
    case 2: // the completion poll
        callbacks.status = [&](const QString& s) {
            if (s == QLatin1String("Polling power source completion status...")) abortNow();
        };
        break;
    case 3: // between the second group's programming lines
        program().link.state.traceCommands = true;
        QObject::connect(&program().busTrace, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int row) {
            if (program().busTrace.entries().value(row) == QLatin1String("list:volt 120.0;:list:volt:slew max"))
                abortNow();
        });
        break;
    case 4: // the critical box of a refused second group
        prompt().answer(PromptAnswer::Yes); // the range warning
        prompt().whileShown = [&](const QString& text) {
            if (text.startsWith(QLatin1String("Execution step aborted."))) abortNow();
        };
        break;
    }
    const char* second = GetParam() == 4 ? "200.0" : "120.0";
    const TestRunOutcome out =
        run(requestFor(Grid({step("115.0", "3.0000"), step(second, "3.0000"), step("125.0", "3.0000")})), callbacks,
            standard);
    ASSERT_GE(abortMark, 0);
    EXPECT_EQ(out.outcome, RunOutcome::Aborted);
    EXPECT_EQ(out.result, QStringLiteral("User Abort"));
    EXPECT_EQ(results, QStringList{QStringLiteral("User Abort")});
    EXPECT_TRUE(statuses.contains(QStringLiteral("User aborted.")));
    EXPECT_FALSE(program().testRunning);
    const QStringList after = received().mid(abortMark);
    EXPECT_EQ(IndexOf(after, QStringLiteral(":init")), -1);
    EXPECT_TRUE(InOrder(after, QStringList{QStringLiteral("abort"), QStringLiteral("trig:stat?"),
                                           QStringLiteral("abort"), QStringLiteral("syst:err?")} +
                                   kFixedModesAc + kSteadyAc1));
    EXPECT_EQ(modes(), kAllFixed1);
    EXPECT_TRUE(state().startsWith(QLatin1String("transient=IDLE")));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("initiate")).size(), 1u);
}

std::string MomentName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"IdleWait", "Countdown", "CompletionPoll", "Programming", "ErrorBox"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Moments, AbortMoment, ::testing::Values(0, 1, 2, 3, 4), MomentName);

TEST_F(TestRunTest, OutputOffDuringARunRestoresThenOpensTheRelay) {
    connect();
    TestRunCallbacks callbacks;
    callbacks.progress = [&](const TestProgress& p) {
        if (p.stepTotal > 0 && p.stepRemaining < p.stepTotal && runner) runner->requestOutputOff();
    };
    const qsizetype start = mark();
    const TestRunOutcome out = run(requestFor(Grid({step("115.0", "3.0000")})), callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Aborted);
    EXPECT_TRUE(out.relayOpened);
    EXPECT_EQ(program().outputState.OutputOn, 0);
    EXPECT_TRUE(InOrder(receivedSince(start), kFixedModesAc + kSteadyAc1 +
                                                  QStringList{QStringLiteral("outp 0"), QStringLiteral("syst:err?")}));
    EXPECT_TRUE(state().contains(QLatin1String("relay=0")));
}

TEST_F(TestRunTest, NoStateReplyFailsTheRunAfterThreePollsAndStillRestores) {
    connect();
    ASSERT_TRUE(control(QStringLiteral("fault noreply-match trig:stat")));
    TestRunRequest r = requestFor(Grid({step("115.0", "0.2000")}));
    r.autoAcquire = true;
    bool acquired = false;
    TestRunCallbacks callbacks;
    callbacks.acquire = [&] { acquired = true; };
    const qsizetype start = mark();
    const TestRunOutcome out = run(r, callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_EQ(out.result, QStringLiteral("Test failed"));
    EXPECT_EQ(out.reason, QStringLiteral("ERROR: No reply from the power source while waiting for test completion."));
    EXPECT_TRUE(prompt().messages().contains(out.reason));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Communication with the power source lost.")));
    EXPECT_FALSE(acquired);
    EXPECT_FALSE(program().testRunning);
    const QStringList lines = receivedSince(start);
    EXPECT_EQ(IndexOf(lines, QStringLiteral(":init")), -1);
    EXPECT_TRUE(InOrder(lines, QStringList{QStringLiteral("trig:stat?"), QStringLiteral("trig:stat?"),
                                           QStringLiteral("trig:stat?")} + kFixedModesAc + kSteadyAc1));
    ASSERT_TRUE(control(QStringLiteral("fault clear")));
    EXPECT_EQ(modes(), kAllFixed1);
}

// A source that answers BUSY for ever: Abort still ends the run, after a
// bounded wait, and the restore goes out.
TEST_F(TestRunTest, ASourceStillBusyAfterAbortEndsTheRunFailedAndRestored) {
    connect();
    TestRunCallbacks callbacks;
    callbacks.progress = [&](const TestProgress& p) {
        if (p.stepTotal > 0 && p.stepRemaining < p.stepTotal && runner) {
            ASSERT_TRUE(control(QStringLiteral("fault busy on")));
            runner->requestAbort();
        }
    };
    const qsizetype start = mark();
    const TestRunOutcome out = run(requestFor(Grid({step("115.0", "3.0000")})), callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_EQ(out.result, QStringLiteral("Test failed"));
    EXPECT_TRUE(out.reason.startsWith(QLatin1String("ERROR: The power source stayed busy after \"abort\"")));
    EXPECT_EQ(prompt().messages().count(out.reason), 1);
    EXPECT_FALSE(program().testRunning);
    EXPECT_TRUE(InOrder(receivedSince(start), kFixedModesAc + kSteadyAc1));
    ASSERT_TRUE(control(QStringLiteral("fault clear")));
    EXPECT_EQ(modes(), kAllFixed1);
}

TEST_F(TestRunTest, ADroppedLinkFailsTheRunAndSaysWhy) {
    connect();
    ASSERT_TRUE(control(QStringLiteral("fault drop 40")));
    const TestRunOutcome out =
        run(requestFor(Grid({step("115.0", "1.0000"), step("120.0", "1.0000"), step("100.0", "1.0000")})));
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_TRUE(out.linkLost);
    EXPECT_FALSE(out.reason.isEmpty());
    EXPECT_EQ(out.result, QStringLiteral("Test failed"));
    EXPECT_FALSE(program().testRunning);
    EXPECT_NE(out.groups.back().result, GroupResult::Completed);
}

TEST_F(TestRunTest, ARefusedListIsNotStartedAndTheRunEndsWithErrors) {
    connect();
    prompt().answer(PromptAnswer::Yes); // the range warning
    TestRunRequest r = requestFor(Grid({step("115.0", "0.2000"), step("200.0", "0.2000"), step("100.0", "0.2000")}));
    r.autoAcquire = true;
    bool acquired = false;
    TestRunCallbacks callbacks;
    callbacks.acquire = [&] { acquired = true; };
    const qsizetype start = mark();
    const TestRunOutcome out = run(r, callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_EQ(out.result, QStringLiteral("Test failed"));
    EXPECT_EQ(out.reason, QStringLiteral("Test completed with errors: 1 of 3 step groups were not executed."));
    EXPECT_TRUE(statuses.contains(out.reason));
    EXPECT_FALSE(acquired);
    ASSERT_EQ(prompt().questions().size(), 1);
    EXPECT_TRUE(prompt().questions()[0].startsWith(
        QLatin1String("WARNING: One or more test voltages specified on row 2\r\n")));
    EXPECT_TRUE(prompt().messages().value(0).startsWith(QLatin1String("Execution step aborted.\r\n-222")));
    EXPECT_EQ(out.groups[1].result, GroupResult::Error);
    EXPECT_EQ(out.groups[2].result, GroupResult::Completed);
    // The refused group never reaches ":init": two starts, for groups 1 and 3.
    const QStringList lines = receivedSince(start);
    const qsizetype refused = IndexOf(lines, QStringLiteral("list:volt 200.0;:list:volt:slew max"));
    ASSERT_GE(refused, 0);
    EXPECT_LT(IndexOf(lines, QStringLiteral("list:volt 100.0;:list:volt:slew max"), refused),
              IndexOf(lines, QStringLiteral(":init"), refused));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("initiate")).size(), 2u);
}

TEST_F(TestRunTest, RefusedOrCancelledRunsSendNothingAndKeepTheResultText) {
    struct Case {
        const char* name;
        QString steady;
        std::optional<PromptAnswer> answer;
        StepGrid grid;
        bool dcGroup = false;
        const char* message; // the start of the last box or question
    };
    StepGrid large = Grid({step("115.0", "0.0100", "", "100")});
    for (int i = 0; i < 100; ++i) large.rows.push_back(Grid({step("115.0", "0.0100")}).rows.front());
    const Case cases[] = {
        {"relay cancelled", QStringLiteral("volt 115;:freq 400;:outp 0"), PromptAnswer::Cancel,
         Grid({step("115.0", "0.2000")}), false, "WARNING: Output relay is not closed. Running this test \r\n"},
        {"range warning declined", QStringLiteral("volt 115;:freq 400;:outp 1"), PromptAnswer::No,
         Grid({step("150.1", "0.2000")}), false, "WARNING: One or more test voltages specified on row 1\r\n"},
        {"group above 100 steps", QStringLiteral("volt 115;:freq 400;:outp 1"), std::nullopt, large, false,
         "ERROR: The step group starting on row 1 has 101 steps; at most 100 steps can run as one group."},
        {"DC group in AC mode", QStringLiteral("volt 115;:freq 400;:outp 1"), std::nullopt,
         Grid({step("28.0", "0.2000")}), true, "WARNING: Power source is in AC mode.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        source.stop();
        program().link.CloseLan();
        program().link.ClearLost();
        QFile::remove(logPath);
        connect(0, {}, c.steady);
        if (c.answer) prompt().answer(*c.answer);
        statuses.clear();
        results.clear();
        TestRunRequest r = requestFor(c.grid);
        r.dcGroup = c.dcGroup;
        const qsizetype start = mark();
        const TestRunOutcome out = run(r);
        EXPECT_EQ(out.outcome, RunOutcome::NotStarted);
        EXPECT_TRUE(results.isEmpty());
        EXPECT_EQ(statuses.value(statuses.size() - 1), QStringLiteral("Test not started."));
        const QStringList said = prompt().questions() + prompt().messages();
        ASSERT_FALSE(said.isEmpty());
        EXPECT_TRUE(said.last().startsWith(QLatin1String(c.message))) << said.last().toStdString();
        EXPECT_FALSE(anyProgramming(receivedSince(start))) << receivedSince(start).join(QLatin1Char('|')).toStdString();
        EXPECT_FALSE(program().testRunning);
    }
}

TEST_F(TestRunTest, SingleStepRunsOneGroupAndSelectsTheNextRow) {
    connect();
    TestRunRequest r = requestFor(Grid({step("115.0", "0.2000"), step("120.0", "0.2000", "", "1"),
                                        step("110.0", "0.2000"), step("100.0", "0.2000")}));
    r.mode = ExecutionMode::SingleStep;
    r.selectedRow = 2;
    QList<int> selected;
    TestRunCallbacks callbacks;
    callbacks.selectRow = [&](int row) { selected << row; };
    const TestRunOutcome out = run(r, callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Completed);
    ASSERT_EQ(out.groups.size(), 1u);
    EXPECT_EQ(out.groups[0].first, 2);
    EXPECT_EQ(out.groups[0].last, 3);
    EXPECT_EQ(selected, (QList<int>{2, 4}));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Executing test steps 2 through 3")));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("initiate")).size(), 1u);
}

TEST_F(TestRunTest, LoopOnStepRepeatsItsGroupUntilAborted) {
    connect();
    TestRunRequest r = requestFor(Grid({step("115.0", "0.2000"), step("120.0", "0.2000")}));
    r.mode = ExecutionMode::LoopOnStep;
    int polls = 0;
    TestRunCallbacks callbacks;
    callbacks.status = [&](const QString& s) {
        if (s == QLatin1String("Transient execution completed.") && ++polls == 3 && runner) runner->requestAbort();
    };
    const TestRunOutcome out = run(r, callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Aborted);
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("initiate")).size(), 3u);
    EXPECT_EQ(modes(), kAllFixed1);
}

TEST_F(TestRunTest, WithoutASourceEachGroupTakesItsDwellAndSeesAbort) {
    program().outputState.OutputOn = 1;
    program().outputState.Frequency = 400;
    TestRunRequest r = requestFor(Grid({step("115.0", "0.4000", "2")}));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(run(r).outcome, RunOutcome::Completed);
    EXPECT_GE(clock.elapsed(), 750);
    // A countdown of whole seconds still takes the group's own time.
    program().engineClock.timeScale = 5;
    clock.restart();
    EXPECT_EQ(run(requestFor(Grid({step("115.0", "2.5000")}))).outcome, RunOutcome::Completed);
    EXPECT_GE(clock.elapsed(), 495); // 2.5 s, shown as 3 whole seconds
    EXPECT_LT(clock.elapsed(), 600);
    program().engineClock.timeScale = 1;

    clock.restart();
    QTimer::singleShot(100, [this] {
        if (runner) runner->requestAbort();
    });
    EXPECT_EQ(run(r).outcome, RunOutcome::Aborted);
    EXPECT_LT(clock.elapsed(), 500);
}

TEST_F(TestRunTest, RepliesSpoiledWhileWaitingForCompletionFailOnlyThreeInARow) {
    struct Case {
        const char* fault;
        RunOutcome outcome;
    } cases[] = {{"garbage 3", RunOutcome::Failed},
                 {"garbage 2", RunOutcome::Completed},
                 {"late 1500 1", RunOutcome::Completed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        source.stop();
        program().link.CloseLan();
        program().link.ClearLost();
        QFile::remove(logPath);
        connect();
        bool armed = false;
        TestRunCallbacks callbacks;
        callbacks.status = [&](const QString& s) {
            if (!armed && s == QLatin1String("Polling power source completion status...")) {
                armed = true;
                ASSERT_TRUE(control(QStringLiteral("fault ") + QLatin1String(c.fault)));
            }
        };
        const TestRunOutcome out = run(requestFor(Grid({step("115.0", "0.5000")})), callbacks);
        EXPECT_TRUE(armed);
        EXPECT_EQ(out.outcome, c.outcome) << out.reason.toStdString();
        if (c.outcome == RunOutcome::Failed) {
            EXPECT_EQ(out.reason, QStringLiteral("ERROR: No reply from the power source while waiting for test completion."));
        }
        EXPECT_FALSE(program().testRunning);
        ASSERT_TRUE(control(QStringLiteral("fault clear")));
        EXPECT_FALSE(modes().contains(QLatin1String("LIST")));
    }
}
