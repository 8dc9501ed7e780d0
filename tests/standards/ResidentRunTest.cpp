// The resident option run against ostrel-vsource: the commands of each
// option, refused and repeated tests, Skip, Abort at each moment, a lost,
// silent or hung source, the set-up refusals, simulation and the log.
#include "EngineConversation.h"

#include "link/ModelSetup.h"
#include "standards/ResidentReport.h"
#include "standards/ResidentRun.h"
#include "support/TimelineFile.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kInProgress = QStringLiteral("' in progress...");

class ResidentConversation : public EngineConversation {
protected:
    // A source whose resident tests take `seconds` (virtual).
    void connectResident(int model, double seconds, const QStringList& extra = {}) {
        connect(model, QStringList{QStringLiteral("--resident-seconds"), QString::number(seconds)} + extra);
    }
    ResidentSetup setupOf(const ResidentOption& option, const QString& group, std::initializer_list<int> tests) {
        ResidentSetup s = DefaultResidentSetup(option);
        s.group = group;
        s.phase = option.groups[size_t(option.groupIndex(group))].threePhase ? 0 : 1;
        for (int i : tests)
            s.selected[size_t(i)] = true;
        return s;
    }
    ResidentOutcome run(const ResidentOption& option, const ResidentSetup& setup,
                        const std::function<void(ResidentRun&, const QString&)>& onStatus = {}) {
        ResidentCallbacks callbacks;
        ResidentRun* self = nullptr;
        callbacks.status = [&](const QString& s) {
            if (onStatus && self) onStatus(*self, s);
        };
        ResidentRun r(program(), option, callbacks);
        self = &r;
        return r.run(setup, std::vector<int>(size_t(option.catalogue.size()), 3), logFile);
    }
    std::vector<QJsonObject> resident(const QString& state = {}) {
        std::vector<QJsonObject> out;
        for (const QJsonObject& r : TimelineEvents(timelinePath, QStringLiteral("resident")))
            if (state.isEmpty() || r.value(QLatin1String("state")).toString() == state) out.push_back(r);
        return out;
    }
    QString logFile = tempPath(QStringLiteral("MS704_Meas_Log.txt"));
};

const ResidentOption& ms704() { return ResidentOptionFor(ResidentKind::Ms704); }

} // namespace

TEST_F(ResidentConversation, EachOptionRunsItsTestsByItsOwnCommands) {
    const struct {
        ResidentKind kind;
        const char* group;
        QStringList setupLines;
        QStringList commands;
    } cases[] = {
        {ResidentKind::Ms704, "SAC",
         {"ms704:rev F", "ms704:gro SAC", "ms704:freq 400", "ms704:step cont", "ms704:test:cond all"},
         {"ms704:norm:ssl:nom", "ms704:norm:ssl:high", "ms704:norm:ssl:low"}},
        {ResidentKind::Mil704, "400Hz",
         {"mil704:vers F", "mil704:freq 400Hz"},
         {"*OPC;:MIL704:SST:VOLT:LEV", "*OPC;:MIL704:SST:VOLT:MOD", "*OPC;:MIL704:SST:VOLT:UNB"}},
        {ResidentKind::Do160, "ACF",
         {"do160:stan rtca", "do160:gro ACF"},
         // Sent with their trailing blanks; the source's log shows the line trimmed.
         {"*OPC;:DO160:NORM:FREQ:MOD", "*OPC;:DO160:NORM:WAV:DIST", "*OPC;:DO160:NORM:VOLT:MOD"}},
    };
    connectResident(0, 3);
    for (const auto& c : cases) {
        const ResidentOption& option = ResidentOptionFor(c.kind);
        const int first = option.kind == ResidentKind::Ms704 ? 0 : option.kind == ResidentKind::Mil704 ? 0 : 3;
        const qsizetype from = mark();
        const size_t before = resident(QStringLiteral("complete")).size();
        const ResidentOutcome out = run(option, setupOf(option, QLatin1String(c.group), {first, first + 1, first + 2}));
        EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
        EXPECT_EQ(out.result, QStringLiteral("COMPLETED"));
        const QStringList got = receivedSince(from);
        QStringList expected{QStringLiteral("ABORT"), QStringLiteral("inst:coup none;:inst:nsel 1")};
        expected << c.setupLines << QStringLiteral("freq 400.0");
        for (const QString& command : c.commands)
            expected << QStringLiteral("outp 1") << QStringLiteral("*OPC?") << command;
        qsizetype at = 0;
        for (const QString& line : expected) {
            at = IndexOf(got, line, at);
            EXPECT_GE(at, 0) << option.window.toStdString() << ": " << line.toStdString();
            if (at < 0) break;
        }
        EXPECT_EQ(resident(QStringLiteral("complete")).size(), before + 3) << option.window.toStdString();
        EXPECT_TRUE(state().endsWith(QLatin1String("resident=IDLE")));
    }
}

