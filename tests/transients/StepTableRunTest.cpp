// A step table run on the virtual source as the window and the command-line
// tool run it: the output follows the table point by point, and a run that is
// refused sends nothing after the readback.
#include "link/LinkConversation.h"

#include "link/Readback.h"
#include "transients/StepTableRun.h"

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
        std::vector<QJsonObject> events;
        QFile file(timelinePath);
        if (!file.open(QIODevice::ReadOnly)) return events;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QJsonObject e = QJsonDocument::fromJson(line).object();
            if (e.value(QLatin1String("event")).toString() == kind) events.push_back(e);
        }
        return events;
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
