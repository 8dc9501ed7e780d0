// Every fault the virtual source can put on the wire, on each transport: a
// query returns its own reply or a failure, readback either reads the whole
// output state or leaves the last one known, and a lost source is told once.
#include "LinkConversation.h"

#include "link/Readback.h"
#include "link/Waits.h"

#include <QMap>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QStringList kQueries = {QStringLiteral("*IDN?"), QStringLiteral("freq?"),
                              QStringLiteral("volt? max"), QStringLiteral("curr?"),
                              QStringLiteral("phas?"), QStringLiteral("outp?")};

struct FaultCase {
    const char* fault;
    bool garbles = false; // replies come, but not as sent
};

class FaultTable : public LinkConversation {
protected:
    // A source at 115 V with its relay closed, read back once cleanly.
    void startLive() {
        start({QStringLiteral("--model"), QStringLiteral("0")});
        ASSERT_EQ(identify(), 0);
        InstrumentLink& link = program().link;
        for (const char* command : {"volt 115", "curr 2.5", "phas 30", "outp 1"})
            link.Send(0, QLatin1String(command));
        ASSERT_EQ(link.CheckError(), QString());
        ASSERT_FALSE(ReadBackState(program(), 0));
        ASSERT_FLOAT_EQ(program().outputState.Phase[0].Voltage, 115);
        for (const QString& q : kQueries) {
            const QueryResult r = link.TryQuery(0, q);
            ASSERT_TRUE(r.ok()) << q.toStdString();
            baseline.insert(q, r.text);
        }
        prompt().clear();
    }

    QMap<QString, QString> baseline;
};

TEST_P(FaultTable, EveryQueryGetsItsOwnReplyOrAFailure) {
    const FaultCase cases[] = {
        {"split 30 3 1"},      {"split 30 3 all"}, {"late 1500 1"}, {"noreply-match volt"},
        {"drop 10"},           {"noreply 1"},      {"garbage 1", true},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.fault);
        startLive();
        InstrumentLink& link = program().link;
        const QString fault = QStringLiteral("fault ") + QLatin1String(c.fault);

        // Readback under the fault: the whole state, or nothing changed.
        ASSERT_TRUE(control(fault));
        const QueryFailure failure = ReadBackState(program(), 0);
        const OutputState& out = program().outputState;
        EXPECT_FLOAT_EQ(out.Phase[0].Voltage, 115) << "made-up voltage";
        EXPECT_FLOAT_EQ(out.Phase[0].CurrentLimit, 2.5f);
        EXPECT_FLOAT_EQ(out.Phase[0].PhaseAngle, 30);
        EXPECT_FLOAT_EQ(out.Frequency, 60);
        EXPECT_EQ(out.OutputOn, 1);
        EXPECT_EQ(out.ReadBack, !failure);

        // Two rounds of queries under the fault, re-armed.
        if (!link.Lost()) {
            ASSERT_TRUE(control(fault));
        }
        bool lost = link.Lost();
        for (int round = 0; round < 2; ++round) {
            for (const QString& q : kQueries) {
                const QueryResult r = link.TryQuery(0, q);
                if (lost) {
                    EXPECT_EQ(r.status, ReplyStatus::LinkLost) << q.toStdString();
                    continue;
                }
                if (!r.ok()) {
                    EXPECT_FALSE(r.error.isEmpty()) << q.toStdString();
                } else if (!c.garbles) {
                    EXPECT_EQ(r.text, baseline.value(q)) << q.toStdString();
                } else {
                    for (const QString& other : kQueries)
                        EXPECT_TRUE(other == q || r.text != baseline.value(other));
                }
                lost = link.Lost();
            }
        }
        if (!lost) {
            ASSERT_TRUE(control(QStringLiteral("fault clear")));
            for (const QString& q : kQueries)
                EXPECT_EQ(link.TryQuery(0, q).text, baseline.value(q)) << "after the fault";
        }

        // One message for a lost link, one for a failed readback, else none.
        const QStringList messages = prompt().messages();
        if (lost) {
            ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('|')).toStdString();
            EXPECT_TRUE(messages[0].contains(QStringLiteral(" is lost: ")));
            EXPECT_EQ(prompt().status(5), QStringLiteral("Disconnected"));
        } else {
            EXPECT_EQ(messages.size(), failure ? 1 : 0)
                << messages.join(QLatin1Char('|')).toStdString();
        }
        source.stop();
        program().link.CloseLan();
        program().link.CloseSerialPort();
        program().link.ClearLost();
    }
}

TEST_P(FaultTable, LateRepliesNeverAnswerAnotherQuery) {
    start({QStringLiteral("--model"), QStringLiteral("0")});
    ASSERT_EQ(identify(), 0);
    InstrumentLink& link = program().link;
    const QStringList queries = {QStringLiteral("*IDN?"), QStringLiteral("freq?")};
    const QStringList expected = {link.Query(0, queries[0]), link.Query(0, queries[1])};
    // Time-outs short enough for a thousand late replies: 30 ms, the late
    // reply 45 ms after its query.
    constexpr double kTimeoutSeconds = 0.03;
    link.state.lanTimeoutMs = 30;
    constexpr int kGpibT30ms = 8;
    if (GetParam() == BusGpib) link.GpibTimeout(program().settings.link.gpibBoard, kGpibT30ms);

    int wrong = 0;
    int failed = 0;
    constexpr int kQueryCount = 10000;
    for (int i = 0; i < kQueryCount && !link.Lost(); ++i) {
        if (i % 10 == 9) {
            ASSERT_TRUE(control(QStringLiteral("fault late 45 1")));
        }
        const QueryResult r = link.TryQuery(0, queries[i % 2], kTimeoutSeconds);
        if (!r.ok())
            ++failed;
        else if (r.text != expected[i % 2])
            ++wrong;
    }
    EXPECT_FALSE(link.Lost()) << link.state.lostReason.toStdString();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(failed, kQueryCount / 10 / 2) << "the late replies were not late";
    EXPECT_TRUE(prompt().messages().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Transports, FaultTable,
                         ::testing::Values(int(BusLan), int(BusSerial), int(BusGpib)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
