#include "WindowFixture.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/ArrayReply.h"
#include "measure/LinkIo.h"

#include <QTest>
#include <QTimer>

#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// Long array replies through the program's link on each transport, with a
// waveform register of the source as the long reply.
class LinkArrays : public ::testing::WithParamInterface<int>, public WindowFixture {
protected:
    const QString query = QStringLiteral("trac:data? wave1");

    void loadRegister() {
        QStringList values;
        for (int i = 0; i < 1024; ++i)
            values << QString::number(std::sin(i * 6.283185 / 1024), 'f', 6);
        program().link.Send(0, "trac:def wave1");
        program().link.Send(0, "trac:data wave1," + values.join(','));
    }

    void start(const QStringList& faults = {}) {
        const int bus = GetParam();
        QStringList args;
        for (const QString& f : faults)
            args << "--fault" << f;
        if (bus == BusSerial) args << "--pty";
        if (bus == BusGpib) args << "--gpib";
        if (bus == BusLan) {
            connectSource(args);
            loadRegister();
            return;
        }
        ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
        LinkSettings& link = program().settings.link;
        link.bus = bus;
        link.sourceAddress = 5;
        program().link.state.serialPortName = source.ptyPath();
        qputenv("OSTREL_GPIB_LIBRARY", VirtualSourceProcess::gpibShimPath().toLocal8Bit());
        qputenv("OSTREL_VSOURCE_GPIB", source.gpibSocket().toLocal8Bit());
        loadRegister();
    }
};

TEST_P(LinkArrays, ALongReplyArrivesWholeAndOneLongerThanAskedIsRefused) {
    start({"split 20 4 all"});
    ASSERT_TRUE(program().link.CheckError().isEmpty());
    LinkIo io(program());
    QString error;
    const QByteArray reply = io.queryArray(query, 4.0, 1024, error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    const ArrayReply whole = ParseArrayReply(reply, BlockNumberForm::Single, 1024, query);
    ASSERT_TRUE(whole.ok()) << whole.error.toStdString();
    EXPECT_EQ(whole.values.size(), 1024);

    const ArrayReply shorter = ParseArrayReply(io.queryArray(query, 4.0, 1000, error),
                                               BlockNumberForm::Single, 1000, query);
    EXPECT_EQ(shorter.error,
              "The reply to \"trac:data? wave1\" holds 1024 values, more than the 1000 expected.");
    EXPECT_EQ(Val(io.query("*opc?", 1.0)), 1); // the conversation goes on in step
}

TEST_P(LinkArrays, ACommandSentDuringTheTransferGoesOutAfterIt) {
    start({"late 300 1"});
    InstrumentLink& link = program().link;
    int remotes = 0;
    link.onRemote = [&] { ++remotes; };
    link.state.traceCommands = true;
    program().busTrace.clear();
    // On LAN and RS-232 the wait processes events, so the timer fires during
    // the transfer; over GPIB the transfer blocks and it fires afterwards.
    QTimer::singleShot(50, [&] { link.Send(0, "volt 12"); });
    LinkIo io(program());
    QString error;
    const QByteArray reply = io.queryArray(query, 4.0, 1024, error);
    const int remotesDuringTransfer = remotes;
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(ParseArrayReply(reply, BlockNumberForm::Single, 1024, query).values.size(), 1024);
    QTest::qWait(100);
    // Traced as it goes out: after the transfer, and without waiting for another query.
    EXPECT_EQ(program().busTrace.entries(), (QStringList{query, "volt 12"}));
    EXPECT_EQ(remotesDuringTransfer, GetParam() == BusGpib ? 1 : 0)
        << "the front-panel lock follows a GPIB transfer";
}

TEST_P(LinkArrays, AReplyThatNeverComesOrStopsHalfWayIsReported) {
    start();
    program().link.state.lanTimeoutMs = 300;
    LinkIo io(program());
    // The second half of the split reply comes after every transport's time-out.
    for (const char* fault : {"noreply-match TRAC", "split 4000 2 1"}) {
        ASSERT_TRUE(source.control(QStringLiteral("fault clear"), nullptr, nullptr));
        ASSERT_TRUE(source.control(QStringLiteral("fault ") + fault, nullptr, nullptr));
        QString error;
        EXPECT_TRUE(io.queryArray(query, 1.0, 1024, error).isEmpty()) << fault;
        EXPECT_TRUE(error.contains("trac:data? wave1")) << fault << ": " << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, LinkArrays, ::testing::Values(BusLan, BusSerial, BusGpib),
                         [](const auto& info) {
                             return info.param == BusLan      ? std::string("Lan")
                                    : info.param == BusSerial ? std::string("Serial")
                                                              : std::string("Gpib");
                         });

} // namespace
