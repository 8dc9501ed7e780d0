// Modulation runs against the virtual source over LAN: what the output did
// (its timeline), the fixed modes it is left in, how a run ends when the
// operator aborts, the source stops answering or the link goes, and the
// command-line tool's exit statuses.
#include "link/LinkConversation.h"
#include "support/LineOrder.h"
#include "support/TimelineFile.h"

#include "automation/ModulationFile.h"
#include "automation/ModulationRun.h"
#include "link/Readback.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <cmath>
#include <set>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class ModulationRunTest : public LinkConversation {
protected:
    void startModel(int model, QStringList extra = {}) {
        timelinePath = tempPath(QStringLiteral("timeline.jsonl"));
        start(QStringList{QStringLiteral("--model"), QString::number(model),
                          QStringLiteral("--timeline"), timelinePath} +
              extra);
        ASSERT_EQ(identify(), model);
        ASSERT_FALSE(ReadBackState(program(), model));
    }

    QString query(const QString& text) { return program().link.Query(0, text, 2).trimmed(); }

    // Every phase's voltage, slew and function in fixed mode, and the frequency.
    void expectFixedModes() {
        QStringList settings;
        ASSERT_TRUE(source.control(QStringLiteral("settings?"), &settings));
        for (const QString& line : settings) {
            SCOPED_TRACE(line.toStdString());
            for (const char* fixed : {" volt:mode=FIX", " volt:slew:mode=FIX", " freq:mode=FIX",
                                      " freq:slew:mode=FIX", " func:mode=FIX"})
                EXPECT_TRUE(line.contains(QLatin1String(fixed)));
        }
        const int outputs = program().outputState.MultiPhaseOutput == 1 ? 3 : 1;
        EXPECT_EQ(query(QStringLiteral("freq:mode?")), QStringLiteral("FIX"));
        for (int phase = 1; phase <= outputs; ++phase) {
            SCOPED_TRACE(phase);
            program().link.Send(0, QStringLiteral("inst:coup none;:inst:nsel %1").arg(phase));
            EXPECT_EQ(query(QStringLiteral("volt:mode?")), QStringLiteral("FIX"));
            EXPECT_EQ(query(QStringLiteral("func:mode?")), QStringLiteral("FIX"));
        }
    }

    ModulationSettings voltage(double a, double d, double r, double t, int mask) {
        ModulationSettings s;
        s.entry(ModulationTab::Voltage) = {a, d, r, t};
        s.phaseMask = mask;
        return s;
    }

    // The output records once the list was initiated.
    std::vector<QJsonObject> outputsWhileListed() const {
        const auto initiates = TimelineEvents(timelinePath, QStringLiteral("initiate"));
        if (initiates.empty()) return {};
        const double from = initiates.front().value(QLatin1String("t")).toDouble();
        std::vector<QJsonObject> out;
        for (const QJsonObject& o : TimelineEvents(timelinePath, QStringLiteral("output")))
            if (o.value(QLatin1String("t")).toDouble() >= from) out.push_back(o);
        return out;
    }

    QString timelinePath;
};

