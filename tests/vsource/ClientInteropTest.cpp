// A client written elsewhere: pyvisa-py over the socket and over the pty.
#include "VsourceFixture.h"

#include <QProcess>

namespace ostrel::test {
namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

bool pythonHas(const QString& module) {
    QProcess process;
    process.start(kPython, {QStringLiteral("-c"), QStringLiteral("import ") + module});
    return process.waitForFinished(20000) && process.exitCode() == 0;
}

QStringList runPyvisa(const QString& resource) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(kPython, {QStringLiteral(OSTREL_PYVISA_SCRIPT), resource});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    return QString::fromUtf8(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class VsourceClientInteropTest : public VsourceTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(pythonHas(QStringLiteral("pyvisa_py")))
            << "pyvisa-py is missing: run scripts/bootstrap";
        startSource({QStringLiteral("--pty")});
    }
    void expectRoundTrip(const QString& resource) {
        EXPECT_EQ(runPyvisa(resource),
                  (QStringList{QStringLiteral("KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34"),
                               QStringLiteral("12.5;400.0"), QStringLiteral("0,\"No error\"")}));
    }
};

TEST_F(VsourceClientInteropTest, PyvisaOverTheSocket) {
    client.socket().disconnectFromHost(); // the port serves one client at a time
    expectRoundTrip(QStringLiteral("TCPIP::127.0.0.1::%1::SOCKET").arg(source.port()));
    ASSERT_TRUE(client.connectTo(source.host(), source.port()));
    EXPECT_EQ(query("volt?"), QStringLiteral("12.5"));
}

TEST_F(VsourceClientInteropTest, PyvisaOverThePseudoTerminal) {
    if (!pythonHas(QStringLiteral("serial")))
        GTEST_SKIP() << "python3-serial is not installed; pyvisa-py needs it for serial resources";
    expectRoundTrip(QStringLiteral("ASRL%1::INSTR").arg(source.ptyPath()));
    EXPECT_EQ(query("volt?"), QStringLiteral("12.5"));
}

} // namespace
} // namespace ostrel::test
