// Phase angles of a MIL-STD-704 step grid against the virtual source: the
// lines before each group, phase A untouched, B and C following their rows
// and back at the steady state's angles after completion and after Abort;
// a single-phase source gets none and fails nothing; a cell that is no
// angle stops the run before anything is sent.
#include "EngineConversation.h"

#include "measure/ProgramIo.h"
#include "standards/EutMeasurement.h"
#include "standards/TestRun.h"
#include "standards/TestStandard.h"
#include "support/LineOrder.h"
#include "support/TimelineFile.h"

#include <QRegularExpression>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QRegularExpression kAngleLine(QStringLiteral("nsel [23];:phas "));

// Three one-step groups: 240/120, 234/126, and no angles.
StepGrid tacGrid(const QString& lastB = {}) {
    StepGrid g = Grid({Step{}, Step{}, Step{}});
    const qsizetype at = g.headers.indexOf(QStringLiteral("Comment"));
    g.headers.insert(at, QStringLiteral("PhsB"));
    g.headers.insert(at + 1, QStringLiteral("PhsC"));
    const QStringList b{QStringLiteral("240"), QStringLiteral("234"), lastB};
    const QStringList c{QStringLiteral("120"), QStringLiteral("126"), QString()};
    for (int r = 0; r < 3; ++r) {
        g.rows[size_t(r)].insert(at, b[r]);
        g.rows[size_t(r)].insert(at + 1, c[r]);
        g.rows[size_t(r)][12] = QStringLiteral("0.5000");
    }
    return g;
}

// The angles each phase's output records passed through, in order, repeats folded.
std::vector<double> anglesOf(const QString& timeline, int phase) {
    std::vector<double> seen;
    for (const QJsonObject& e : TimelineEvents(timeline, QStringLiteral("output"))) {
        if (e.value(QLatin1String("phase")).toInt() != phase) continue;
        const double a = e.value(QLatin1String("angle")).toDouble();
        if (seen.empty() || seen.back() != a) seen.push_back(a);
    }
    return seen;
}

class PhaseAngleRun : public EngineConversation {
protected:
    TestRunOutcome run(const StepGrid& grid, TestRunCallbacks callbacks = {}) {
        TestRunRequest r;
        r.grid = grid;
        TestRun controller(program(), Ms704Standard(), callbacks);
        runner = &controller;
        const TestRunOutcome out = controller.run(r);
        runner = nullptr;
        return out;
    }
    void connectThreePhase() {
        connect(3, {}, QStringLiteral("inst:coup all;:volt 115;:freq 400;:outp 1"));
        program().link.Send(0, QStringLiteral("inst:coup none;:inst:nsel 2;:phas 240;:inst:nsel 3;:phas 120;:inst:coup all"));
        program().outputState.Phase[1].PhaseAngle = 240;
        program().outputState.Phase[2].PhaseAngle = 120;
    }
    TestRun* runner = nullptr;
};

} // namespace

TEST_F(PhaseAngleRun, EachGroupSetsBAndCFirstAndTheEndRestoresThem) {
    connectThreePhase();
    const qsizetype start = mark();
    const TestRunOutcome out = run(tacGrid());
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    const QStringList lines = receivedSince(start);
    EXPECT_TRUE(InOrder(lines, {QStringLiteral("inst:coup all"), QStringLiteral("inst:coup none;:inst:nsel 2;:phas 240.0"),
                                QStringLiteral("inst:nsel 3;:phas 120.0"), QStringLiteral("inst:coup all"),
                                QStringLiteral("list:dwell 0.5000;:list:coun 1"), QStringLiteral(":init"),
                                QStringLiteral("inst:coup none;:inst:nsel 2;:phas 234.0"),
                                QStringLiteral("inst:nsel 3;:phas 126.0"), QStringLiteral("inst:coup all"),
                                QStringLiteral(":init"), QStringLiteral(":init"),
                                QStringLiteral("inst:coup none;:inst:nsel 2;:phas 240.0"),
                                QStringLiteral("inst:nsel 3;:phas 120.0"), QStringLiteral("inst:coup all")}));
    // Two groups with angles and the restore; the third group has none.
    EXPECT_EQ(lines.filter(kAngleLine).size(), 6);
    EXPECT_EQ(anglesOf(timelinePath, 1), std::vector<double>{0});
    EXPECT_EQ(anglesOf(timelinePath, 2), (std::vector<double>{240, 234, 240}));
    EXPECT_EQ(anglesOf(timelinePath, 3), (std::vector<double>{120, 126, 120}));
}