TEST_F(ResidentConversation, ARefusedTestIsListedNotRunAndTheResultSaysSo) {
    connectResident(0, 3);
    const ResidentSetup setup = setupOf(ms704(), QStringLiteral("SAC"), {0, 31, 1});
    const ResidentOutcome out = run(ms704(), setup);
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_EQ(out.result, QStringLiteral("COMPLETED WITH ERRORS (1 of 3 tests not run)"));
    EXPECT_EQ(out.tests[31].status, ResidentTestStatus::NotRun);
    EXPECT_EQ(out.tests[0].status, ResidentTestStatus::Completed);
    EXPECT_EQ(out.tests[1].status, ResidentTestStatus::Completed);
    ASSERT_FALSE(prompt().messages().isEmpty());
    EXPECT_TRUE(prompt().messages().last().endsWith(
        QStringLiteral("\r\nTEST EXECUTION ERROR : Could not issue 'ms704:pow:fail:phas:rev' successfully.")));
    EXPECT_TRUE(prompt().messages().last().startsWith(QStringLiteral("-221")));
    const TestReportRecord record = ResidentReportRecord(ms704(), setup, out, QStringLiteral("Ostrel"), {});
    EXPECT_EQ(record[FieldReportTitle], QStringLiteral("MIL-STD 704 Immunity Test Report"));
    EXPECT_EQ(record[FieldTimeEnded], QStringLiteral("NONE"));
    EXPECT_EQ(record.stepTable[1 + 0].last(), QStringLiteral("SELECTED"));
    EXPECT_EQ(record.stepTable[1 + 2].last(), QStringLiteral("SKIPPED"));
    EXPECT_EQ(record.stepTable[1 + 31].last(), QStringLiteral("NOT RUN"));
}

TEST_F(ResidentConversation, VariableFrequencyRepeatRunsEachFrequencyOnEveryPhase) {
    connectResident(4, 3);
    ResidentSetup setup = setupOf(ms704(), QStringLiteral("TVF"), {1});
    setup.vfRepeat = true;
    const qsizetype from = mark();
    const ResidentOutcome out = run(ms704(), setup);
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    const QStringList got = receivedSince(from);
    EXPECT_GE(IndexOf(got, QStringLiteral("inst:coup all")), 0);
    qsizetype at = 0;
    for (const char* f : {"400", "360", "600", "800"}) {
        at = IndexOf(got, QStringLiteral("ms704:freq ") + QLatin1String(f), at + 1);
        ASSERT_GE(at, 0) << f;
        EXPECT_GE(IndexOf(got, QStringLiteral("ms704:norm:ssl:high"), at), 0) << f;
    }
    const std::vector<QJsonObject> starts = resident(QStringLiteral("start"));
    ASSERT_EQ(starts.size(), 4u);
    const double freqs[] = {400, 360, 600, 800};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(starts[i].value(QLatin1String("phases")).toString(), QStringLiteral("1,2,3"));
        EXPECT_EQ(starts[i].value(QLatin1String("setup")).toObject().value(QLatin1String("freq")).toDouble(), freqs[i]);
    }
    // The level step of a HIGH test: 10 % over nominal on each phase.
    bool raised = false;
    for (const QJsonObject& o : TimelineEvents(timelinePath, QStringLiteral("output")))
        raised = raised || std::abs(o.value(QLatin1String("vac")).toDouble() - 126.5) < 0.01;
    EXPECT_TRUE(raised);
}

