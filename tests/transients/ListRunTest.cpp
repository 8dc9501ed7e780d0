// The list-run engine against the virtual source over LAN: what reached the
// source and in which order, what the output did (its timeline), and how a
// run ends when the operator stops it, the source refuses a segment or the
// link goes.
#include "link/LinkConversation.h"
#include "support/LineOrder.h"
#include "support/TimelineFile.h"

#include "transients/ListRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kRestoreAc1 = QStringLiteral(
    "freq:mode fix;:freq:slew:mode fix;:outp:ttlt:sour bot;:outp:ttlt 0;:inst:nsel 1;:volt:mode "
    "fix;:volt:slew:mode fix;:func:mode fix");
const QString kRestoreAc3 = QStringLiteral(
    "freq:mode fix;:freq:slew:mode fix;:outp:ttlt:sour bot;:outp:ttlt 0;:inst:coup all;:volt:mode "
    "fix;:volt:slew:mode fix;:func:mode fix");

// Two points of 0.1 s on the given phases, the way the compiler writes them.
QStringList acLines(const QList<int>& phases, const QString& volts) {
    QStringList lines{QStringLiteral(":list:dwel 0.100,0.100"), QStringLiteral(":list:rep 0,0"),
                      QStringLiteral(":list:ttlt 0,0"), QStringLiteral(":list:freq 400.0,400.0"),
                      QStringLiteral(":list:freq:slew max,max")};
    for (int phase : phases)
        lines << QStringLiteral(":inst:nsel %1;:list:volt %2").arg(phase).arg(volts)
              << QStringLiteral(":list:volt:slew max,max") << QStringLiteral(":list:shap sin,sin");
    return lines;
}

QStringList dcLines(const QList<int>& phases) {
    QStringList lines{QStringLiteral(":list:dwel 0.100,0.100"), QStringLiteral(":list:rep 0,0"),
                      QStringLiteral(":list:ttlt 0,0")};
    for (int phase : phases)
        lines << QStringLiteral(":inst:nsel %1;:list:volt 28.0,0.0").arg(phase)
              << QStringLiteral(":list:volt:slew max,max");
    return lines;
}

ListRunSegment segment(QStringList lines, std::optional<double> angle = {}) {
    ListRunSegment s;
    s.loadLines = std::move(lines);
    s.startAngle = angle;
    s.points = 2;
    return s;
}

ListRunPlan acPlan(int outputs, std::array<bool, 3> phases, int passes) {
    ListRunPlan plan;
    plan.frequencyLists = true;
    plan.outputs = outputs;
    plan.phases = phases;
    plan.passes = passes;
    return plan;
}
qsizetype countContaining(const QStringList& lines, const QString& part) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const QString& line) { return line.contains(part); });
}

class ListRunTest : public LinkConversation {
protected:
    // A fresh source for each case of a table, with its own timeline.
    void startModel(int model) {
        if (source.isRunning()) {
            source.stop();
            program().link.CloseLan();
            program().link.ClearLost();
            prompt().clear();
        }
        timelinePath = tempPath(QStringLiteral("timeline-%1.jsonl").arg(++sources_));
        start({QStringLiteral("--model"), QString::number(model), QStringLiteral("--timeline"),
               timelinePath});
        ASSERT_EQ(identify(), model);
    }

    std::vector<QJsonObject> timeline(const QString& kind) const {
        return TimelineEvents(timelinePath, kind);
    }

    QStringList statusTexts() {
        QStringList texts;
        for (const PromptCall& call : prompt().calls())
            if (call.kind == PromptCall::Status) texts << call.text;
        return texts;
    }

    QString timelinePath;

private:
    int sources_ = 0;
};

