// The DC ripple test against the virtual source over LAN: the program the
// output played (its timeline), the close that leaves no ripple register
// and fixed modes behind however the test ended, the relay question and
// button, a source that stops answering, and the command-line tool.
#include "link/LinkConversation.h"
#include "support/LineOrder.h"
#include "support/TimelineFile.h"

#include "automation/DcRippleSession.h"
#include "link/Readback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <cmath>
#include <set>

using namespace ostrel;
using namespace ostrel::test;

namespace {

qsizetype countInit(const QStringList& lines) {
    return std::count_if(lines.begin(), lines.end(), [](const QString& l) {
        return l.contains(QLatin1String("init:name tran"));
    });
}

class DcRippleSessionTest : public LinkConversation {
protected:
    void startModel(int model, const QString& timeScale = QStringLiteral("1000")) {
        if (source.isRunning()) {
            source.stop();
            program().link.CloseLan();
            program().link.ClearLost();
            prompt().clear();
        }
        timelinePath = tempPath(QStringLiteral("timeline-%1.jsonl").arg(++sources_));
        start({QStringLiteral("--model"), QString::number(model), QStringLiteral("--timeline"),
               timelinePath, QStringLiteral("--time-scale"), timeScale});
        ASSERT_EQ(identify(), model);
        ASSERT_FALSE(ReadBackState(program(), model));
        program().settings.link.arbDownloadDelay = 10;
    }

    QString query(const QString& text) { return program().link.Query(0, text, 2).trimmed(); }

    // What the close must leave: no ripple register, every phase in fixed
    // modes with its waveform of the opening, the output mode of the opening.
    void expectRestored(const QString& mode, const QString& waveform = QStringLiteral("SINUSOID")) {
        // The source's own account, without the SCPI connection.
        QStringList waves, settings;
        ASSERT_TRUE(source.control(QStringLiteral("waves?"), &waves));
        for (const QString& w : waves)
            EXPECT_FALSE(w.toUpper().startsWith(QLatin1String("DCRIP"))) << w.toStdString();
        ASSERT_TRUE(source.control(QStringLiteral("settings?"), &settings));
        const int outputs = program().outputState.MultiPhaseOutput == 1 ? 3 : 1;
        EXPECT_EQ(settings.size(), outputs);
        for (const QString& line : settings) {
            SCOPED_TRACE(line.toStdString());
            for (const char* fixed : {" volt:mode=FIX", " volt:slew:mode=FIX", " freq:mode=FIX",
                                      " freq:slew:mode=FIX", " func:mode=FIX"})
                EXPECT_TRUE(line.contains(QLatin1String(fixed)));
            EXPECT_TRUE(line.contains(QStringLiteral(" mode=") + mode + QLatin1Char(' ')));
        }
        const QString catalog = query(QStringLiteral("trac:cat?")).toUpper();
        EXPECT_FALSE(catalog.contains(QLatin1String("DCRIP"))) << catalog.toStdString();
        EXPECT_EQ(query(QStringLiteral("freq:mode?")), QStringLiteral("FIX"));
        EXPECT_EQ(query(QStringLiteral("mode?")), mode);
        for (int phase = 1; phase <= outputs; ++phase) {
            SCOPED_TRACE(phase);
            program().link.Send(0, QStringLiteral("inst:coup none;:inst:nsel %1").arg(phase));
            EXPECT_EQ(query(QStringLiteral("volt:mode?")), QStringLiteral("FIX"));
            EXPECT_EQ(query(QStringLiteral("func:mode?")), QStringLiteral("FIX"));
            EXPECT_EQ(query(QStringLiteral("func?")), waveform);
        }
        program().link.Send(0, QStringLiteral("inst:coup all"));
    }

    std::vector<QJsonObject> outputsFrom(double t) const {
        std::vector<QJsonObject> out;
        for (const QJsonObject& o : TimelineEvents(timelinePath, QStringLiteral("output")))
            if (o.value(QLatin1String("t")).toDouble() >= t) out.push_back(o);
        return out;
    }

