// Fault switches, from the control port and from the command line.
#include "VsourceFixture.h"

#include <QElapsedTimer>
#include <QProcess>

namespace ostrel::test {
namespace {

// Refused alike from the command line and from the control port.
const char* const kBadFaults[] = {"late",    "late x",  "late -1",     "split 10 1",
                                  "drop",    "drop 0",  "crlf maybe",  "error 0",
                                  "error 5", "error x", "noreply two", "nosuch"};

void switchFault(VirtualSourceProcess& source, const QString& setting) {
    QString error;
    ASSERT_TRUE(source.control(QStringLiteral("fault ") + setting, nullptr, &error))
        << error.toStdString();
}

class VsourceFaultTest : public BothTransports {
protected:
    void SetUp() override { startSource(); }
    void fault(const QString& setting) { switchFault(source, setting); }
};

TEST_P(VsourceFaultTest, NoReplyToTheNextQueries) {
    fault(QStringLiteral("noreply 2"));
    EXPECT_FALSE(client.query("*idn?", 300).has_value());
    EXPECT_FALSE(client.query("volt?", 300).has_value());
    EXPECT_EQ(query("volt?"), QStringLiteral("0.0"));
}

TEST_P(VsourceFaultTest, NoReplyToQueriesMatchingAPattern) {
    fault(QStringLiteral("noreply-match SYST:ERR"));
    EXPECT_FALSE(client.query("syst:err?", 300).has_value());
    EXPECT_EQ(query("freq?"), QStringLiteral("60.0"));
    EXPECT_FALSE(client.query("*cls;:Syst:Err?", 300).has_value());
    fault(QStringLiteral("clear"));
    EXPECT_EQ(query("syst:err?"), QStringLiteral("0,\"No error\""));
}

TEST_P(VsourceFaultTest, LateReplyComesAfterTheDelay) {
    fault(QStringLiteral("late 400"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(client.query("*idn?", 200).has_value());
    QByteArray late = client.readLine(2000);
    EXPECT_GE(timer.elapsed(), 390);
    EXPECT_TRUE(late.startsWith("KORVATH INSTRUMENTS,")) << late.toStdString();
    timer.restart();
    EXPECT_EQ(query("freq?"), QStringLiteral("60.0"));
    EXPECT_LT(timer.elapsed(), 300);
}

TEST_P(VsourceFaultTest, SplitReplyArrivesInPiecesApart) {
    fault(QStringLiteral("split 40 3"));
    client.send("*idn?");
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    std::vector<qint64> arrivals;
    while (!reply.endsWith('\n') && timer.elapsed() < 2000) {
        if (client.device().waitForReadyRead(500)) {
            reply += client.device().readAll();
            arrivals.push_back(timer.elapsed());
        }
    }
    EXPECT_EQ(reply, QByteArray("KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34\n"));
    ASSERT_GE(arrivals.size(), 3u);
    EXPECT_GE(arrivals.back() - arrivals.front(), 70);
}

TEST_P(VsourceFaultTest, GarbageReplacesTheReply) {
    fault(QStringLiteral("garbage"));
    client.send("*idn?");
    QByteArray reply = client.readLine(2000);
    ASSERT_TRUE(reply.endsWith('\n'));
    EXPECT_FALSE(reply.contains("KORVATH"));
    EXPECT_GE(reply.size(), 40);
    EXPECT_EQ(query("freq?"), QStringLiteral("60.0"));
}

TEST_P(VsourceFaultTest, CrLfTerminators) {
    fault(QStringLiteral("crlf on"));
    client.send("freq?");
    EXPECT_EQ(client.readLine(2000), QByteArray("60.0\r\n"));
    fault(QStringLiteral("crlf off"));
    client.send("freq?");
    EXPECT_EQ(client.readLine(2000), QByteArray("60.0\n"));
}

TEST_F(VsourceTest, ConnectionDropsAfterNLines) {
    startSource();
    switchFault(source, QStringLiteral("drop 3"));
    // A refused setting leaves the count running.
    EXPECT_FALSE(source.control(QStringLiteral("fault drop 0")));
    send("volt 1");
    EXPECT_EQ(query("volt?"), QStringLiteral("1.0"));
    client.send("volt 2");
    EXPECT_TRUE(client.socket().state() == QAbstractSocket::UnconnectedState ||
                client.socket().waitForDisconnected(2000));
    // The next client is served, and the line that dropped the connection never ran.
    ScpiClient next;
    ASSERT_TRUE(next.connectTo(source.host(), source.port()));
    EXPECT_EQ(next.query("volt?").value_or(QString()), QStringLiteral("1.0"));
}

TEST_P(VsourceFaultTest, InjectedErrorGoesIntoTheQueue) {
    fault(QStringLiteral("error -310 \"System error;injected\""));
    fault(QStringLiteral("error -222"));
    EXPECT_EQ(nextError(), QStringLiteral("-310,\"System error;injected\""));
    EXPECT_EQ(nextError(), QStringLiteral("-222,\"Data out of range\""));
    EXPECT_EQ(nextError(), QStringLiteral("0,\"No error\""));
}

TEST_F(VsourceTest, BadFaultTextIsRefused) {
    startSource();
    for (const char* setting : kBadFaults) {
        QString error;
        EXPECT_FALSE(
            source.control(QStringLiteral("fault ") + QLatin1String(setting), nullptr, &error))
            << setting;
        EXPECT_TRUE(error.startsWith(QLatin1String("bad fault"))) << setting;
    }
}

OSTREL_BOTH_TRANSPORTS(VsourceFaultTest);

TEST(VsourceFaultCommandLine, FaultsCanBeOnFromTheStart) {
    VirtualSourceProcess source;
    ASSERT_TRUE(source.start({QStringLiteral("--fault"), QStringLiteral("noreply 1"),
                              QStringLiteral("--fault"), QStringLiteral("error -350")}));
    ScpiClient client;
    ASSERT_TRUE(client.connectTo(source.host(), source.port()));
    EXPECT_FALSE(client.query("syst:err?", 300).has_value());
    EXPECT_EQ(client.query("syst:err?").value_or(QString()), QStringLiteral("0,\"No error\""));

    VirtualSourceProcess bad;
    EXPECT_FALSE(bad.start({QStringLiteral("--fault"), QStringLiteral("nosuch")}));
}

TEST(VsourceFaultCommandLine, BadFaultIsAUsageError) {
    for (const char* setting : kBadFaults) {
        QProcess process;
        // Should the fault be taken, the program ends as soon as it sees its input closed.
        process.start(VirtualSourceProcess::programPath(),
                      {QStringLiteral("--port"), QStringLiteral("0"),
                       QStringLiteral("--exit-with-stdin"), QStringLiteral("--fault"),
                       QLatin1String(setting)});
        ASSERT_TRUE(process.waitForStarted());
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(5000)) << setting;
        EXPECT_EQ(process.exitCode(), 2) << setting;
        EXPECT_TRUE(
            process.readAllStandardError().contains(QByteArray("bad fault '") + setting + "'"))
            << setting;
    }
}

} // namespace
} // namespace ostrel::test