TEST_P(ListRunTest, TwoSegmentsTwoPassesPlayInOrderAndComplete) {
    startModel(4);
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("inst:coup all;:freq 400;:volt 100"));
    const qsizetype mark = received().size();

    ListRunPlan plan = acPlan(3, {true, false, true}, 2);
    plan.segments = {segment(acLines({1, 3}, QStringLiteral("50.0,100.0"))),
                     segment(acLines({1, 3}, QStringLiteral("80.0,20.0")), 90.0)};
    std::vector<ListRunPass> passes;
    ListRunHooks hooks;
    hooks.preparePass = [&](const ListRunPass& pass, std::vector<ListRunSegment>&) {
        passes.push_back(pass);
        return QString();
    };
    const ListRunOutcome outcome = ListRun(program(), plan, hooks).run();

    EXPECT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    EXPECT_EQ(outcome.message, QStringLiteral("Transient Execution completed"));
    EXPECT_EQ(outcome.passesCompleted, 2);
    EXPECT_EQ(outcome.pointsSent, 8);
    EXPECT_TRUE(outcome.restored);
    EXPECT_TRUE(outcome.sourceErrors.isEmpty());
    // Four segments of 0.2 s played one after another.
    EXPECT_GE(outcome.durationS, 0.8);
    EXPECT_LT(outcome.durationS, 3.0);

    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(passes[1].number, 2);
    EXPECT_FLOAT_EQ(float(passes[0].frequency), 400.0f);
    for (const auto& level : passes[0].startLevels) {
        ASSERT_TRUE(level.has_value());
        EXPECT_FLOAT_EQ(float(*level), 100.0f);
    }

    const QStringList sent = receivedSince(mark);
    const QStringList first = acLines({1, 3}, QStringLiteral("50.0,100.0"));
    const QStringList second = acLines({1, 3}, QStringLiteral("80.0,20.0"));
    EXPECT_TRUE(InOrder(
        sent,
        QStringList{
            QStringLiteral("trig:tran:sour imm"), QStringLiteral("list:rep 0;:list:ttlt 0"),
            QStringLiteral("inst:coup all;:list:volt 0;:list:volt:slew inf"),
            QStringLiteral("inst:nsel 3;:list:shap sin"),
            QStringLiteral("abort;:inst:coup none;:list:step auto;:list:coun 1;:freq:mode "
                           "list;:freq:slew:mode list"),
            QStringLiteral("inst:nsel 3;:volt:ac?"),
            QStringLiteral(":inst:nsel 1;:volt:mode list;:volt:slew:mode list;:func:mode "
                           "list;:inst:nsel 2;:volt:mode fix;:volt:slew:mode fix;:func:mode "
                           "fix;:inst:nsel 3;:volt:mode list;:volt:slew:mode list;:func:mode list"),
            QStringLiteral("freq?")} +
            first +
            QStringList{QStringLiteral("syst:err?"), QStringLiteral("trig:stat?"),
                        QStringLiteral("trig:sync:sour imm"), QStringLiteral(":init:name tran"),
                        QStringLiteral("syst:err?")} +
            second +
            QStringList{QStringLiteral("syst:err?"), QStringLiteral("trig:stat?"),
                        QStringLiteral(":trig:sync:phas 90.0;:trig:sync:sour phas"),
                        QStringLiteral("abort;:init:name tran"), QStringLiteral("syst:err?"),
                        QStringLiteral("trig:stat?"), QStringLiteral("freq?")} +
            first +
            QStringList{QStringLiteral("syst:err?"), QStringLiteral("trig:stat?"),
                        QStringLiteral("trig:sync:sour imm"),
                        QStringLiteral("abort;:init:name tran")} +
            second + QStringList{kRestoreAc3, QStringLiteral("syst:err?")}));
    EXPECT_EQ(sent.count(kRestoreAc3), 1);
    EXPECT_EQ(countContaining(sent, QStringLiteral("init:name tran")), 4);

    const auto initiates = timeline(QStringLiteral("initiate"));
    ASSERT_EQ(initiates.size(), 4u);
    EXPECT_EQ(initiates[0].value(QLatin1String("sync")).toString(), QStringLiteral("IMM"));
    EXPECT_DOUBLE_EQ(initiates[1].value(QLatin1String("sync")).toDouble(), 90.0);
    EXPECT_EQ(timeline(QStringLiteral("complete")).size(), 4u);
    EXPECT_EQ(timeline(QStringLiteral("point")).size(), 8u);
    EXPECT_TRUE(statusTexts().contains(QStringLiteral("Transient Execution pass number 2")));
    EXPECT_EQ(prompt().status(1), QStringLiteral("Transient Execution completed"));
    EXPECT_TRUE(prompt().messages().isEmpty());
}