    QString timelinePath;

private:
    int sources_ = 0;
};

TEST_P(DcRippleSessionTest, TwentyEightVoltCategoryARZPlaysItsEightPointsThenCloses) {
    startModel(4);
    if (HasFatalFailure()) return;
    DcRippleSession session(program());
    session.load();
    ASSERT_TRUE(session.activate());
    EXPECT_EQ(session.downloaded(), kRippleWaveforms);
    EXPECT_EQ(query(QStringLiteral("mode?")), QStringLiteral("ACDC"));
    prompt().answer(PromptAnswer::Ok);
    DcRippleChoice choice;
    choice.phases = {true, false, true};
    const qsizetype mark = received().size();
    const DcRippleOutcome outcome = session.start(choice);

    ASSERT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    EXPECT_EQ(outcome.message, QStringLiteral("Transient execution completed."));
    EXPECT_EQ(program().outputState.OutputOn, 1);
    EXPECT_TRUE(
        InOrder(receivedSince(mark),
                {QStringLiteral("volt:ac 0;:volt:offs 28"), QStringLiteral("outp 1"),
                 QStringLiteral("list:freq 16.01,200,100,500,62.5,250,312.5,16.01"),
                 QStringLiteral("list:freq:slew max,0.094,max,0.248,max,0.261,0.348,max"),
                 QStringLiteral("list:dwell 0.001,1980,0.001,1620,0.001,720,180,0.001"),
                 QStringLiteral("inst:coup none;:inst:nsel 1"),
                 QStringLiteral("list:volt 0.4,0.4,1.1,1.1,2.8,4,3.8,0"),
                 QStringLiteral("list:shap sin,sin,dcrip2,dcrip2,dcrip16,dcrip16,dcrip16,sin"),
                 QStringLiteral("inst:coup none;:inst:nsel 3"),
                 QStringLiteral("trig:sync:sour imm"), QStringLiteral(":init:name tran")}));

    const auto initiates = TimelineEvents(timelinePath, QStringLiteral("initiate"));
    ASSERT_EQ(initiates.size(), 1u);
    const double from = initiates[0].value(QLatin1String("t")).toDouble();
    const auto points = TimelineEvents(timelinePath, QStringLiteral("point"));
    const double dwells[] = {0.001, 1980, 0.001, 1620, 0.001, 720, 180, 0.001};
    ASSERT_EQ(points.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(points[i].value(QLatin1String("dwell")).toDouble(), dwells[i], 1e-9);
    // Phase A: every level, shape and frequency of the list over 28 V; B untouched.
    std::set<QString> waves;
    std::set<long> levels, freqs;
    for (const QJsonObject& o : outputsFrom(from)) {
        const int phase = o.value(QLatin1String("phase")).toInt();
        EXPECT_NEAR(o.value(QLatin1String("vdc")).toDouble(), 28.0, 1e-6);
        const QJsonObject ramps = o.value(QLatin1String("ramps")).toObject();
        const double vac =
            ramps.contains(QLatin1String("vac"))
                ? ramps.value(QLatin1String("vac")).toObject().value(QLatin1String("to")).toDouble()
                : o.value(QLatin1String("vac")).toDouble();
        const double freq = ramps.contains(QLatin1String("freq"))
                                ? ramps.value(QLatin1String("freq"))
                                      .toObject()
                                      .value(QLatin1String("to"))
                                      .toDouble()
                                : o.value(QLatin1String("freq")).toDouble();
        if (phase == 2) {
            EXPECT_NEAR(vac, 0.0, 1e-6);
            EXPECT_EQ(o.value(QLatin1String("wave")).toString(), QStringLiteral("SINUSOID"));
            continue;
        }
        if (phase != 1) continue;
        waves.insert(o.value(QLatin1String("wave")).toString());
        levels.insert(std::lround(vac * 10));
        freqs.insert(std::lround(freq * 100));
    }
    EXPECT_EQ(waves, (std::set<QString>{QStringLiteral("SINUSOID"), QStringLiteral("DCRIP2"),
                                        QStringLiteral("DCRIP16")}));
    for (long level : {4, 11, 28, 40, 38, 0})
        EXPECT_TRUE(levels.count(level)) << level;
    for (long f : {1601, 20000, 10000, 50000, 6250, 25000, 31250})
        EXPECT_TRUE(freqs.count(f)) << f;

    const DcRippleClose closed = session.close();
    EXPECT_TRUE(closed.restored) << closed.errors.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(program().outputState.OutputMode, ModeAC);
    expectRestored(QStringLiteral("AC"));
}

TEST_P(DcRippleSessionTest, OnASinglePhaseSourceOnlyPhaseAIsProgrammed) {
    startModel(0);
    if (HasFatalFailure()) return;
    DcRippleSession session(program());
    session.load();
    ASSERT_TRUE(session.activate());
    prompt().answer(PromptAnswer::Ok);
    DcRippleChoice choice;
    choice.nominalIndex = 1;
    choice.categoryIndex = 1;
    const DcRippleOutcome outcome = session.start(choice);
    ASSERT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    EXPECT_EQ(outcome.listLines.count(QStringLiteral("inst:coup none;:inst:nsel 1")), 1);
    EXPECT_FALSE(outcome.listLines.contains(QStringLiteral("inst:coup none;:inst:nsel 2")));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("point")).size(), 6u);
    const DcRippleClose closed = session.close();
    EXPECT_TRUE(closed.restored) << closed.errors.join(QStringLiteral(" | ")).toStdString();
    expectRestored(QStringLiteral("AC"));
}

