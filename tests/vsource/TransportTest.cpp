// The transports around the instrument: the pty, the one-client TCP port,
// the start-up lines, the command log, remote state and the phase-mode reset.
#include "VsourceFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QThread>

namespace ostrel::test {
namespace {

QByteArray serialQuery(QSerialPort& port, const QByteArray& line, int timeoutMs = 2000) {
    port.write(line + '\n');
    port.waitForBytesWritten(1000);
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    while (!reply.endsWith('\n') && timer.elapsed() < timeoutMs) {
        if (port.waitForReadyRead(int(timeoutMs - timer.elapsed()))) reply += port.readAll();
    }
    return reply;
}

TEST_F(VsourceTest, PseudoTerminalServesTheSameInstrument) {
    startSource({QStringLiteral("--pty")});
    ASSERT_FALSE(source.ptyPath().isEmpty());
    QSerialPort port(source.ptyPath());
    port.setBaudRate(QSerialPort::Baud115200);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    EXPECT_EQ(serialQuery(port, "*IDN?"),
              QByteArray("KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34\n"));
    EXPECT_EQ(serialQuery(port, "volt 33.3;:volt?"), QByteArray("33.3\n"));
    EXPECT_EQ(serialQuery(port, "bogus\r\nsyst:err?"), QByteArray("-113,\"Undefined header\"\n"));
    // One instrument behind both transports.
    EXPECT_EQ(query("volt?"), QStringLiteral("33.3"));
    port.close();
    ASSERT_TRUE(port.open(QIODevice::ReadWrite));
    EXPECT_EQ(serialQuery(port, "freq?"), QByteArray("60.0\n"));
}

TEST_F(VsourceTest, SecondTcpClientWaitsForTheFirst) {
    startSource();
    ScpiClient second;
    ASSERT_TRUE(second.connectTo(source.host(), source.port()));
    second.send("volt 5;:volt?");
    EXPECT_TRUE(second.readLine(300).isEmpty());
    EXPECT_EQ(query("volt?"), QStringLiteral("0.0"));
    client.socket().disconnectFromHost();
    EXPECT_EQ(second.readLine(2000), QByteArray("5.0\n"));
}

TEST_F(VsourceTest, LogKeepsEveryLineAndReply) {
    const QString path = dir.filePath(QStringLiteral("commands.log"));
    startSource({QStringLiteral("--log"), path});
    query("volt 12;:volt?");
    send("syst:rem");
    EXPECT_EQ(query("*opc?"), QStringLiteral("+1"));
    QStringList tail = source.logTail(5);
    ASSERT_EQ(tail.size(), 5);
    EXPECT_TRUE(tail[0].endsWith(QLatin1String(" TCP < volt 12;:volt?")));
    EXPECT_TRUE(tail[1].endsWith(QLatin1String(" TCP > 12.0")));
    EXPECT_TRUE(tail[2].endsWith(QLatin1String(" TCP < syst:rem")));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains(" TCP < volt 12;:volt?\n"));
    EXPECT_TRUE(text.contains(" TCP > +1\n"));

    QStringList lines;
    ASSERT_TRUE(source.control(QStringLiteral("remote?"), &lines));
    EXPECT_EQ(lines, QStringList{QStringLiteral("REMOTE")});
    send("syst:loc");
    query("*opc?");
    ASSERT_TRUE(source.control(QStringLiteral("remote?"), &lines));
    EXPECT_EQ(lines, QStringList{QStringLiteral("LOCAL")});
}

TEST_F(VsourceTest, PhaseModeChangeResetsTheUnitAndStaysSilentMeanwhile) {
    startSource({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--reset-time"),
                 QStringLiteral("0.6")});
    EXPECT_EQ(query("syst:conf:nout?"), QStringLiteral("+3"));
    send("volt 50;:syst:conf:nout 1;:volt 60");
    EXPECT_FALSE(client.query("*idn?", 300).has_value());
    QThread::msleep(400);
    EXPECT_EQ(query("syst:conf:nout?;:volt?"), QStringLiteral("+1;0.0"));
    send("inst:nsel 2");
    EXPECT_EQ(nextError(), QStringLiteral("-222,\"Data out of range\""));
}

TEST(VsourceProgram, StartupLinesNameEveryTransport) {
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("bus.gpib"));
    QProcess process;
    process.start(VirtualSourceProcess::programPath(),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--pty"),
                   QStringLiteral("--gpib"), socketPath, QStringLiteral("--exit-with-stdin")});
    ASSERT_TRUE(process.waitForStarted());
    QStringList lines;
    while (!lines.contains(QStringLiteral("READY")) && process.waitForReadyRead(5000))
        while (process.canReadLine())
            lines << QString::fromUtf8(process.readLine()).chopped(1);
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^TCP 127\\.0\\.0\\.1:\\d+$"))
                    .match(lines[0])
                    .hasMatch());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^PTY /dev/\\S+$")).match(lines[1]).hasMatch());
    EXPECT_EQ(lines[2], QStringLiteral("GPIB ") + socketPath);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^CONTROL 127\\.0\\.0\\.1:\\d+$"))
                    .match(lines[3])
                    .hasMatch());
    EXPECT_EQ(lines[4], QStringLiteral("READY"));
    // Closing its standard input ends it, as when the parent dies.
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(3000));
    EXPECT_FALSE(QFile::exists(socketPath));
}

TEST(VsourceProgram, RefusesBadOptions) {
    for (const QStringList& args :
         {QStringList{QStringLiteral("--model"), QStringLiteral("13")},
          QStringList{QStringLiteral("--nosuch")},
          QStringList{QStringLiteral("--time-scale"), QStringLiteral("0")},
          QStringList{QStringLiteral("--load"), QStringLiteral("r=-1")}}) {
        QProcess process;
        process.start(VirtualSourceProcess::programPath(), args);
        ASSERT_TRUE(process.waitForFinished(5000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(QLatin1Char(' ')).toStdString();
    }
}

} // namespace
} // namespace ostrel::test