TEST_P(ListRunTest, MonitoringArmsTheAcquisitionJustBeforeTheTriggerSegment) {
    startModel(4);
    if (HasFatalFailure()) return;
    const qsizetype mark = received().size();
    ListRunPlan plan = acPlan(3, {true, false, false}, 1);
    plan.monitor = true;
    plan.acquisitionOffsetS = 0.01;
    plan.acquisitionIntervalS = 25e-6;
    QStringList trigger = acLines({1}, QStringLiteral("80.0,20.0"));
    trigger.replace(trigger.indexOf(QStringLiteral(":list:ttlt 0,0")),
                    QStringLiteral(":list:ttlt 0,1"));
    plan.segments = {segment(acLines({1}, QStringLiteral("50.0,100.0"))), segment(trigger)};
    plan.segments[1].holdsTriggerStep = true;
    int refreshes = 0;
    ListRunHooks hooks;
    hooks.refreshMonitor = [&] { ++refreshes; };
    const ListRunOutcome outcome = ListRun(program(), plan, hooks).run();

    EXPECT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    // The short run has no second between polls: the one after the restore.
    EXPECT_EQ(refreshes, 1);
    const QStringList sent = receivedSince(mark);
    EXPECT_TRUE(InOrder(
        sent, {QStringLiteral("abort;:inst:coup none;:list:step auto;:list:coun "
                              "1;:freq:mode list;:freq:slew:mode list;:sens:swe:offs "
                              "0.010;:sens:swe:tint 0.0000250;:outp:ttlt:sour "
                              "list;:outp:ttlt 1;:trig:acq:sour ttlt"),
               QStringLiteral(":init:name tran"), QStringLiteral(":list:ttlt 0,1"),
               QStringLiteral("trig:sync:sour imm"), QStringLiteral("abort;:init:name acq")}));
    const qsizetype arm = sent.indexOf(QStringLiteral("abort;:init:name acq"));
    ASSERT_GE(arm, 0);
    EXPECT_EQ(sent.value(arm + 1), QStringLiteral(":init:name tran"));
    EXPECT_EQ(countContaining(sent, QStringLiteral("init:name acq")), 1);
    EXPECT_EQ(timeline(QStringLiteral("acquire")).size(), 1u);
}

