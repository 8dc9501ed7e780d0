// The link against the virtual source over LAN, the pty as RS-232, and the
// GPIB shim: identification, configuration, readback, the error queue,
// waveform registers, time-outs, held commands and the release at exit.
#include "LinkConversation.h"

#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"

#include <QTcpServer>
#include <QTimer>

#include <cmath>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QStringList phaseSelections(const QStringList& lines) {
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("inst:nsel ")) && !line.contains(QLatin1Char(';')))
            out << line;
    return out;
}

class Conversation : public LinkConversation {};

TEST_P(Conversation, IdentifiesModelsAndReadsTheirConfiguration) {
    const struct {
        int model;
        QStringList args;
        QString serial;
        float firmware;
        int phaseSpacing;
        int listCapacity;
        double minimumDwell;
    } cases[] = {
        {0, {}, QStringLiteral("KV00001"), 2.34f, 0, 100, 0.001},
        {4,
         {QStringLiteral("--options"), QStringLiteral("1,0,1")},
         QStringLiteral("KV00001"),
         2.34f,
         120,
         100,
         0.001},
        {10,
         {QStringLiteral("--serial"), QStringLiteral("S-77"), QStringLiteral("--firmware"),
          QStringLiteral(" X123")},
         QStringLiteral("S-77"),
         1.23f,
         0,
         32,
         0.01},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        start(QStringList{QStringLiteral("--model"), QString::number(c.model)} + c.args);
        program().settings.userLimits.vacLow = -5;
        ASSERT_EQ(identify(), c.model);
        const SourceModel& m = program().sourceModel;
        EXPECT_EQ(m.ModelIndex, c.model);
        EXPECT_EQ(m.SerialNumber, c.serial);
        EXPECT_FLOAT_EQ(m.FirmwareRevision, c.firmware);
        EXPECT_EQ(m.PhaseSpacing, c.phaseSpacing);
        EXPECT_EQ(m.MultiPhase, c.phaseSpacing ? 1 : 0);
        EXPECT_EQ(m.ListCapacity, c.listCapacity);
        EXPECT_DOUBLE_EQ(m.MinimumDwell, c.minimumDwell);
        EXPECT_GT(m.FreqMax, m.FreqMin);
        EXPECT_FLOAT_EQ(program().settings.userLimits.vacLow, m.VoltLowRange);
        EXPECT_EQ(prompt().status(1), QStringLiteral("Query of AC source limits done..."));
        EXPECT_FALSE(prompt().busy());
        EXPECT_FALSE(program().configurationInProgress);
        if (c.model == 4) {
            EXPECT_EQ(m.Options[0], 1);
            EXPECT_EQ(m.Options[1], 0);
            EXPECT_EQ(m.Options[2], 1);
            EXPECT_EQ(m.Options[OptMs704], 1) << "positions past the reply keep their defaults";
            EXPECT_EQ(m.Options[OptIec411], 0);
        }
        source.stop();
        program().link.CloseLan();
        program().link.CloseSerialPort();
    }
}

TEST_P(Conversation, IdentificationMessageNamesTheModel) {
    start({QStringLiteral("--model"), QStringLiteral("1")});
    QString message;
    EXPECT_EQ(OpenAndIdentify(program(), message), 1);
    EXPECT_EQ(message, QStringLiteral("Found : VK1501 on selected port."));
}

TEST_P(Conversation, SinglePhaseReadbackWithAUserWaveform) {
    start({QStringLiteral("--model"), QStringLiteral("0")});
    ASSERT_EQ(identify(), 0);
    InstrumentLink& link = program().link;
    const std::vector<float> samples(1024, 0.5f);
    ASSERT_TRUE(DownloadWaveform(program(), QStringLiteral("PLATEAU"), 1023, samples));
    for (const char* command :
         {"freq 400", "volt 115.5", "curr 2.5", "phas 30", "func plateau", "outp 1"})
        link.Send(0, QLatin1String(command));
    ASSERT_EQ(link.CheckError(), QString());
    const qsizetype mark = received().size();
    ReadBackState(program(), 0);
    EXPECT_EQ(phaseSelections(receivedSince(mark)), QStringList{QStringLiteral("inst:nsel 1")});
    const OutputState& out = program().outputState;
    EXPECT_FLOAT_EQ(out.Frequency, 400);
    EXPECT_EQ(out.OutputMode, ModeAC);
    EXPECT_EQ(out.MultiPhaseOutput, 0);
    EXPECT_EQ(out.OutputOn, 1);
    EXPECT_FLOAT_EQ(out.Phase[0].Voltage, 115.5f);
    EXPECT_FLOAT_EQ(out.Phase[0].CurrentLimit, 2.5f);
    EXPECT_FLOAT_EQ(out.Phase[0].PhaseAngle, 30);
    EXPECT_EQ(program().sourceModel.WaveformNames[3], QStringLiteral("PLATEAU"));
    EXPECT_EQ(out.Phase[0].WaveformIndex, 3);
    EXPECT_FLOAT_EQ(program().maxVoltage[0], program().sourceModel.VoltLowRange);
    EXPECT_FALSE(program().readbackInProgress);
    EXPECT_EQ(prompt().status(1), QStringLiteral("Ready..."));
}

