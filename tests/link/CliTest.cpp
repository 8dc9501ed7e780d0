// ostrel-cli against the virtual source over each transport.
#include "LinkConversation.h"
#include "support/TimelineFile.h"

#include "link/Waits.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>

#include <algorithm>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class Cli : public LinkConversation {
protected:
    CliRun run(const QStringList& command) {
        QProcess process;
        launch(process, command);
        return collect(process);
    }
    void launch(QProcess& process, const QStringList& command) {
        QStringList args{QStringLiteral("--settings"), settingsPath()};
        switch (GetParam()) {
        case BusLan:
            args << QStringLiteral("--bus") << QStringLiteral("lan") << QStringLiteral("--host")
                 << source.host() << QStringLiteral("--port") << QString::number(source.port());
            break;
        case BusSerial:
            args << QStringLiteral("--bus") << QStringLiteral("serial")
                 << QStringLiteral("--serial-port") << source.ptyPath()
                 << QStringLiteral("--handshake") << QStringLiteral("0");
            break;
        case BusGpib:
            args << QStringLiteral("--bus") << QStringLiteral("gpib") << QStringLiteral("--address")
                 << QStringLiteral("3");
            break;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OSTREL_GPIB_LIBRARY"), VirtualSourceProcess::gpibShimPath());
        env.insert(QStringLiteral("OSTREL_VSOURCE_GPIB"), source.gpibSocket());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(OSTREL_CLI_PATH), args + command);
    }
    static CliRun collect(QProcess& process) {
        CliRun result;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "ostrel-cli did not finish";
            return result;
        }
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
    static QJsonObject json(const CliRun& r) {
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }
};