TEST_P(DcRippleSessionTest, CloseAfterAnAbortDuringARipplePointLeavesNothingBehind) {
    startModel(4);
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("outp 1"));
    ASSERT_FALSE(ReadBackState(program(), 4));
    DcRippleSession* running = nullptr;
    bool aborted = false;
    DcRippleHooks hooks;
    // The sixth point (250 Hz, dcrip16) plays from 3600 s to 4320 s.
    hooks.progress = [&](double elapsed, double) {
        if (aborted || elapsed < 3.9) return;
        aborted = true;
        QTimer::singleShot(0, [&] { running->abort(); });
    };
    DcRippleSession session(program(), hooks);
    running = &session;
    session.load();
    ASSERT_TRUE(session.activate());
    const DcRippleOutcome outcome = session.start({});
    ASSERT_EQ(outcome.result, ListRunResult::Aborted) << outcome.message.toStdString();
    // The abort holds the point's ripple on the phase.
    EXPECT_EQ(query(QStringLiteral("inst:nsel 1;:func?")), QStringLiteral("DCRIP16"));

    const DcRippleClose closed = session.close();
    EXPECT_TRUE(closed.restored) << closed.errors.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(prompt().messages().isEmpty())
        << prompt().messages().join(QStringLiteral(" | ")).toStdString();
    expectRestored(QStringLiteral("AC"));
}

TEST_P(DcRippleSessionTest, TenOpeningsLeakNoRegisterAndRestoreTheOpeningsMode) {
    startModel(4);
    if (HasFatalFailure()) return;
    // A user waveform on phase A and DC mode before the first opening.
    program().link.Send(0, QStringLiteral("trac:def mine"));
    program().link.Send(0, QStringLiteral("trac:data mine,") +
                               QStringLiteral("0.5,").repeated(1023) + QStringLiteral("0.5"));
    program().link.Send(0, QStringLiteral("inst:nsel 1;:func mine;:inst:coup all;:mode acdc"));
    ASSERT_EQ(program().link.CheckError(), QString());
    ASSERT_FALSE(ReadBackState(program(), 4));
    const QString before = query(QStringLiteral("trac:cat?"));
    for (int opening = 0; opening < 10; ++opening) {
        SCOPED_TRACE(opening);
        DcRippleSession session(program());
        session.load();
        ASSERT_TRUE(session.activate());
        // A readback while open shows AC+DC; the close restores the opening's mode.
        ASSERT_FALSE(ReadBackState(program(), 4));
        EXPECT_TRUE(session.close().restored);
    }
    EXPECT_EQ(query(QStringLiteral("trac:cat?")), before);
    EXPECT_EQ(query(QStringLiteral("inst:nsel 1;:func?")), QStringLiteral("MINE"));
    EXPECT_EQ(query(QStringLiteral("mode?")), QStringLiteral("ACDC"));
    EXPECT_TRUE(prompt().messages().isEmpty())
        << prompt().messages().join(QStringLiteral(" | ")).toStdString();
}

TEST_P(DcRippleSessionTest, TheRelayQuestionAndButton) {
    startModel(4);
    if (HasFatalFailure()) return;
    DcRippleSession* running = nullptr;
    DcRippleHooks hooks;
    bool asked = false;
    hooks.progress = [&](double, double) {
        if (asked) return;
        asked = true;
        QTimer::singleShot(0, [&] { EXPECT_TRUE(running->openRelay()); });
    };
    DcRippleSession session(program(), hooks);
    running = &session;
    session.load();
    session.activate();

    // Cancel: the relay stays open and nothing plays.
    prompt().answer(PromptAnswer::Cancel);
    qsizetype mark = received().size();
    DcRippleOutcome outcome = session.start({});
    EXPECT_TRUE(outcome.refused);
    EXPECT_FALSE(receivedSince(mark).contains(QStringLiteral("outp 1")));
    EXPECT_EQ(countInit(receivedSince(mark)), 0);
    EXPECT_EQ(
        prompt().questions().first(),
        QStringLiteral("WARNING: Output relay is not closed. Running this test \r\nwill cause "
                       "the output relay to close and power will\r\nbe applied to the EUT. Do "
                       "you wish to continue?"));

    // Opening the relay during the test asks, aborts, then opens it.
    prompt().answer(PromptAnswer::Ok);
    prompt().answer(PromptAnswer::Yes);
    mark = received().size();
    outcome = session.start({});
    EXPECT_EQ(outcome.result, ListRunResult::Aborted);
    EXPECT_EQ(
        prompt().questions().last(),
        QStringLiteral("WARNING: Test is in progress. Opening output relay\r\nwill cause test "
                       "to be aborted.\r\nDo you wish to proceed anyway?"));
    EXPECT_TRUE(
        InOrder(receivedSince(mark), {QStringLiteral("outp 1"), QStringLiteral(":init:name tran"),
                                      QStringLiteral("abort"), QStringLiteral("outp 0")}));
    EXPECT_EQ(program().outputState.OutputOn, 0);
    EXPECT_EQ(query(QStringLiteral("outp?")), QStringLiteral("0"));
    EXPECT_TRUE(session.close().restored);
}