TEST_F(ResidentConversation, SkipEndsTheRunningStepAndTheTestStillCompletes) {
    connectResident(0, 300);
    bool skipped = false;
    const ResidentOutcome out = run(ms704(), setupOf(ms704(), QStringLiteral("SAC"), {0}), [&](ResidentRun& r, const QString& s) {
        if (!skipped && s.endsWith(kInProgress)) {
            skipped = true;
            r.requestSkip();
            r.requestSkip();
        }
    });
    // Two skips pass two of the three 100 s steps: the test ends in time, completed.
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    EXPECT_GE(received().count(QStringLiteral("ms704:skip")), 1);
    EXPECT_GE(resident(QStringLiteral("skip")).size(), 1u);
}

TEST_F(ResidentConversation, AbortAtEachMomentTellsTheSourceAndStartsNoLaterTest) {
    const struct {
        const char* moment;
        std::function<bool(const QString&)> when;
        bool firstTestStarted;
    } cases[] = {
        {"set-up", [](const QString& s) { return s == QLatin1String("RUNNING"); }, false},
        {"mid-test", [](const QString& s) { return s.endsWith(kInProgress); }, true},
        {"between tests", [](const QString& s) { return s == QLatin1String("Completed"); }, true},
    };
    connectResident(0, 300);
    for (const auto& c : cases) {
        const qsizetype from = mark();
        bool asked = false;
        const ResidentOutcome out = run(ms704(), setupOf(ms704(), QStringLiteral("SAC"), {0, 1}), [&](ResidentRun& r, const QString& s) {
            if (!asked && c.when(s)) {
                asked = true;
                r.requestAbort();
            }
        });
        EXPECT_EQ(out.outcome, RunOutcome::Aborted) << c.moment;
        EXPECT_EQ(out.result, QStringLiteral("USER ABORT")) << c.moment;
        EXPECT_FALSE(out.ended.isValid()) << c.moment;
        const QStringList got = receivedSince(from);
        const qsizetype first = IndexOf(got, QStringLiteral("ms704:norm:ssl:nom"));
        EXPECT_EQ(first >= 0, c.firstTestStarted) << c.moment;
        if (first >= 0) {
            EXPECT_GE(IndexOf(got, QStringLiteral("ABORT"), first), 0) << c.moment;
        }
        EXPECT_EQ(IndexOf(got, QStringLiteral("ms704:norm:ssl:high")), -1) << c.moment;
        EXPECT_GE(IndexOf(got, QStringLiteral("volt:mode fix;:volt:ac 115.0")), 0) << c.moment; // restored
        EXPECT_TRUE(state().endsWith(QLatin1String("resident=IDLE"))) << c.moment;
        EXPECT_EQ(prompt().status(1), QStringLiteral("USER ABORT")) << c.moment;
    }
    EXPECT_EQ(resident(QStringLiteral("abort")).size(), 1u); // only the mid-test abort found a test running
}

TEST_F(ResidentConversation, ALostOrSilentSourceEndsTheRunFailedNeverCompleted) {
    const struct {
        const char* fault;
        bool linkLost;
    } cases[] = {{"noreply-match stat", false}, {"drop 2", true}};
    for (const auto& c : cases) {
        VirtualSourceProcess& s = source;
        s.stop();
        program().link.ClearLost();
        connectResident(0, 300);
        bool faulted = false;
        const ResidentOutcome out = run(ms704(), setupOf(ms704(), QStringLiteral("SAC"), {0, 1}), [&](ResidentRun&, const QString& st) {
            if (!faulted && st.endsWith(kInProgress)) {
                faulted = true;
                EXPECT_TRUE(control(QStringLiteral("fault ") + QLatin1String(c.fault)));
            }
        });
        EXPECT_EQ(out.outcome, RunOutcome::Failed) << c.fault;
        EXPECT_EQ(out.result, QStringLiteral("TEST FAILED")) << c.fault;
        EXPECT_EQ(out.linkLost, c.linkLost) << c.fault;
        EXPECT_EQ(out.tests[1].status, ResidentTestStatus::NotRun) << c.fault;
        if (!c.linkLost) {
            EXPECT_EQ(out.reason, QStringLiteral("ERROR: No reply from the power source while waiting for test completion."));
        }
    }
}

