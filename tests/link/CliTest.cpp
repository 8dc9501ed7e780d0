// ostrel-cli against the virtual source over each transport.
#include "LinkConversation.h"

#include "link/Waits.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

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
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OSTREL_GPIB_LIBRARY"), VirtualSourceProcess::gpibShimPath());
        env.insert(QStringLiteral("OSTREL_VSOURCE_GPIB"), source.gpibSocket());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(OSTREL_CLI_PATH), args + command);
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
    const QJsonObject model = json(r);
    EXPECT_EQ(model.value(QStringLiteral("ModelIndex")).toInt(), 4);
    EXPECT_EQ(model.value(QStringLiteral("SerialNumber")).toString(), QStringLiteral("KV00001"));
    EXPECT_DOUBLE_EQ(model.value(QStringLiteral("FirmwareRevision")).toDouble(), 2.34);
    EXPECT_EQ(model.value(QStringLiteral("Options")).toArray().size(), 21);
    EXPECT_EQ(model.value(QStringLiteral("PhaseSpacing")).toInt(), 120);
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
    EXPECT_EQ(r.out, QStringLiteral("150.0\n"));
    run({QStringLiteral("send"), QStringLiteral("bogus")});
    r = run({QStringLiteral("errors")});
    EXPECT_EQ(r.out, QStringLiteral("-113,\"Undefined header\"\n"));
    ASSERT_TRUE(control(QStringLiteral("fault noreply 1")));
    r = run({QStringLiteral("query"), QStringLiteral("freq?")});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err, QStringLiteral("No reply to freq?\n"));
}

TEST_P(Cli, DownloadRefusesABadNameBeforeSendingAndSendsAGoodOne) {
    start();
    const QString file = tempPath(QStringLiteral("wave.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("0.25\n1\n-0.123456\n");
    f.close();
    const qsizetype mark = received().size();
    CliRun r = run({QStringLiteral("download"), QStringLiteral("1ABC"), file});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("First character of waveform name must be alpha")));
    EXPECT_TRUE(receivedSince(mark).filter(QStringLiteral("trac")).isEmpty());
    r = run({QStringLiteral("download"), QStringLiteral("ABC"), file});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString data = QStringLiteral("trac:data ABC,0.25,1.0,-0.1235");
    EXPECT_TRUE(WaitUntil([&] { return receivedSince(mark).contains(data); }, 3000));
    r = run({QStringLiteral("catalog")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n3 ABC\n"))) << r.out.toStdString();
}

TEST_P(Cli, BenchmarkPrintsItsFigures) {
    start();
    const CliRun r =
        run({QStringLiteral("benchmark"), QStringLiteral("--count"), QStringLiteral("50")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("50 queries of \"*IDN?\"\n")))
        << r.out.toStdString();
    for (const char* figure :
         {"queries per second: ", "median round trip: ", "99th percentile round trip: "})
        EXPECT_TRUE(r.out.contains(QLatin1String(figure))) << figure;
}

INSTANTIATE_TEST_SUITE_P(Transports, Cli,
                         ::testing::Values(int(BusLan), int(BusSerial), int(BusGpib)),
                         [](const auto& info) { return BusName(info.param); });

} // namespace