TEST_P(ModulationRunTest, VoltageAlternatesHighAndLowOnTickedPhasesThenFixedModes) {
    startModel(4, {QStringLiteral("--time-scale"), QStringLiteral("10")});
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("inst:coup all;:freq 400;:volt 100"));
    const qsizetype mark = received().size();
    std::vector<double> progress;
    ModulationRunHooks hooks;
    hooks.progress = [&](double share) { progress.push_back(share); };
    // A and C at 10 Hz for 2 s: 20 passes of two 50 ms points.
    ModulationRun run(program(), voltage(100, 10, 10, 2, 5), ModulationTab::Voltage, hooks);
    const ModulationRunOutcome outcome = run.run();

    ASSERT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    EXPECT_EQ(outcome.message, QStringLiteral("Modulation run time completed"));
    EXPECT_EQ(prompt().status(1), outcome.message);
    EXPECT_TRUE(outcome.restored);
    EXPECT_EQ(outcome.list.count, 20);
    EXPECT_EQ(program().outputState.OutputOn, 1);
    ASSERT_FALSE(progress.empty());
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);

    const QStringList sent = receivedSince(mark);
    EXPECT_TRUE(
        InOrder(sent, {QStringLiteral("outp 1"), QStringLiteral("inst:coup all;:volt 100.0"),
                       QStringLiteral("freq:mode fix;:freq:slew:mode fix"),
                       QStringLiteral("abort;:inst:coup none;:list:step auto;:list:coun 20"),
                       QStringLiteral("inst:coup none;:inst:nsel 1;:list:volt 110.0,90.0;"
                                      ":list:dwell 0.05000,0.05000;"
                                      ":list:volt:slew 408.1633,408.1633"),
                       QStringLiteral("inst:coup none;:inst:nsel 3;:list:volt 110.0,90.0;"
                                      ":list:dwell 0.05000,0.05000;"
                                      ":list:volt:slew 408.1633,408.1633"),
                       QStringLiteral(":trig:sync:phas 0.0;:trig:sync:sour phas"),
                       QStringLiteral(":init:name tran")}));
    // Phase B is not modulated, and every phase keeps its waveform.
    EXPECT_TRUE(sent.contains(QStringLiteral(
        ":inst:nsel 1;:volt:mode list;:volt:slew:mode list;:func:mode fix;:inst:nsel 2;:volt:mode "
        "fix;:volt:slew:mode fix;:func:mode fix;:inst:nsel 3;:volt:mode list;:volt:slew:mode "
        "list;:func:mode fix")));

    const auto initiates = TimelineEvents(timelinePath, QStringLiteral("initiate"));
    ASSERT_EQ(initiates.size(), 1u);
    EXPECT_EQ(initiates[0].value(QLatin1String("points")).toInt(), 2);
    EXPECT_EQ(initiates[0].value(QLatin1String("count")).toInt(), 20);
    EXPECT_DOUBLE_EQ(initiates[0].value(QLatin1String("sync")).toDouble(), 0.0);
    const auto points = TimelineEvents(timelinePath, QStringLiteral("point"));
    ASSERT_EQ(points.size(), 40u);
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].value(QLatin1String("index")).toInt(), int(i % 2));
        EXPECT_NEAR(points[i].value(QLatin1String("dwell")).toDouble(), 0.05, 1e-9);
        if (i > 0) {
            EXPECT_NEAR(points[i].value(QLatin1String("t")).toDouble() -
                            points[i - 1].value(QLatin1String("t")).toDouble(),
                        0.05, 1e-6);
        }
    }
    // The levels the output reached on A, on B none but the average.
    std::array<std::set<long>, 3> levels;
    for (const QJsonObject& o : outputsWhileListed()) {
        const QJsonObject ramps = o.value(QLatin1String("ramps")).toObject();
        const double to =
            ramps.contains(QLatin1String("vac"))
                ? ramps.value(QLatin1String("vac")).toObject().value(QLatin1String("to")).toDouble()
                : o.value(QLatin1String("vac")).toDouble();
        levels[size_t(o.value(QLatin1String("phase")).toInt() - 1)].insert(std::lround(to));
    }
    EXPECT_TRUE(levels[0].count(110) && levels[0].count(90));
    EXPECT_EQ(levels[1], (std::set<long>{100}));
    expectFixedModes();
}

TEST_P(ModulationRunTest, FrequencyModulatesTheCommonFrequencyWithVoltagesFixed) {
    startModel(4, {QStringLiteral("--time-scale"), QStringLiteral("10")});
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("inst:coup all;:volt 115"));
    ModulationSettings s;
    s.entry(ModulationTab::Frequency) = {400, 20, 5, 1};
    const qsizetype mark = received().size();
    const ModulationRunOutcome outcome =
        ModulationRun(program(), s, ModulationTab::Frequency).run();

    ASSERT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    const QStringList sent = receivedSince(mark);
    EXPECT_TRUE(InOrder(sent, {QStringLiteral("freq 400.0"),
                               QStringLiteral("abort;:inst:coup none;:list:step auto;:list:coun 5;"
                                              ":freq:mode list;:freq:slew:mode list"),
                               QStringLiteral("inst:coup all;:list:freq 420.00,380.00;"
                                              ":list:dwell 0.10000,0.10000;"
                                              ":list:freq:slew 404.0404,404.0404"),
                               QStringLiteral(":init:name tran")}));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("point")).size(), 10u);
    std::set<long> freqs;
    for (const QJsonObject& o : outputsWhileListed()) {
        const QJsonObject ramps = o.value(QLatin1String("ramps")).toObject();
        if (ramps.contains(QLatin1String("freq")))
            freqs.insert(std::lround(ramps.value(QLatin1String("freq"))
                                         .toObject()
                                         .value(QLatin1String("to"))
                                         .toDouble()));
        EXPECT_NEAR(o.value(QLatin1String("vac")).toDouble(), 115.0, 1e-6);
    }
    EXPECT_TRUE(freqs.count(420) && freqs.count(380));
    expectFixedModes();
}