TEST_P(DcRippleSessionTest, SilenceGarbageOrALostLinkFailTheTest) {
    const struct {
        const char* fault;
        bool lost;
    } cases[] = {{"noreply-match trig:stat", false}, {"garbage all", false}, {"drop 1", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        startModel(4);
        if (HasFatalFailure()) return;
        DcRippleHooks hooks;
        bool faulted = false;
        hooks.progress = [&](double, double) {
            if (faulted) return;
            faulted = true;
            EXPECT_TRUE(control(QStringLiteral("fault ") + QLatin1String(c.fault)));
        };
        DcRippleSession session(program(), hooks);
        session.load();
        session.activate();
        prompt().answer(PromptAnswer::Ok);
        const DcRippleOutcome outcome = session.start({});
        EXPECT_EQ(outcome.result, ListRunResult::Failed);
        EXPECT_EQ(outcome.message, QStringLiteral("Transient execution failed."));
        EXPECT_EQ(prompt().status(1), outcome.message);
        control(QStringLiteral("fault clear"));
        const DcRippleClose closed = session.close();
        EXPECT_EQ(closed.restored, !c.lost);
        if (!c.lost) expectRestored(QStringLiteral("AC"));
    }
}

struct CliRun {
    int exitCode = -1;
    QJsonObject json;
    QString err;
};

class DcRippleCliTest : public DcRippleSessionTest {
protected:
    CliRun cli(const QStringList& command) {
        QStringList args{QStringLiteral("--settings"), settingsPath(),
                         QStringLiteral("--bus"),      QStringLiteral("lan"),
                         QStringLiteral("--host"),     source.host(),
                         QStringLiteral("--port"),     QString::number(source.port())};
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH),
                      args + QStringList{QStringLiteral("run-dc-ripple")} + command);
        CliRun r;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "ostrel-cli did not finish";
            return r;
        }
        r.exitCode = process.exitCode();
        r.json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    void startSource(int model, const QString& timeScale) {
        if (source.isRunning()) source.stop();
        start({QStringLiteral("--model"), QString::number(model), QStringLiteral("--time-scale"),
               timeScale});
    }
};

TEST_P(DcRippleCliTest, EachWayARunEndsHasItsExitStatus) {
    const QStringList test14B{QStringLiteral("--nominal"), QStringLiteral("14"),
                              QStringLiteral("--category"), QStringLiteral("B")};
    startSource(4, QStringLiteral("1000"));
    if (HasFatalFailure()) return;
    CliRun r = cli(test14B + QStringList{QStringLiteral("--yes"), QStringLiteral("--phases"),
                                         QStringLiteral("A")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_TRUE(r.json.value(QLatin1String("restored")).toBool());
    EXPECT_EQ(r.json.value(QLatin1String("lines")).toArray().size(), 3 + 4);

    EXPECT_EQ(cli({QStringLiteral("--nominal"), QStringLiteral("12"), QStringLiteral("--category"),
                   QStringLiteral("B")})
                  .exitCode,
              2);
    // The relay is closed now: a fresh source has it open, and asks.
    startSource(4, QStringLiteral("1000"));
    if (HasFatalFailure()) return;
    r = cli(test14B);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.json.value(QLatin1String("restored")).toBool());

    startSource(4, QStringLiteral("1"));
    if (HasFatalFailure()) return;
    r = cli(test14B + QStringList{QStringLiteral("--yes"), QStringLiteral("--timeout"),
                                  QStringLiteral("0.5")});
    EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
    EXPECT_TRUE(r.json.value(QLatin1String("restored")).toBool());
    ASSERT_TRUE(control(QStringLiteral("fault noreply-match trig:stat")));
    r = cli(test14B + QStringList{QStringLiteral("--yes")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.json.value(QLatin1String("message")).toString(),
              QStringLiteral("Transient execution failed."));

    startSource(10, QStringLiteral("1"));
    if (HasFatalFailure()) return;
    r = cli(test14B + QStringList{QStringLiteral("--yes")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains(QLatin1String("supported on Vk Series models.")))
        << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Lan, DcRippleSessionTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Lan, DcRippleCliTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