TEST_P(Conversation, ThreePhaseReadbackInAcDcModeAsksEachPhaseForItsOffset) {
    start({QStringLiteral("--model"), QStringLiteral("3")});
    ASSERT_EQ(identify(), 3);
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("source:mode acdc"));
    link.Send(0, QStringLiteral("inst:coup none;:inst:nsel 2;:volt 100;:volt:offs 5"));
    link.Send(0, QStringLiteral("inst:nsel 3;:func csin;:func:csin 12 thd"));
    ASSERT_EQ(link.CheckError(), QString());
    const qsizetype mark = received().size();
    ReadBackState(program(), 3);
    const QStringList lines = receivedSince(mark);
    EXPECT_EQ(phaseSelections(lines),
              (QStringList{QStringLiteral("inst:nsel 1"), QStringLiteral("inst:nsel 2"),
                           QStringLiteral("inst:nsel 3")}));
    EXPECT_EQ(lines.count(QStringLiteral("volt:offs?")), 3);
    const OutputState& out = program().outputState;
    EXPECT_EQ(out.OutputMode, ModeACDC);
    EXPECT_EQ(out.MultiPhaseOutput, 1);
    EXPECT_FLOAT_EQ(out.Phase[1].Voltage, 100);
    EXPECT_FLOAT_EQ(out.Phase[1].DcOffset, 5);
    EXPECT_FLOAT_EQ(out.Phase[1].PhaseAngle, 240);
    EXPECT_EQ(out.Phase[2].WaveformIndex, 2);
    EXPECT_EQ(out.Phase[2].ClipLevel, 12);
    EXPECT_GT(program().maxVoltage[2], 0);
}

TEST_P(Conversation, SplitPhaseReadbackSelectsPhasesAAndC) {
    start({QStringLiteral("--model"), QStringLiteral("3")});
    ASSERT_EQ(identify(), 3);
    // The virtual source reports 120 degrees for every three-phase model.
    program().sourceModel.PhaseSpacing = 180;
    const qsizetype mark = received().size();
    ReadBackState(program(), 3);
    const QStringList lines = receivedSince(mark);
    EXPECT_EQ(phaseSelections(lines),
              (QStringList{QStringLiteral("inst:nsel 1"), QStringLiteral("inst:nsel 3")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("inst:nsel 3;:func:csin? thd")));
    EXPECT_FALSE(lines.contains(QStringLiteral("inst:nsel 2;:func:csin? thd")));
}

TEST_P(Conversation, CheckErrorDrainsTwoErrorsWithThreeQueries) {
    start();
    ASSERT_GE(identify(), 0);
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("bogus:header"));
    link.Send(0, QStringLiteral("volt 9999"));
    const qsizetype mark = received().size();
    EXPECT_EQ(link.CheckError(),
              QStringLiteral("\r\n-113,\"Undefined header\"\r\n-222,\"Data out of range\""));
    EXPECT_EQ(receivedSince(mark).count(QStringLiteral("syst:err?")), 3);
    EXPECT_EQ(link.SendAndReport(0, QStringLiteral("volt 9999")),
              QStringLiteral("\r\n-222,\"Data out of range\""));
    EXPECT_EQ(link.SendAndReport(0, QStringLiteral("volt 10")), QString());
}