TEST_P(ModulationRunTest, DcModulationStartsAtOnceAndLeavesTheFrequencyAlone) {
    startModel(4, {QStringLiteral("--time-scale"), QStringLiteral("10")});
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("inst:coup all;:mode dc;:volt 28"));
    ASSERT_FALSE(ReadBackState(program(), 4));
    const qsizetype mark = received().size();
    const ModulationRunOutcome outcome =
        ModulationRun(program(), voltage(28, 2, 10, 0.5, 1), ModulationTab::Voltage).run();
    ASSERT_EQ(outcome.result, ListRunResult::Completed) << outcome.message.toStdString();
    const QStringList sent = receivedSince(mark);
    EXPECT_TRUE(
        InOrder(sent, {QStringLiteral("inst:coup all;:volt:dc 28.0"),
                       QStringLiteral("trig:sync:sour imm"), QStringLiteral(":init:name tran"),
                       QStringLiteral(":inst:coup all;:volt:mode fix;:volt:slew:mode fix;"
                                      ":func:mode fix")}));
    // Queries (the readback's) aside.
    for (const QString& line : sent)
        if (!line.contains(QLatin1Char('?'))) {
            EXPECT_FALSE(line.startsWith(QLatin1String("freq ")) ||
                         line.contains(QLatin1String("freq:")))
                << line.toStdString();
        }
    std::set<long> levels;
    for (const QJsonObject& o : outputsWhileListed()) {
        if (o.value(QLatin1String("phase")).toInt() != 1) continue;
        const QJsonObject ramps = o.value(QLatin1String("ramps")).toObject();
        levels.insert(std::lround(
            ramps.contains(QLatin1String("vdc"))
                ? ramps.value(QLatin1String("vdc")).toObject().value(QLatin1String("to")).toDouble()
                : o.value(QLatin1String("vdc")).toDouble()));
    }
    EXPECT_TRUE(levels.count(30) && levels.count(26));
    EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("point")).size(), 10u);
}

