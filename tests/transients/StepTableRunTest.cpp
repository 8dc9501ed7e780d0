// A step table run on the virtual source as the window and the command-line
// tool run it: the output follows the table point by point, and a run that is
// refused sends nothing after the readback.
#include "link/LinkConversation.h"
#include "support/TimelineFile.h"

#include "link/Readback.h"
#include "transients/StepTableRun.h"
#include "transients/TransientListFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class StepTableRunTest : public LinkConversation {
protected:
    void startModel(int model) {
        timelinePath = tempPath(QStringLiteral("timeline.jsonl"));
        start({QStringLiteral("--model"), QString::number(model), QStringLiteral("--timeline"),
               timelinePath});
        ASSERT_EQ(identify(), model);
    }
    std::vector<QJsonObject> timeline(const QString& kind) const {
        return TimelineEvents(timelinePath, kind);
    }
    static StepTable dcTable() {
        StepTable t;
        t.relative = false;
        t.phases = {true, false, false};
        t.rows = {{QStringLiteral("V Step"), QStringLiteral("0.5"), QStringLiteral("50")},
                  {QStringLiteral("V Drop"), QStringLiteral("0.01")},
                  {QStringLiteral("Delay"), QStringLiteral("0.2")}};
        return t;
    }
    QString timelinePath;
};

TEST_P(StepTableRunTest, ADcTablePlaysItsPointsAndTheSourceReturnsToFixedMode) {
    startModel(0);
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("mode dc;:volt 28"));
    ASSERT_EQ(link.CheckError(), QString());
    ASSERT_FALSE(ReadBackState(program(), 0));
    prompt().answer(PromptAnswer::Yes); // close the relay
    StepTableRun run(program(), dcTable());
    const StepTableRunOutcome outcome = run.run();
    ASSERT_EQ(outcome.run.result, ListRunResult::Completed) << outcome.run.message.toStdString();
    EXPECT_EQ(outcome.segments, 1);
    EXPECT_EQ(outcome.points, std::vector<int>{4});
    EXPECT_NEAR(outcome.nominalS, 0.711, 1e-9);

    const auto points = timeline(QStringLiteral("point"));
    ASSERT_EQ(points.size(), 4u);
    const double dwells[] = {0.5, 0.01, 0.001, 0.2};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(points[i].value(QLatin1String("dwell")).toDouble(), dwells[i]) << i;
    EXPECT_TRUE(received().contains(QStringLiteral("outp 1")));
    EXPECT_EQ(link.Query(0, QStringLiteral("volt:mode?")), QStringLiteral("FIX"));
}