TEST_F(ResidentConversation, AHungTestIsAbortedOnceTwiceItsTimeAndTenMinutesHavePassed) {
    connectResident(0, 100000);
    program().engineClock.timeScale = 2000;
    const qsizetype from = mark();
    const ResidentOutcome out = run(ms704(), setupOf(ms704(), QStringLiteral("SAC"), {0}));
    EXPECT_EQ(out.outcome, RunOutcome::Failed);
    EXPECT_EQ(out.reason, QStringLiteral("ERROR: Test 'ms704:norm:ssl:nom' did not finish within its expected time "
                                         "(see MS704_Durations.ini)."));
    EXPECT_GE(out.elapsedSeconds, 2 * 3 + 600);
    const QStringList got = receivedSince(from);
    EXPECT_GE(IndexOf(got, QStringLiteral("ABORT"), IndexOf(got, QStringLiteral("ms704:norm:ssl:nom"))), 0);
}

TEST_F(ResidentConversation, ASetUpErrorStopsTheRunBeforeAnyTest) {
    const struct {
        const char* what;
        QStringList extra;
        const char* group;
    } cases[] = {
        {"three-phase group on one output", {}, "TAC"},
        {"option not installed", {QStringLiteral("--options"), QStringLiteral("0,1,1,1,1,0,1,0,0,0,1,0,0,1,1,1,0")}, "SAC"},
    };
    for (const auto& c : cases) {
        source.stop();
        connectResident(0, 3, c.extra);
        ResidentSetup setup = setupOf(ms704(), QStringLiteral("SAC"), {0});
        setup.group = QLatin1String(c.group);
        const qsizetype from = mark();
        const ResidentOutcome out = run(ms704(), setup);
        EXPECT_EQ(out.outcome, RunOutcome::NotStarted) << c.what;
        EXPECT_TRUE(out.reason.startsWith(QStringLiteral("The option refused its set-up: "))) << out.reason.toStdString();
        EXPECT_EQ(IndexOf(receivedSince(from), QStringLiteral("ms704:norm:ssl:nom")), -1) << c.what;
        EXPECT_EQ(IndexOf(receivedSince(from), QStringLiteral("outp 1")), -1) << c.what;
    }
}

TEST_F(ResidentConversation, TheLogHasAReadingLinePerPollAndAnUnwritableLogLetsTheRunGoOn) {
    connectResident(4, 3);
    const ResidentOutcome out = run(ms704(), setupOf(ms704(), QStringLiteral("TAC"), {0}));
    ASSERT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    EXPECT_TRUE(out.logWritten);
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
    ASSERT_GE(lines.size(), 1);
    const QList<QByteArray> fields = lines.first().split('\t');
    ASSERT_EQ(fields.size(), 6); // date, time, frequency, three phases
    EXPECT_EQ(fields[2], "400.0");
    EXPECT_FALSE(fields[3].isEmpty());
    EXPECT_GE(IndexOf(received(), QStringLiteral("inst:nsel 3;:meas:volt:ac?")), 0);

    logFile = tempPath(QStringLiteral("no-such-folder/log.txt"));
    const ResidentOutcome blind = run(ms704(), setupOf(ms704(), QStringLiteral("TAC"), {0}));
    EXPECT_EQ(blind.outcome, RunOutcome::Completed);
    EXPECT_FALSE(blind.logWritten);
    bool told = false;
    for (const PromptCall& call : prompt().calls())
        told = told || call.text == QStringLiteral("Measurement log could not be written: ") + logFile;
    EXPECT_TRUE(told);
}

TEST(ResidentSimulation, WithoutASourceTheCountdownPacesTheRunAndNothingIsSent) {
    ProgramFixture fixture;
    Program& program = fixture.program();
    program.settings.link.bus = BusSimulation;
    SimulationSetup(program);
    program.engineClock.timeScale = 100;
    ResidentSetup setup = DefaultResidentSetup(ms704());
    setup.phase = 1;
    setup.selected[0] = setup.selected[2] = true;
    ResidentRun run(program, ms704());
    const ResidentOutcome out = run.run(setup, std::vector<int>(32, 3), fixture.tempPath(QStringLiteral("log.txt")));
    EXPECT_EQ(out.outcome, RunOutcome::Completed);
    EXPECT_EQ(out.plannedSeconds, 6);
    EXPECT_GE(out.elapsedSeconds, 6);
    EXPECT_FALSE(out.logWritten);
}