TEST_P(Conversation, DownloadsAThousandSampleWaveform) {
    start();
    ASSERT_GE(identify(), 0);
    std::vector<float> samples(1024);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(std::sin(2 * M_PI * i / 1024.0) * 0.98765);
    const qsizetype mark = received().size();
    ASSERT_TRUE(DownloadWaveform(program(), QStringLiteral("SINE2"), 1023, samples));
    EXPECT_EQ(program().link.CheckError(), QString());
    const QStringList lines = receivedSince(mark);
    ASSERT_EQ(lines.size(), 5) << lines.join(QLatin1Char('|')).left(300).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("trac:def SINE2"));
    EXPECT_EQ(lines[1], QStringLiteral("syst:err?"));
    EXPECT_EQ(lines[2], WaveformDataCommand(QStringLiteral("SINE2"), 1023, samples));
    EXPECT_EQ(lines[3], QStringLiteral("syst:err?")) << "the data line's own errors are read";
    ReadWaveformCatalog(program(), 0);
    EXPECT_EQ(program().sourceModel.WaveformNames[3], QStringLiteral("SINE2"));
    EXPECT_TRUE(prompt().messages().isEmpty());
}

TEST_P(Conversation, FullMemorySendsNoDataCommand) {
    start({QStringLiteral("--wave-slots"), QStringLiteral("0")});
    ASSERT_GE(identify(), 0);
    const std::vector<float> samples(1024, 0.1f);
    const qsizetype mark = received().size();
    EXPECT_FALSE(DownloadWaveform(program(), QStringLiteral("FULL"), 1023, samples));
    const QStringList lines = receivedSince(mark);
    EXPECT_TRUE(lines.filter(QStringLiteral("trac:data")).isEmpty());
    const QStringList messages = prompt().messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral(
        "AC Source waveform memory is full. Please\r\nfree up custom waveform registers.\r\n\r\n"
        "-254,")))
        << messages[0].toStdString();
    EXPECT_EQ(prompt().calls().back().icon, PromptIcon::Information);
}

TEST_P(Conversation, TimedOutQueryAnswersEmptyAndTheNextGetsItsOwnReply) {
    start();
    ASSERT_GE(identify(), 0);
    // A GPIB device drops an unread reply when the next message comes; the shim
    // keeps it, so there the fault is a reply that never comes.
    ASSERT_TRUE(control(GetParam() == BusGpib ? QStringLiteral("fault noreply 1")
                                              : QStringLiteral("fault late 1400 1")));
    InstrumentLink& link = program().link;
    EXPECT_EQ(link.Query(0, QStringLiteral("*idn?"), 1), QString());
    Delay(0.7);
    EXPECT_EQ(link.Query(0, QStringLiteral("freq?"), 1), QStringLiteral("60.0"));
    EXPECT_FALSE(link.state.busy[BusyQuery]);
    EXPECT_FALSE(link.state.queryInProgress);
}

TEST_P(Conversation, RepliesInPiecesOrWithCarriageReturnsComeBackWhole) {
    start();
    ASSERT_GE(identify(), 0);
    InstrumentLink& link = program().link;
    ASSERT_TRUE(control(QStringLiteral("fault split 30 3 1")));
    const QString identity = link.Query(0, QStringLiteral("*idn?"), 1);
    EXPECT_TRUE(identity.startsWith(QStringLiteral("KORVATH INSTRUMENTS,")))
        << identity.toStdString();
    EXPECT_EQ(identity.count(QLatin1Char(',')), 3);
    ASSERT_TRUE(control(QStringLiteral("fault crlf on")));
    EXPECT_EQ(link.Query(0, QStringLiteral("freq?"), 1), QStringLiteral("60.0"));
}

TEST_P(Conversation, TraceShowsCommandsAsPassedAndReplies) {
    start();
    ASSERT_GE(identify(), 0);
    InstrumentLink& link = program().link;
    link.state.traceCommands = link.state.traceResponses = true;
    program().busTrace.clear();
    link.Send(0, QStringLiteral("FREQ 50.0"));
    link.Query(0, QStringLiteral("freq?"), 1);
    EXPECT_EQ(program().busTrace.entries(),
              (QStringList{QStringLiteral("FREQ 50.0"), QStringLiteral("freq?"),
                           QStringLiteral("<-- 50.0")}));
}

