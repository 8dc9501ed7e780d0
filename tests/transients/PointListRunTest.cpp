// A run of the list editor's lists against the virtual source over LAN: what
// reached the source and in which order, and how the run ends when the source
// goes IDLE, the operator stops it, the source refuses the lists or the start,
// or stops answering.
#include "link/LinkConversation.h"
#include "support/LineOrder.h"

#include "measure/Capture.h"
#include "measure/ProgramIo.h"
#include "transients/PointListRun.h"

#include <QFile>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Dwell [1, 0.5] and Volt A [0, 115], the whole run 0.15 s long.
PointTable twoPoints(double dwellScale = 1) {
    PointTable t;
    t.select[SelectVoltA] = true;
    t.columns[ColDwell] = {QString::number(1 * dwellScale), QString::number(0.5 * dwellScale)};
    t.columns[ColVoltA] = {QStringLiteral("0"), QStringLiteral("115")};
    t.columns[ColSlewA] = {QStringLiteral("max"), QStringLiteral("max")};
    t.columns[ColFunctionA] = {QStringLiteral("sinusoid"), QStringLiteral("sinusoid")};
    t.columns[ColListRepeat] = {QStringLiteral("0"), QStringLiteral("0")};
    return t;
}

class PointListRunTest : public LinkConversation {
protected:
    void startThreePhase(QStringList args = {}) {
        start(QStringList{QStringLiteral("--model"), QStringLiteral("3")} + args);
        ASSERT_EQ(identify(), 3);
        const PointListTarget target = PointListTargetOf(program());
        ASSERT_EQ(target.outputs, 3);
        ASSERT_TRUE(target.vkFamily);
        mark = received().size();
    }

    PointListRunOutcome run(const PointTable& table) {
        PointListRunHooks hooks;
        hooks.stopRequested = [this] { return stop; };
        return RunPointLists(program(), prompt(), table, hooks);
    }

    QStringList sent() const { return receivedSince(mark); }

    // Virtual seconds of each "abort" the source received.
    std::vector<double> abortTimes() const {
        std::vector<double> times;
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly)) return times;
        for (const QByteArray& entry : file.readAll().split('\n')) {
            const QList<QByteArray> parts = entry.simplified().split(' ');
            if (parts.size() == 4 && parts[2] == "<" && parts[3] == "abort")
                times.push_back(parts[0].toDouble());
        }
        return times;
    }

    qsizetype mark = 0;
    bool stop = false;
};

TEST_P(PointListRunTest, ARunWritesItsListsClosesTheRelayStartsAndCompletesWhenIdle) {
    startThreePhase();
    if (HasFatalFailure()) return;
    program().outputState.OutputOn = 0;
    const PointListRunOutcome out = run(twoPoints(0.1));
    EXPECT_EQ(out.result, ListRunResult::Completed) << out.message.toStdString();
    EXPECT_EQ(out.message, QStringLiteral("Transient execution completed."));
    EXPECT_TRUE(out.sourceErrors.isEmpty());
    EXPECT_EQ(program().outputState.OutputOn, 1);
    EXPECT_FALSE(program().measurements.acquisitionArmed);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();

    const QStringList lines = sent();
    EXPECT_TRUE(InOrder(
        lines, {"list:step auto;:list:coun 1", "trig:tran:source imm", "init:cont:seq1 0",
                ":trig:sync:sour imm", "list:dwell 0.1000,0.0500",
                "inst:nsel 1;:volt:mode list;:volt:slew:mode list",
                "inst:nsel 1;:list:volt 0.0,115.0", "syst:err?", "outp 1", ":init:seq1",
                "syst:err?", "trig:stat?", "freq:mode fix;:freq:slew:mode fix",
                ":inst:coup all;:volt:mode fix;:volt:slew:mode fix;:func:mode fix", "syst:err?"}));
    // No trigger points: the acquisition is not armed, and a run that was
    // not retriggered is neither aborted nor told to stop re-initiating.
    EXPECT_FALSE(lines.contains(QStringLiteral(":init:seq3")));
    EXPECT_FALSE(lines.contains(QStringLiteral("abort")));
    EXPECT_EQ(lines.count(QStringLiteral("init:cont:seq1 0")), 1);
}

TEST_P(PointListRunTest, TriggerPointsArmTheAcquisitionBeforeTheStart) {
    startThreePhase();
    if (HasFatalFailure()) return;
    PointTable t = twoPoints(0.1);
    t.columns[ColAcqTrig] = {QStringLiteral("0"), QStringLiteral("1")};
    const PointListRunOutcome out = run(t);
    EXPECT_EQ(out.result, ListRunResult::Completed) << out.message.toStdString();
    EXPECT_TRUE(InOrder(sent(), {"outp 1", ":init:seq3", ":init:seq1", "trig:stat?"}));
    // The waveform capture fetches what the run's trigger point took (the
    // source has no record before its first acquisition), without arming again.
    EXPECT_TRUE(program().measurements.acquisitionArmed);
    const qsizetype afterRun = received().size();
    AcquisitionRequest r;
    r.parameter = CaptureParameterNames(0).first();
    r.armed = true;
    r.intervalUs = 100;
    r.bufferBlocks = 1;
    ProgramIo io(program());
    QStringList errors;
    const AcquisitionResult capture =
        RunAcquisition(r, io, {{}, [&](const QString& e) { errors << e; }, {}}, QString());
    EXPECT_TRUE(capture.ok) << errors.join('\n').toStdString();
    EXPECT_EQ(capture.capture.values.size(), kBlockSamples);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_FALSE(receivedSince(afterRun).contains(QStringLiteral("init:seq3")));
}