// Every type, a repeat, a waveform change and a second segment at 90 degrees,
// two passes on a three-phase source: each point as worked out by hand.
TEST_P(StepTableRunTest, AnAcTableOfEveryTypePlaysPointByPointOnEveryPhase) {
    timelinePath = tempPath(QStringLiteral("timeline.jsonl"));
    start({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--timeline"),
           timelinePath, QStringLiteral("--time-scale"), QStringLiteral("20")});
    ASSERT_EQ(identify(), 4);
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("freq 400;:inst:coup none;:inst:nsel 1;:volt 115;:inst:nsel 2;"
                                ":volt 110;:inst:nsel 3;:volt 120;:outp 1"));
    ASSERT_EQ(link.CheckError(), QString());
    ASSERT_FALSE(ReadBackState(program(), 4));

    const TransientListRead read = ReadTransientList(
        QStringLiteral(OSTREL_SOURCE_DATA_DIR "/../tests/transients/data/ac-three-phase-every-type.tls"));
    ASSERT_TRUE(read.table) << read.error.toStdString();
    const StepTable& t = *read.table;
    StepTableRun run(program(), t);
    const StepTableRunOutcome outcome = run.run();
    ASSERT_EQ(outcome.run.result, ListRunResult::Completed) << outcome.run.message.toStdString();
    EXPECT_EQ(outcome.points, (std::vector<int>{11, 2}));
    EXPECT_EQ(outcome.run.passesCompleted, 2);

    const struct {
        double dwell, volt, voltRate, freq, freqRate; // rate 0: a step
        const char* wave;
    } expected[] = {
        {0.1, 100, 0, 400, 0, "SINUSOID"},   {0.02, 0, 0, 400, 0, "SINUSOID"},
        {0.001, 100, 0, 400, 0, "SINUSOID"}, {0.05, 130, 0, 400, 0, "SINUSOID"},
        {0.001, 100, 0, 400, 0, "SINUSOID"}, {0.2, 50, 250, 400, 0, "SINUSOID"},
        {0.1, 50, 0, 420, 0, "SINUSOID"},    {0.05, 50, 0, 440, 0, "SINUSOID"},
        {0.001, 50, 0, 420, 0, "SINUSOID"},  {0.2, 50, 0, 400, 100, "SINUSOID"},
        {0.1, 115, 0, 410, 0, "SQUARE"},     {0.2, 100, 75, 400, 50, "SQUARE"},
        {0.1, 100, 0, 400, 0, "SQUARE"},
    };
    std::vector<QJsonObject> starts; // point starts, repetitions left out
    for (const QJsonObject& p : timeline(QStringLiteral("point")))
        if (p.value(QLatin1String("repeat")).toInt() == 0) starts.push_back(p);
    ASSERT_EQ(starts.size(), 2 * std::size(expected));
    const auto outputs = timeline(QStringLiteral("output"));
    for (size_t i = 0; i < starts.size(); ++i) {
        const auto& e = expected[i % std::size(expected)];
        SCOPED_TRACE(i);
        const double at = starts[i].value(QLatin1String("t")).toDouble();
        EXPECT_NEAR(starts[i].value(QLatin1String("dwell")).toDouble(), e.dwell, 1e-9);
        for (int phase = 1; phase <= 3; ++phase) {
            QJsonObject out;
            for (const QJsonObject& o : outputs)
                if (std::abs(o.value(QLatin1String("t")).toDouble() - at) < 1e-9 &&
                    o.value(QLatin1String("phase")).toInt() == phase)
                    out = o;
            ASSERT_FALSE(out.isEmpty()) << "phase " << phase;
            const QJsonObject ramps = out.value(QLatin1String("ramps")).toObject();
            const QJsonObject vac = ramps.value(QLatin1String("vac")).toObject();
            const QJsonObject freq = ramps.value(QLatin1String("freq")).toObject();
            EXPECT_NEAR(vac.isEmpty() ? out.value(QLatin1String("vac")).toDouble()
                                      : vac.value(QLatin1String("to")).toDouble(),
                        e.volt, 0.005)
                << "phase " << phase;
            EXPECT_NEAR(vac.value(QLatin1String("rate")).toDouble(), e.voltRate, e.voltRate * 1e-3);
            EXPECT_NEAR(freq.isEmpty() ? out.value(QLatin1String("freq")).toDouble()
                                       : freq.value(QLatin1String("to")).toDouble(),
                        e.freq, 0.005);
            EXPECT_NEAR(freq.value(QLatin1String("rate")).toDouble(), e.freqRate, e.freqRate * 1e-3);
            EXPECT_EQ(out.value(QLatin1String("wave")).toString(), QLatin1String(e.wave));
        }
    }
    // The second segment of each pass starts at 90 degrees.
    for (size_t pass = 0; pass < 2; ++pass)
        EXPECT_NEAR(starts[pass * std::size(expected) + 11].value(QLatin1String("angle")).toDouble(),
                    90, 0.5);
}

TEST_P(StepTableRunTest, ARefusedRunSendsNothingAfterTheReadback) {
    const struct {
        const char* what;
        std::function<void(StepTable&)> change;
        bool asksRelay;
        QString refusal;
    } cases[] = {
        {"first row Empty", [](StepTable& t) { t.rows.front()[ColType] = QStringLiteral("Empty"); },
         false, QStringLiteral("First list data point is empty. Nothing to do.")},
        {"relative with V nom 0",
         [](StepTable& t) {
             t.relative = true;
             t.vnomText = QStringLiteral("0");
         },
         false, QStringLiteral("V nom must be a positive number")},
        {"relay question declined", [](StepTable&) {}, true,
         QStringLiteral("The output relay stays open")},
    };
    startModel(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        program().link.Send(0, QStringLiteral("outp 0"));
        ASSERT_FALSE(ReadBackState(program(), 0));
        if (c.asksRelay) prompt().answer(PromptAnswer::No);
        StepTable t = dcTable();
        c.change(t);
        const qsizetype mark = received().size();
        StepTableRun run(program(), t);
        const StepTableRunOutcome outcome = run.run();
        EXPECT_TRUE(outcome.refused);
        EXPECT_TRUE(outcome.refusal.startsWith(c.refusal)) << outcome.refusal.toStdString();
        EXPECT_TRUE(receivedSince(mark).isEmpty()) << receivedSince(mark).join('|').toStdString();
        prompt().clear();
    }
}

INSTANTIATE_TEST_SUITE_P(Transports, StepTableRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