TEST_P(Conversation, ReleaseReturnsTheSourceToLocal) {
    start();
    ASSERT_GE(identify(), 0);
    const qsizetype mark = received().size();
    program().link.Release();
    // The transport is closed now; the source logs what it read in its own time.
    const int expected = GetParam() == BusSerial ? 2 : GetParam() == BusLan ? 1 : 0;
    WaitUntil([&] { return receivedSince(mark).size() >= expected; }, 3000);
    const QStringList lines = receivedSince(mark);
    QStringList remote;
    switch (GetParam()) {
    case BusLan:
        EXPECT_EQ(lines, QStringList{QStringLiteral("syst:loc")});
        EXPECT_FALSE(program().link.state.lanConnected);
        break;
    case BusSerial:
        EXPECT_EQ(lines, (QStringList{QStringLiteral("syst:loc"), QStringLiteral("syst:loc")}));
        EXPECT_FALSE(program().link.SerialPortOpen());
        break;
    case BusGpib:
        ASSERT_TRUE(source.control(QStringLiteral("remote?"), &remote));
        EXPECT_EQ(remote, QStringList{QStringLiteral("LOCAL")});
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, Conversation,
                         ::testing::Values(int(BusLan), int(BusSerial), int(BusGpib)),
                         [](const auto& info) { return BusName(info.param); });

// Waits that process events: a window may call in while a query waits.
class EventWaits : public LinkConversation {};

TEST_P(EventWaits, SendDuringAQueryGoesOutAfterItsReply) {
    start();
    ASSERT_GE(identify(), 0);
    InstrumentLink& link = program().link;
    link.state.traceCommands = link.state.traceResponses = true;
    program().busTrace.clear();
    ASSERT_TRUE(control(QStringLiteral("fault late 300 1")));
    QString refused;
    QTimer::singleShot(50, [&] {
        link.Send(0, QStringLiteral("volt 12"));
        link.Send(0, QStringLiteral("volt 13"));
        refused = link.SendAndReport(0, QStringLiteral("volt 14"));
        EXPECT_EQ(link.Query(0, QStringLiteral("volt?"), 1), QString()) << "nested query";
    });
    const qsizetype mark = received().size();
    EXPECT_EQ(link.Query(0, QStringLiteral("freq?"), 1), QStringLiteral("60.0"));
    EXPECT_EQ(refused, QStringLiteral("Query in progress, command aborted"));
    EXPECT_EQ(program().busTrace.entries(),
              (QStringList{QStringLiteral("freq?"), QStringLiteral("<-- 60.0"),
                           QStringLiteral("volt 12"), QStringLiteral("volt 13")}));
    EXPECT_EQ(link.Query(0, QStringLiteral("volt?"), 1), QStringLiteral("13.0"));
    EXPECT_EQ(receivedSince(mark),
              (QStringList{QStringLiteral("freq?"), QStringLiteral("volt 12"),
                           QStringLiteral("volt 13"), QStringLiteral("volt?")}));
}

INSTANTIATE_TEST_SUITE_P(Transports, EventWaits, ::testing::Values(int(BusLan), int(BusSerial)),
                         [](const auto& info) { return BusName(info.param); });

class LanOnly : public LinkConversation {};

TEST_P(LanOnly, DroppedConnectionLosesTheLinkAndSaysSoOnce) {
    start();
    ASSERT_GE(identify(), 0);
    ASSERT_TRUE(control(QStringLiteral("fault drop 1")));
    InstrumentLink& link = program().link;
    const QueryResult r = link.TryQuery(0, QStringLiteral("freq?"), 1);
    EXPECT_EQ(r.status, ReplyStatus::LinkLost);
    EXPECT_FALSE(link.state.lanConnected);
    link.Send(0, QStringLiteral("volt 1"));
    EXPECT_EQ(link.Query(0, QStringLiteral("volt?"), 1), QString());
    EXPECT_EQ(prompt().messages(),
              QStringList{QStringLiteral("The connection to the AC source (LAN 127.0.0.1 port %1) "
                                         "is lost: the source closed the connection.\r\nNothing "
                                         "more is sent to it. Check the source and its "
                                         "connection, then choose Source, Reconnect.")
                              .arg(source.port())});
    EXPECT_EQ(prompt().status(5), QStringLiteral("Disconnected"));
}

TEST_P(LanOnly, LongReplyInPiecesIsReadWhole) {
    start();
    ASSERT_GE(identify(), 0);
    InstrumentLink& link = program().link;
    ASSERT_TRUE(control(QStringLiteral("fault split 30 4 1")));
    link.SocketSend(QStringLiteral("*idn?"));
    const QByteArray identity = link.SocketReceiveBlock();
    EXPECT_EQ(identity.count(','), 3) << identity.toStdString();
    ASSERT_TRUE(control(QStringLiteral("fault noreply 1")));
    link.state.lanTimeoutMs = 200;
    link.SocketSend(QStringLiteral("*idn?"));
    try {
        link.SocketReceiveBlock();
        ADD_FAILURE() << "no time-out";
    } catch (const LinkError& e) {
        EXPECT_EQ(e.number(), 999);
        EXPECT_STREQ(e.what(), "Timeout occured. Timeout = 200 msec");
    }
}

TEST_P(LanOnly, DeletesOneRegisterAndThenAll) {
    start();
    ASSERT_GE(identify(), 0);
    const std::vector<float> samples(1024, 0.25f);
    for (const char* name : {"ONE", "TWO", "USED"})
        ASSERT_TRUE(DownloadWaveform(program(), QLatin1String(name), 1023, samples));
    program().link.Send(0, QStringLiteral("func used"));
    ReadWaveformCatalog(program(), 0);
    const auto& names = program().sourceModel.WaveformNames;
    ASSERT_EQ(names[4], QStringLiteral("TWO"));

    EXPECT_FALSE(DeleteWaveform(program(), QStringLiteral(">EMPTY<")));
    EXPECT_TRUE(prompt().questions().isEmpty());
    prompt().answer(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteWaveform(program(), QStringLiteral("TWO")));
    EXPECT_EQ(prompt().questions(),
              QStringList{
                  QStringLiteral("Are you sure you want to delete TWO\r\nfrom AC Source memory?")});
    EXPECT_EQ(names[4], QString());
    prompt().answer(PromptAnswer::Yes);
    EXPECT_FALSE(DeleteWaveform(program(), QStringLiteral("USED"))) << "selected on the output";
    ASSERT_EQ(prompt().messages().size(), 1);
    EXPECT_TRUE(prompt().messages()[0].startsWith(
        QStringLiteral("Delete operation requested failed\r\n-221,")));

    program().link.Send(0, QStringLiteral("func sin"));
    prompt().answer(PromptAnswer::No);
    EXPECT_FALSE(DeleteAllWaveforms(program()));
    prompt().answer(PromptAnswer::Yes);
    EXPECT_TRUE(DeleteAllWaveforms(program()));
    EXPECT_EQ(prompt().status(1), QStringLiteral("Deleting waveforms from AC source memory..."));
    ReadWaveformCatalog(program(), 0);
    EXPECT_EQ(names[3], QString());
    EXPECT_EQ(program().link.CheckError(), QString());
}

INSTANTIATE_TEST_SUITE_P(Transports, LanOnly, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return BusName(info.param); });