TEST_P(PointListRunTest, StopEndsARetriggeredRunWithTwoAbortsAndLeavesTheSourceFixed) {
    startThreePhase();
    if (HasFatalFailure()) return;
    PointTable t = twoPoints(0.1);
    t.retrigger = true; // the source initiates again after each pass: only Stop ends it
    QTimer::singleShot(1500, [this] { stop = true; });
    const PointListRunOutcome out = run(t);
    EXPECT_EQ(out.result, ListRunResult::Aborted);
    EXPECT_EQ(out.message, QStringLiteral("Transient Execution aborted by operator"));
    EXPECT_EQ(prompt().status(1), out.message);

    const QStringList lines = sent();
    EXPECT_TRUE(
        InOrder(lines, {"init:cont:seq1 1", "outp 1", ":init:seq1", "trig:stat?", "abort", "abort",
                        "init:cont:seq1 0", "freq:mode fix;:freq:slew:mode fix",
                        ":inst:coup all;:volt:mode fix;:volt:slew:mode fix;:func:mode fix"}));
    const std::vector<double> aborts = abortTimes();
    ASSERT_EQ(aborts.size(), 2u);
    EXPECT_GE(aborts[1] - aborts[0], 0.19);
    EXPECT_LT(aborts[1] - aborts[0], 0.6);
    // Back in fixed mode, the source really is idle.
    EXPECT_EQ(program().link.Query(0, QStringLiteral("trig:stat?")), QStringLiteral("IDLE"));
}

TEST_P(PointListRunTest, SourceErrorsAndSilenceEndTheRunFailedNeverCompleted) {
    const struct {
        const char* what;
        std::function<void(PointTable&)> change;
        const char* fault; // control-port fault switched on before the run
        bool relayClosed;
        const char* shown; // the start of the operator's box
    } cases[] = {
        // Longer voltage list than dwell list: the source refuses the start.
        {"lists of different lengths at initiate",
         [](PointTable& t) { t.columns[ColVoltA] << QStringLiteral("50"); }, nullptr, true,
         "Source Error: \r\n-226"},
        // A voltage the range cannot give: refused while the lists are written.
        {"a refused list", [](PointTable& t) { t.columns[ColVoltA][1] = QStringLiteral("999"); },
         nullptr, false, "-2"},
        {"no reply to the status polls", [](PointTable& t) { t = twoPoints(10); },
         "noreply-match trig:stat", true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (source.isRunning()) {
            source.stop();
            program().link.CloseLan();
            program().link.ClearLost();
            prompt().clear();
        }
        startThreePhase();
        if (HasFatalFailure()) return;
        if (c.fault) {
            ASSERT_TRUE(control(QStringLiteral("fault ") + QLatin1String(c.fault)));
        }
        PointTable t = twoPoints(0.1);
        c.change(t);
        const PointListRunOutcome out = run(t);
        EXPECT_EQ(out.result, ListRunResult::Failed) << out.message.toStdString();
        EXPECT_TRUE(out.message.startsWith(QStringLiteral("Transient Execution failed: ")))
            << out.message.toStdString();
        EXPECT_NE(prompt().status(1), QStringLiteral("Transient execution completed."));
        const QStringList lines = sent();
        EXPECT_EQ(lines.contains(QStringLiteral("outp 1")), c.relayClosed);
        if (c.shown) {
            ASSERT_FALSE(prompt().messages().isEmpty());
            EXPECT_TRUE(prompt().messages().first().startsWith(QLatin1String(c.shown)))
                << prompt().messages().first().toStdString();
            EXPECT_FALSE(out.sourceErrors.isEmpty());
        }
        if (!c.relayClosed) {
            EXPECT_TRUE(prompt().messages().first().endsWith(
                QStringLiteral("\r\nProgramming Error. Transient run aborted.")));
        }
        // Whatever failed, nothing more started and the source left list mode
        // (unless it stopped answering altogether).
        EXPECT_EQ(lines.count(QStringLiteral(":init:seq1")), c.relayClosed ? 1 : 0);
        if (!program().link.Lost()) {
            EXPECT_TRUE(lines.contains(QStringLiteral(
                ":inst:coup all;:volt:mode fix;:volt:slew:mode fix;:func:mode fix")));
        }
        ASSERT_TRUE(control(QStringLiteral("fault clear")));
    }
}

TEST_P(PointListRunTest, ARefusedRunSendsNothing) {
    startThreePhase();
    if (HasFatalFailure()) return;
    PointTable t = twoPoints();
    t.columns[ColSlewA].removeLast();
    const PointListRunOutcome out = run(t);
    EXPECT_TRUE(out.refused);
    EXPECT_EQ(out.result, ListRunResult::Failed);
    EXPECT_EQ(prompt().messages(),
              QStringList{
                  "Voltage phase A list is selected but not\r\nall data is entered. Run aborted."});
    EXPECT_TRUE(sent().isEmpty()) << sent().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Transports, PointListRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