TEST_F(PhaseAngleRun, AbortInTheSecondGroupStillReturnsBAndC) {
    connectThreePhase();
    TestRunCallbacks callbacks;
    int inits = 0;
    callbacks.progress = [&](const TestProgress&) {};
    callbacks.status = [&](const QString& s) {
        if (s == QLatin1String("Polling power source completion status...") && ++inits == 2 && runner)
            runner->requestAbort();
    };
    const TestRunOutcome out = run(tacGrid(), callbacks);
    EXPECT_EQ(out.outcome, RunOutcome::Aborted);
    received(); // the restore's last lines are in the timeline
    EXPECT_EQ(anglesOf(timelinePath, 2), (std::vector<double>{240, 234, 240}));
    EXPECT_EQ(anglesOf(timelinePath, 3), (std::vector<double>{120, 126, 120}));
}

TEST_F(PhaseAngleRun, SinglePhaseSendsNoAnglesAndCompletes) {
    connect(0);
    const qsizetype start = mark();
    const TestRunOutcome out = run(tacGrid());
    EXPECT_EQ(out.outcome, RunOutcome::Completed) << out.reason.toStdString();
    EXPECT_TRUE(receivedSince(start).filter(kAngleLine).isEmpty());
}

TEST_F(PhaseAngleRun, ACellThatIsNoAngleStopsTheRunBeforeAnythingIsSent) {
    connectThreePhase();
    const qsizetype start = mark();
    const TestRunOutcome out = run(tacGrid(QStringLiteral("abc")));
    EXPECT_EQ(out.outcome, RunOutcome::NotStarted);
    EXPECT_EQ(out.reason, QStringLiteral("ERROR: Row 3, column \"PhsB\": \"abc\" is not a phase angle."));
    for (const QString& l : receivedSince(start))
        EXPECT_FALSE(l.startsWith(QLatin1String("list:")) || l.contains(kAngleLine) || l == QLatin1String(":init"))
            << l.toStdString();
}

// The harmonic-1 current phase read after each spectrum is the array's own figure.
TEST_F(PhaseAngleRun, HarmonicPhaseReadingEqualsTheArraysFirstHarmonic) {
    connect(3, {QStringLiteral("--load"), QStringLiteral("r=40,lag=30")},
            QStringLiteral("inst:coup all;:volt 115;:freq 400;:outp 1"));
    ProgramIo io(program());
    EutRequest request;
    request.conditions = {true, false, false, true, false};
    request.captureWaveforms = false;
    request.harmonicPhase = Ms704Standard().harmonicPhaseReadings;
    const EutAcquisition a = AcquireEutData(request, io, program().measurements, {});
    for (int p = 0; p < 3; ++p) {
        const QStringList array =
            program().link.Query(0, QStringLiteral("inst:nsel %1;:fetc:arr:curr:harm:phas?").arg(p + 1), 2.0).split(',');
        ASSERT_GT(array.size(), 1);
        ASSERT_TRUE(a.currentPhase[size_t(p)].has_value()) << p;
        EXPECT_NEAR(*a.currentPhase[size_t(p)], array[1].toDouble(), 0.05) << p;
        EXPECT_NEAR(std::abs(*a.currentPhase[size_t(p)]), 30, 1.0) << p;
    }
}