TEST_P(ModulationRunTest, RefusedEntriesSendNothing) {
    startModel(0);
    if (HasFatalFailure()) return;
    program().link.Send(0, QStringLiteral("volt:rang 150"));
    ASSERT_FALSE(ReadBackState(program(), 0));
    const struct {
        const char* name;
        ModulationSettings settings;
        QString message;
        QString status;
    } cases[] = {
        {"no phase", voltage(100, 10, 10, 1, 0),
         QStringLiteral("No phase was selected. Nothing to do.\r\nPlease select at least one "
                        "phase\r\nto modulate. Run aborted."),
         QStringLiteral("Modulation aborted, no phase selected.")},
        {"rate 0", voltage(100, 10, 0, 1, 1),
         QStringLiteral("User data entry out of range or invalid.\r\nNo change in settings made."),
         QStringLiteral("Modulation aborted, data entry conflict.")},
        {"depth above average", voltage(10, 20, 10, 1, 1),
         QStringLiteral("Data entry error. Requested modulation\r\ndepth exceeds average voltage."),
         QStringLiteral("Modulation aborted, data entry conflict.")},
        {"above the range", voltage(145, 10, 10, 1, 1),
         QStringLiteral("Data entry error. Requested voltage\r\nmodulation will exceed voltage "
                        "range limit."),
         QStringLiteral("Modulation aborted, data entry conflict.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompt().clear();
        const qsizetype mark = received().size();
        const ModulationRunOutcome outcome =
            ModulationRun(program(), c.settings, ModulationTab::Voltage).run();
        EXPECT_TRUE(outcome.refused);
        EXPECT_EQ(prompt().messages(), QStringList{c.message});
        EXPECT_EQ(prompt().status(1), c.status);
        EXPECT_TRUE(receivedSince(mark).isEmpty());
    }
}

TEST_P(ModulationRunTest, AbortSilenceAndALostLinkEndTheRunAndRestoreWhatCanBe) {
    const struct {
        const char* name;
        QString fault; // switched on once the run polls
        bool abort;
        ListRunResult result;
        bool lost;
    } cases[] = {
        {"abort", {}, true, ListRunResult::Aborted, false},
        {"no state", QStringLiteral("noreply-match trig:stat"), false, ListRunResult::Failed,
         false},
        {"garbage", QStringLiteral("garbage all"), false, ListRunResult::Failed, false},
        {"dropped", QStringLiteral("drop 1"), false, ListRunResult::Failed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (source.isRunning()) {
            source.stop();
            program().link.CloseLan();
            program().link.ClearLost();
        }
        startModel(4);
        if (HasFatalFailure()) return;
        prompt().clear();
        ModulationRun* runner = nullptr;
        bool acted = false;
        ModulationRunHooks hooks;
        hooks.progress = [&](double) {
            if (acted) return;
            acted = true;
            if (c.abort)
                QTimer::singleShot(0, [&] { runner->stop(); });
            else
                ASSERT_TRUE(control(QStringLiteral("fault ") + c.fault));
        };
        ModulationRun run(program(), voltage(100, 10, 10, 60, 1), ModulationTab::Voltage, hooks);
        runner = &run;
        const qsizetype mark = received().size();
        const ModulationRunOutcome outcome = run.run();
        EXPECT_EQ(outcome.result, c.result) << outcome.message.toStdString();
        EXPECT_EQ(outcome.linkLost, c.lost);
        control(QStringLiteral("fault clear"));
        if (c.lost) continue;
        if (c.abort) {
            EXPECT_EQ(outcome.message, QStringLiteral("Modulation aborted by operator"));
        }
        const QStringList sent = receivedSince(mark);
        EXPECT_TRUE(
            InOrder(sent, {QStringLiteral(":init:name tran"), QStringLiteral("abort"),
                           QStringLiteral("freq:mode fix;:freq:slew:mode fix;:outp:ttlt:sour "
                                          "bot;:outp:ttlt 0;:inst:coup all;:volt:mode "
                                          "fix;:volt:slew:mode fix;:func:mode fix")}));
        expectFixedModes();
    }
}

TEST_P(ModulationRunTest, ASourceErrorBeforeTheListsEndsTheRunWithItsText) {
    startModel(4);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(control(QStringLiteral("fault error -222")));
    const qsizetype mark = received().size();
    const ModulationRunOutcome outcome =
        ModulationRun(program(), voltage(100, 10, 10, 60, 1), ModulationTab::Voltage).run();
    EXPECT_EQ(outcome.result, ListRunResult::Failed);
    EXPECT_TRUE(outcome.message.startsWith(QLatin1String("-222,")));
    EXPECT_TRUE(outcome.message.endsWith(QLatin1String(" - Run aborted")));
    EXPECT_EQ(prompt().messages(), QStringList{outcome.message});
    EXPECT_EQ(prompt().status(1), outcome.message);
    for (const QString& line : receivedSince(mark))
        EXPECT_FALSE(line.contains(QLatin1String("list"))) << line.toStdString();
}

struct CliRun {
    int exitCode = -1;
    QJsonObject json;
    QString err;
};

class ModulationCliTest : public ModulationRunTest {
protected:
    CliRun cli(const QStringList& command, bool lan = true) {
        QStringList args{QStringLiteral("--settings"), settingsPath()};
        if (lan)
            args << QStringLiteral("--bus") << QStringLiteral("lan") << QStringLiteral("--host")
                 << source.host() << QStringLiteral("--port") << QString::number(source.port());
        else
            args << QStringLiteral("--bus") << QStringLiteral("sim");
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH), args + command);
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
    QString modFile(double rate, double runTime) {
        ModulationSettings s = voltage(100, 10, rate, runTime, 1);
        s.entry(ModulationTab::Frequency) = {400, 10, rate, runTime};
        const QString path = tempPath(QStringLiteral("run.mod"));
        EXPECT_EQ(WriteModulationFile(path, s), QString());
        return path;
    }
};

TEST_P(ModulationCliTest, EachWayARunEndsHasItsExitStatus) {
    // The tool holds the source's only connection.
    start({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--time-scale"),
           QStringLiteral("20")});
    if (HasFatalFailure()) return;
    const QString quick = modFile(10, 1);
    const QString tab = QStringLiteral("--tab");

    CliRun r = cli({QStringLiteral("run-modulation"), quick, tab, QStringLiteral("voltage")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_TRUE(r.json.value(QLatin1String("restored")).toBool());
    EXPECT_EQ(r.json.value(QLatin1String("list")).toObject().value(QLatin1String("count")).toInt(),
              10);

    r = cli({QStringLiteral("run-modulation"), quick, tab, QStringLiteral("frequency")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();

    r = cli({QStringLiteral("run-modulation"), quick});
    EXPECT_EQ(r.exitCode, 2);

    r = cli({QStringLiteral("run-modulation"), quick, tab, QStringLiteral("voltage")}, false);
    EXPECT_EQ(r.exitCode, 3);
    r = cli({QStringLiteral("run-modulation"), modFile(0, 1), tab, QStringLiteral("voltage")});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QStringLiteral("refused"));

    r = cli({QStringLiteral("run-modulation"), modFile(10, 600), tab, QStringLiteral("voltage"),
             QStringLiteral("--timeout"), QStringLiteral("0.5")});
    EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
    EXPECT_TRUE(r.json.value(QLatin1String("restored")).toBool());

    // The source stops telling its state.
    ASSERT_TRUE(control(QStringLiteral("fault noreply-match trig:stat")));
    r = cli({QStringLiteral("run-modulation"), quick, tab, QStringLiteral("voltage")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QStringLiteral("failed"));
}

INSTANTIATE_TEST_SUITE_P(Lan, ModulationRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });
INSTANTIATE_TEST_SUITE_P(Lan, ModulationCliTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) {

    return std::string(BusName(info.param)); });

} // namespace