TEST_P(ListRunTest, StopDuringTheSecondPassAbortsStartsNothingMoreAndRestoresOnce) {
    const struct {
        const char* name;
        bool continuous;
        QString laterStart;
        QString status;
    } cases[] = {
        {"three passes", false, QStringLiteral("abort;:init:name tran"),
         QStringLiteral("Transient Execution pass number 2")},
        {"continuous", true, QStringLiteral("abort;:init:cont:name tran,0;:init:name tran"),
         QStringLiteral("Transient Execution in continuous mode...")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startModel(4);
        if (HasFatalFailure()) return;
        const qsizetype mark = received().size();
        ListRunPlan plan = acPlan(3, {true, true, true}, 3);
        plan.continuous = c.continuous;
        plan.popupWhenDone = true;
        plan.segments = {segment(acLines({1, 2, 3}, QStringLiteral("50.0,100.0")))};
        ListRun* runner = nullptr;
        ListRunHooks hooks;
        bool stopAsked = false;
        // The operator presses Stop while the second pass plays: the click is
        // handled among the events the run processes while it polls.
        hooks.progress = [&](const ListRunProgress& p) {
            if (p.pass != 2 || stopAsked) return;
            stopAsked = true;
            QTimer::singleShot(0, [&] { runner->stop(); });
        };
        ListRun run(program(), plan, hooks);
        runner = &run;
        const ListRunOutcome outcome = run.run();

        EXPECT_EQ(outcome.result, ListRunResult::Aborted);
        EXPECT_EQ(outcome.message, QStringLiteral("Transient Execution aborted by operator"));
        EXPECT_EQ(outcome.passesCompleted, 1);
        EXPECT_EQ(outcome.pointsSent, 4);
        EXPECT_TRUE(outcome.restored);
        EXPECT_FALSE(run.running());
        EXPECT_TRUE(statusTexts().contains(c.status));
        EXPECT_EQ(prompt().status(1), QStringLiteral("Transient Execution aborted by operator"));
        EXPECT_EQ(prompt().messages(),
                  QStringList{QStringLiteral("Transient Execution aborted by operator")});

        const QStringList sent = receivedSince(mark);
        EXPECT_EQ(sent.count(c.laterStart), 1);
        const qsizetype abort = sent.indexOf(QStringLiteral("abort"));
        ASSERT_GE(abort, 0);
        const QStringList after = sent.mid(abort);
        EXPECT_EQ(countContaining(after, QStringLiteral("init:")), 0)
            << after.join('\n').toStdString();
        EXPECT_TRUE(InOrder(after, {QStringLiteral("syst:err?"), kRestoreAc3}));
        EXPECT_EQ(sent.count(kRestoreAc3), 1);
        EXPECT_EQ(timeline(QStringLiteral("initiate")).size(), 2u);
        EXPECT_EQ(timeline(QStringLiteral("abort")).size(), 1u);
    }
}

TEST_P(ListRunTest, ExternalTriggerWithOncePacingWaitsForEveryTrigger) {
    startModel(4);
    if (HasFatalFailure()) return;
    ListRunPlan plan = acPlan(3, {true, false, false}, 1);
    plan.trigger = ListTrigger::External;
    plan.stepOnce = true;
    plan.segments = {segment(acLines({1}, QStringLiteral("50.0,100.0")))};
    // Someone at the bench pulls the trigger input now and then while the
    // source waits: the start and the second point each take one.
    int polls = 0;
    ListRunHooks hooks;
    hooks.progress = [&](const ListRunProgress&) {
        if (++polls % 6 == 0) source.control(QStringLiteral("trigger ext"));
    };
    const ListRunOutcome outcome = ListRun(program(), plan, hooks).run();

    EXPECT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    EXPECT_GE(polls, 12);
    EXPECT_EQ(timeline(QStringLiteral("point")).size(), 2u);
    EXPECT_TRUE(
        InOrder(received(), {QStringLiteral("trig:tran:sour ext"),
                             QStringLiteral("abort;:inst:coup none;:list:step once;:list:"
                                            "coun 1;:freq:mode list;:freq:slew:mode list")}));
}

TEST_P(ListRunTest, RefusedSegmentEndsTheRunBeforeItStarts) {
    // Model 0 is in its 150 V range: a 200 V point is refused with -222.
    const struct {
        int refused; // 0-based segment
        int initiates;
    } cases[] = {{0, 0}, {1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refused);
        startModel(0);
        if (HasFatalFailure()) return;
        const qsizetype mark = received().size();
        ListRunPlan plan = acPlan(1, {true, false, false}, 2);
        for (int k = 0; k < 2; ++k)
            plan.segments.push_back(
                segment(acLines({1}, k == c.refused ? QStringLiteral("50.0,200.0")
                                                    : QStringLiteral("50.0,100.0"))));
        const ListRunOutcome outcome = ListRun(program(), plan).run();

        EXPECT_EQ(outcome.result, ListRunResult::Failed);
        ASSERT_EQ(outcome.sourceErrors.size(), 1);
        EXPECT_TRUE(outcome.sourceErrors[0].startsWith(QLatin1String("-222,")));
        EXPECT_TRUE(outcome.message.startsWith(QLatin1String("Transient Execution failed: ")));
        EXPECT_TRUE(
            outcome.message.contains(QStringLiteral("segment %1 of pass 1").arg(c.refused + 1)))
            << outcome.message.toStdString();
        EXPECT_EQ(outcome.passesCompleted, 0);
        EXPECT_TRUE(outcome.restored);
        EXPECT_EQ(prompt().messages(), QStringList{outcome.message});
        EXPECT_FALSE(statusTexts().contains(QStringLiteral("Transient Execution completed")));

        const QStringList sent = receivedSince(mark);
        EXPECT_EQ(countContaining(sent, QStringLiteral("init:name tran")), c.initiates);
        const qsizetype refusedLine =
            sent.indexOf(QStringLiteral(":inst:nsel 1;:list:volt 50.0,200.0"));
        ASSERT_GE(refusedLine, 0);
        EXPECT_EQ(countContaining(sent.mid(refusedLine), QStringLiteral("init:")), 0);
        EXPECT_TRUE(InOrder(sent.mid(refusedLine),
                            {QStringLiteral("syst:err?"), QStringLiteral("abort"), kRestoreAc1}));
        EXPECT_EQ(timeline(QStringLiteral("initiate")).size(), size_t(c.initiates));
    }
}

TEST_P(ListRunTest, RestoreReturnsEveryAddressedPhaseToFixedMode) {
    const struct {
        const char* name;
        int model;
        int outputs;
        bool dc;
    } cases[] = {
        {"AC on one output", 0, 1, false},
        {"AC on three outputs", 4, 3, false},
        {"DC on three outputs", 4, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startModel(c.model);
        if (HasFatalFailure()) return;
        if (c.dc) program().link.Send(0, QStringLiteral("mode dc"));
        const qsizetype mark = received().size();
        // Every phase box ticked: on one output only phase 1 may be addressed.
        ListRunPlan plan = acPlan(c.outputs, {true, true, true}, 1);
        plan.dc = c.dc;
        plan.frequencyLists = !c.dc;
        const QList<int> phases = c.outputs == 3 ? QList<int>{1, 2, 3} : QList<int>{1};
        plan.segments = {
            segment(c.dc ? dcLines(phases) : acLines(phases, QStringLiteral("50.0,100.0")))};
        const ListRunOutcome outcome = ListRun(program(), plan).run();
        EXPECT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
        EXPECT_TRUE(outcome.restored);

        const QStringList sent = receivedSince(mark);
        if (c.outputs == 1) {
            EXPECT_EQ(countContaining(sent, QStringLiteral("inst:nsel 2")), 0);
            EXPECT_EQ(countContaining(sent, QStringLiteral("inst:nsel 3")), 0);
        }
        for (int phase : phases) {
            const QueryResult modes = program().link.TryQuery(
                0, QStringLiteral(
                       "inst:coup none;:inst:nsel %1;:volt:mode?;:volt:slew:mode?;:func:mode?")
                       .arg(phase));
            EXPECT_EQ(modes.text, QStringLiteral("FIX;FIX;FIX")) << "phase " << phase;
        }
        if (!c.dc) {
            EXPECT_EQ(
                program().link.TryQuery(0, QStringLiteral("freq:mode?;:freq:slew:mode?")).text,
                QStringLiteral("FIX;FIX"));
        }
        EXPECT_TRUE(program().link.CheckError().isEmpty());
    }
}

TEST_P(ListRunTest, LostSourceEndsTheRunFailedAndItAlwaysEnds) {
    const struct {
        const char* fault;
        bool linkLost;
        bool restored;
    } cases[] = {
        // The connection closes at the next poll.
        {"drop 1", true, false},
        // The source is still there but says nothing about its state.
        {"noreply-match trig:stat", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        startModel(4);
        if (HasFatalFailure()) return;
        program().link.state.lanTimeoutMs = 300;
        ListRunPlan plan = acPlan(3, {true, false, false}, 3);
        plan.segments = {segment(acLines({1}, QStringLiteral("50.0,100.0")))};
        plan.segments[0].loadLines[0] = QStringLiteral(":list:dwel 5.000,5.000");
        ListRunHooks hooks;
        bool faulted = false;
        hooks.progress = [&](const ListRunProgress&) {
            if (faulted) return;
            faulted = true;
            EXPECT_TRUE(source.control(QStringLiteral("fault ") + QLatin1String(c.fault)));
        };
        QElapsedTimer timer;
        timer.start();
        const ListRunOutcome outcome = ListRun(program(), plan, hooks).run();

        EXPECT_LT(timer.elapsed(), 8000);
        EXPECT_EQ(outcome.result, ListRunResult::Failed);
        EXPECT_EQ(outcome.linkLost, c.linkLost);
        EXPECT_EQ(outcome.restored, c.restored);
        EXPECT_EQ(outcome.passesCompleted, 0);
        EXPECT_FALSE(outcome.message.contains(QStringLiteral("completed")));
        EXPECT_EQ(prompt().status(1), QStringLiteral("Transient Execution failed"));
        // One message: the link's about the lost connection, or the run's own.
        ASSERT_EQ(prompt().messages().size(), 1);
        EXPECT_EQ(prompt().messages()[0].startsWith(QLatin1String("Transient Execution failed")),
                  !c.linkLost);
        if (c.restored) {
            const QStringList sent = received();
            EXPECT_TRUE(InOrder(sent.mid(sent.lastIndexOf(QStringLiteral("trig:stat?"))),
                                {QStringLiteral("abort"), kRestoreAc3}));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lan, ListRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