TEST_P(Cli, IdentifyPrintsTheSourceModel) {
    start({QStringLiteral("--model"), QStringLiteral("4")});
    const CliRun r = run({QStringLiteral("identify")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(json(r).value(QStringLiteral("status")).toString(), QStringLiteral("completed"));
    const QJsonObject model = json(r).value(QStringLiteral("SourceModel")).toObject();
    EXPECT_EQ(model.value(QStringLiteral("ModelIndex")).toInt(), 4);
    EXPECT_EQ(model.value(QStringLiteral("SerialNumber")).toString(), QStringLiteral("KV00001"));
    EXPECT_DOUBLE_EQ(model.value(QStringLiteral("FirmwareRevision")).toDouble(), 2.34);
    EXPECT_EQ(model.value(QStringLiteral("Options")).toArray().size(), 21);
    EXPECT_EQ(model.value(QStringLiteral("PhaseSpacing")).toInt(), 120);
    EXPECT_EQ(model.value(QStringLiteral("ListCapacity")).toInt(), 100);
    EXPECT_DOUBLE_EQ(model.value(QStringLiteral("MinimumDwell")).toDouble(), 0.001);
}

TEST_P(Cli, ReadbackPrintsTheOutputStateAndTracesToStandardError) {
    start({QStringLiteral("--model"), QStringLiteral("3")});
    ASSERT_EQ(run({QStringLiteral("send"), QStringLiteral("freq"), QStringLiteral("55")}).exitCode,
              0);
    const CliRun r = run({QStringLiteral("--trace"), QStringLiteral("readback")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject all = json(r);
    const QJsonObject state = all.value(QStringLiteral("OutputState")).toObject();
    EXPECT_DOUBLE_EQ(state.value(QStringLiteral("Frequency")).toDouble(), 55);
    const QJsonArray phases = state.value(QStringLiteral("Phase")).toArray();
    ASSERT_EQ(phases.size(), 3);
    EXPECT_DOUBLE_EQ(phases[1].toObject().value(QStringLiteral("PhaseAngle")).toDouble(), 240);
    EXPECT_EQ(all.value(QStringLiteral("MaxVoltage")).toArray().size(), 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("\nfreq?\n<-- 55.0\n"))) << r.err.toStdString();
}

TEST_P(Cli, QueryErrorsAndFailures) {
    start();
    CliRun r = run({QStringLiteral("query"), QStringLiteral("volt? max")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(json(r).value(QStringLiteral("reply")).toString(), QStringLiteral("150.0"));
    r = run({QStringLiteral("send"), QStringLiteral("bogus")});
    EXPECT_EQ(r.exitCode, 5) << "a command the source refused";
    EXPECT_EQ(r.err, QStringLiteral("\"bogus\" was refused:\n-113,\"Undefined header\"\n"));
    ASSERT_TRUE(control(QStringLiteral("fault error -222")));
    r = run({QStringLiteral("errors")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(json(r).value(QStringLiteral("errors")).toArray(),
              QJsonArray{QStringLiteral("-222,\"Data out of range\"")});
    ASSERT_TRUE(control(QStringLiteral("fault noreply-match freq")));
    r = run({QStringLiteral("query"), QStringLiteral("freq?")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(json(r).value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
    EXPECT_EQ(r.err, QStringLiteral("No reply to \"freq?\" within 1 s.\n"));
}

TEST_P(Cli, DownloadRefusesABadNameBeforeSendingAndSendsAGoodOne) {
    start();
    const QString file = tempPath(QStringLiteral("wave.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0.25\n1\n-0.123456\n");
    for (int i = 3; i < 1024; ++i)
        f.write("0\n");
    f.close();
    const qsizetype mark = received().size();
    CliRun r = run({QStringLiteral("download"), QStringLiteral("1ABC"), file});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("First character of waveform name must be alpha")));
    EXPECT_TRUE(receivedSince(mark).filter(QStringLiteral("trac")).isEmpty());
    r = run({QStringLiteral("download"), QStringLiteral("ABC"), file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString data = QStringLiteral("trac:data ABC,0.25,1.0,-0.1235,0.0,");
    const auto sent = [&] {
        const QStringList lines = receivedSince(mark);
        return std::any_of(lines.begin(), lines.end(),
                           [&](const QString& line) { return line.startsWith(data); });
    };
    EXPECT_TRUE(WaitUntil(sent, 3000));
    r = run({QStringLiteral("catalog")});
    EXPECT_EQ(json(r).value(QStringLiteral("waveforms")).toArray().last(),
              (QJsonObject{{QStringLiteral("index"), 3}, {QStringLiteral("name"), QStringLiteral("ABC")}}))
        << r.out.toStdString();

    // The source checks the samples only after the data line: its refusal fails the run.
    f.open(QIODevice::WriteOnly);
    for (int i = 0; i < 1500; ++i)
        f.write("0.5\n");
    f.close();
    r = run({QStringLiteral("download"), QStringLiteral("LONG"), file});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_TRUE(r.err.contains(QStringLiteral("-223,"))) << r.err.toStdString();
}

TEST_P(Cli, BenchmarkPrintsItsFigures) {
    start();
    const CliRun r =
        run({QStringLiteral("benchmark"), QStringLiteral("--count"), QStringLiteral("50")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject figures = json(r);
    EXPECT_EQ(figures.value(QStringLiteral("answered")).toInt(), 50);
    for (const char* figure : {"queriesPerSecond", "medianRoundTripUs", "p99RoundTripUs"})
        EXPECT_GT(figures.value(QLatin1String(figure)).toDouble(), 0) << figure;
}

TEST_P(Cli, RunTransientPlaysAStepTableAndStopsOnSigterm) {
    start({QStringLiteral("--model"), QStringLiteral("0")});
    ASSERT_TRUE(control(QStringLiteral("fault clear")));
    ASSERT_EQ(run({QStringLiteral("send"), QStringLiteral("mode dc;:volt 28")}).exitCode, 0);
    const QString table =
        QStringLiteral(OSTREL_SOURCE_DATA_DIR) + QStringLiteral("/transients/dc-28V-step-and-dropout.tls");

    CliRun r = run({QStringLiteral("run-transient"), table, QStringLiteral("--dry-run")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(json(r).value(QStringLiteral("outcome")).toString(), QStringLiteral("checked"));
    EXPECT_EQ(json(r).value(QStringLiteral("lines")).toArray().at(0).toArray().at(0).toString(),
              QStringLiteral(":list:dwel 0.500,0.010,0.001,0.200"));

    // The relay is open: without --yes the question is answered No and nothing runs.
    const qsizetype mark = received().size();
    r = run({QStringLiteral("run-transient"), table});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(receivedSince(mark).filter(QStringLiteral("list:")).isEmpty());

    r = run({QStringLiteral("run-transient"), table, QStringLiteral("--yes"), QStringLiteral("--count"),
             QStringLiteral("2")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject done = json(r);
    EXPECT_EQ(done.value(QStringLiteral("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_EQ(done.value(QStringLiteral("passes_completed")).toInt(), 2);
    EXPECT_EQ(done.value(QStringLiteral("points_sent")).toInt(), 8);
    EXPECT_TRUE(done.value(QStringLiteral("restored")).toBool());

    QProcess process;
    launch(process, {QStringLiteral("run-transient"), table, QStringLiteral("--yes"),
                     QStringLiteral("--count"), QStringLiteral("50")});
    ASSERT_TRUE(WaitUntil([&] { return !receivedSince(mark).filter(QStringLiteral("init")).isEmpty(); }, 10000));
    Delay(0.8);
    process.terminate();
    r = collect(process);
    EXPECT_EQ(r.exitCode, 4) << r.err.toStdString();
    EXPECT_EQ(json(r).value(QStringLiteral("outcome")).toString(), QStringLiteral("aborted"));
    EXPECT_TRUE(json(r).value(QStringLiteral("restored")).toBool());
    EXPECT_LT(json(r).value(QStringLiteral("passes_completed")).toInt(), 50);

    // A point list file runs through the list editor's run.
    const QString points =
        QStringLiteral(OSTREL_SOURCE_DATA_DIR) + QStringLiteral("/transients/three-points-phase-A.trl");
    r = run({QStringLiteral("run-transient"), points, QStringLiteral("--vnom"), QStringLiteral("115")});
    EXPECT_EQ(r.exitCode, 2) << "a step-table option";
    ASSERT_EQ(run({QStringLiteral("send"), QStringLiteral("mode ac")}).exitCode, 0);
    r = run({QStringLiteral("run-transient"), points});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(json(r).value(QStringLiteral("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_EQ(json(r).value(QStringLiteral("points_sent")).toInt(), 3);
}

// A relative table in cycles run by the tool on a source at 20 times its
// speed: the timeline follows the profile worked out by hand.
TEST_P(Cli, RunTransientInCyclesFollowsTheHandWorkedProfile) {
    const QString timelinePath = tempPath(QStringLiteral("cycles.jsonl"));
    start({QStringLiteral("--model"), QStringLiteral("0"), QStringLiteral("--timeline"), timelinePath,
           QStringLiteral("--time-scale"), QStringLiteral("20")});
    ASSERT_EQ(run({QStringLiteral("send"), QStringLiteral("freq 400;:volt 115;:outp 1")}).exitCode, 0);
    const CliRun r = run({QStringLiteral("run-transient"),
                          QStringLiteral(OSTREL_SOURCE_DATA_DIR "/../tests/transients/data/relative-in-cycles.tls")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(json(r).value(QStringLiteral("points_sent")).toInt(), 6);

    const struct {
        double dwell, volt, freq, freqRate;
    } expected[] = {
        {0.1, 115, 400, 0},      // 40 cycles at 400 Hz
        {0.01, 0, 400, 0},       // 4 cycles, dropped out
        {0.001, 115, 400, 0},    // the return to the level before the drop
        {0.0909, 115, 440, 0},   // 40 cycles at 110 % of 400 Hz
        {0.1905, 115, 400, 210}, // 80 cycles at the mean of 440 and 400 Hz, 40 Hz in 0.190476 s
        {0.05, 115, 400, 0},     // 20 cycles at 400 Hz
    };
    const std::vector<QJsonObject> points = TimelineEvents(timelinePath, QStringLiteral("point"));
    const std::vector<QJsonObject> outputs = TimelineEvents(timelinePath, QStringLiteral("output"));
    ASSERT_EQ(points.size(), std::size(expected));
    double t0 = points[0].value(QLatin1String("t")).toDouble(), due = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        SCOPED_TRACE(i);
        const double at = points[i].value(QLatin1String("t")).toDouble();
        EXPECT_NEAR(at - t0, due, 1e-6) << "starts at the sum of the dwells before it";
        due += expected[i].dwell;
        EXPECT_NEAR(points[i].value(QLatin1String("dwell")).toDouble(), expected[i].dwell, 1e-9);
        QJsonObject out;
        for (const QJsonObject& o : outputs)
            if (std::abs(o.value(QLatin1String("t")).toDouble() - at) < 1e-9) out = o;
        ASSERT_FALSE(out.isEmpty());
        EXPECT_NEAR(out.value(QLatin1String("vac")).toDouble(), expected[i].volt, 0.005);
        const QJsonObject freq =
            out.value(QLatin1String("ramps")).toObject().value(QLatin1String("freq")).toObject();
        EXPECT_NEAR(freq.isEmpty() ? out.value(QLatin1String("freq")).toDouble()
                                   : freq.value(QLatin1String("to")).toDouble(),
                    expected[i].freq, 0.005);
        EXPECT_NEAR(freq.value(QLatin1String("rate")).toDouble(), expected[i].freqRate,
                    expected[i].freqRate * 1e-3);
    }
}

TEST_P(Cli, RunTransientOfEveryTypeReportsItsSegmentsAndPoints) {
    start({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--time-scale"),
           QStringLiteral("20")});
    ASSERT_EQ(run({QStringLiteral("send"), QStringLiteral("freq 400;:inst:coup none;:inst:nsel 1;:volt 115;"
                                                          ":inst:nsel 2;:volt 110;:inst:nsel 3;:volt 120")})
                  .exitCode,
              0);
    const CliRun r = run({QStringLiteral("run-transient"),
                          QStringLiteral(OSTREL_SOURCE_DATA_DIR "/../tests/transients/data/ac-three-phase-every-type.tls"),
                          QStringLiteral("--yes")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = json(r);
    EXPECT_EQ(o.value(QStringLiteral("outcome")).toString(), QStringLiteral("completed"));
    EXPECT_EQ(o.value(QStringLiteral("segments")).toInt(), 2);
    EXPECT_EQ(o.value(QStringLiteral("points")).toArray(), (QJsonArray{11, 2}));
    EXPECT_EQ(o.value(QStringLiteral("passes_completed")).toInt(), 2);
    EXPECT_EQ(o.value(QStringLiteral("points_sent")).toInt(), 26);
    EXPECT_EQ(o.value(QStringLiteral("phases")).toArray(), (QJsonArray{"A", "B", "C"}));
    EXPECT_TRUE(o.value(QStringLiteral("restored")).toBool());
}

// Killed while a run talks to it, the source gets one message and a failed
// run, never a hang or a report made of values that were not read.
TEST_P(Cli, AKilledSourceEndsTheRunWithOneMessage) {
    const struct {
        QStringList command;
        QStringList faults;
        QString sentBeforeKill;
        // Identification asks "*IDN?" too: the benchmark's loop shows as several in a row.
        int timesSent;
    } cases[] = {
        {{QStringLiteral("readback")},
         {QStringLiteral("--fault"), QStringLiteral("late 100 all")},
         QStringLiteral("freq:mode?"),
         1},
        {{QStringLiteral("benchmark"), QStringLiteral("--count"), QStringLiteral("10000000")},
         {},
         QStringLiteral("*IDN?"),
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.join(QLatin1Char(' ')).toStdString());
        start(c.faults);
        QProcess process;
        launch(process, c.command);
        ASSERT_TRUE(WaitUntil(
            [&] { return source.logTail(6).join(QLatin1Char('\n')).count(c.sentBeforeKill) >= c.timesSent; },
            20000));
        source.stop();
        const CliRun r = collect(process);
        EXPECT_EQ(r.exitCode, 5) << r.out.toStdString();
        EXPECT_EQ(json(r).value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
        EXPECT_FALSE(json(r).contains(QStringLiteral("OutputState")));
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("The connection to the AC source")))
            << r.err.toStdString();
        EXPECT_EQ(r.err.count(QStringLiteral("lost")), 1) << r.err.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, Cli,
                         ::testing::Values(int(BusLan), int(BusSerial), int(BusGpib)),
                         [](const auto& info) { return BusName(info.param); });

TEST(CliUsage, BadArgumentsAreUsageErrorsAndNothingIsOpened) {
    const struct {
        QStringList args;
        QString error;
    } cases[] = {
        {{"--port", "70000", "identify"}, "--port must be a whole number from 1 to 65535"},
        {{"--port", "0", "identify"}, "--port must be a whole number from 1 to 65535"},
        {{"--baud-index", "7", "identify"}, "--baud-index must be a whole number from 0 to 6"},
        {{"--handshake", "2", "identify"}, "--handshake must be a whole number from 0 to 1"},
        {{"--address", "31", "identify"}, "--address must be a whole number from 0 to 30"},
        {{"--cmd-delay", "-1", "identify"}, "--cmd-delay must be a whole number from 0 to 10000"},
        {{"--cmd-delay", "5ms", "identify"}, "--cmd-delay must be a whole number from 0 to 10000"},
        {{"--bus", "sim", "benchmark", "--count", "10000001"}, "benchmark: --count must be 1 to"},
        {{"--bus", "sim", "benchmark", "--count", "0"}, "benchmark: --count must be 1 to"},
        {{"--settings", "/no/such/folder/s.ini", "identify"}, "--settings: /no/such/folder/s.ini cannot be created"},
        {{"--bus", "sim", "frobnicate"}, "Unknown or incomplete command: frobnicate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH), c.args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2);
        const QJsonObject out =
            QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        EXPECT_EQ(out.value(QStringLiteral("status")).toString(), QStringLiteral("usage"));
        EXPECT_TRUE(out.value(QStringLiteral("error")).toString().startsWith(c.error))
            << out.value(QStringLiteral("error")).toString().toStdString();
    }
}

TEST(CliUsage, AnAbsentSourceIsNamedAndNothingWasSent) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString port = QString::number(closed.serverPort());
    closed.close();
    const struct {
        QStringList args;
        QString error;
    } cases[] = {
        {{QStringLiteral("--bus"), QStringLiteral("serial"), QStringLiteral("--serial-port"),
          QStringLiteral("/dev/no-such-tty")},
         QStringLiteral("Serial port /dev/no-such-tty does not exist on this PC.")},
        {{QStringLiteral("--bus"), QStringLiteral("lan"), QStringLiteral("--host"),
          QStringLiteral("127.0.0.1"), QStringLiteral("--port"), port},
         QStringLiteral("No source answered at LAN 127.0.0.1 port %1: ").arg(port)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH), c.args + QStringList{QStringLiteral("identify")});
        ASSERT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 3);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_TRUE(err.startsWith(c.error)) << err.toStdString();
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << "one message";
    }
}

} // namespace