class OpeningFailures : public ::testing::Test, public ProgramFixture {};

TEST_F(OpeningFailures, EachTransportSaysWhyAndFallsBackToSimulation) {
    auto& link = program().settings.link;
    const QString missing = tempPath(QStringLiteral("no-such-gpib.so"));
    qputenv("OSTREL_GPIB_LIBRARY", missing.toLocal8Bit());
    link.bus = BusGpib;
    QString message;
    EXPECT_EQ(OpenAndIdentify(program(), message), -1);
    EXPECT_TRUE(message.contains(missing)) << message.toStdString();
    EXPECT_TRUE(message.endsWith(QStringLiteral("\r\nInterface will be set to No Connection.")));
    EXPECT_EQ(link.bus, BusSimulation);

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    link.socketPort = closed.serverPort();
    closed.close();
    link.bus = BusLan;
    link.ipAddress = QStringLiteral("127.0.0.1");
    EXPECT_EQ(OpenAndIdentify(program(), message), -1);
    EXPECT_EQ(message, QStringLiteral("Trapped Error: Ethernet connection failed.\r\n"
                                      "Interface will be set to No Connection."));

    program().link.state.serialPortName = tempPath(QStringLiteral("no-such-tty"));
    link.bus = BusSerial;
    EXPECT_EQ(OpenAndIdentify(program(), message), -1);
    EXPECT_EQ(message, QStringLiteral("Serial port %1 does not exist on this PC.\r\n"
                                      "Interface will be set to No Connection.")
                           .arg(program().link.state.serialPortName));
    EXPECT_EQ(link.bus, BusSimulation);
}

} // namespace
