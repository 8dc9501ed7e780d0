// The IEC 61000-4-11 runner against the virtual source: what reached the
// source (command log), what the output did (timeline) and what the run
// reported, on the shipped class files and on the faults that matter.
#include "IecTimeline.h"

#include "iec/IecRun.h"
#include "iec/IecTestFile.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "support/ProgramFixture.h"
#include "support/TimelineFile.h"
#include "support/VirtualSourceProcess.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

constexpr double kScale = 200;
const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);

class IecConversation : public ::testing::Test, public ProgramFixture {
protected:
    // r = 100 Ω keeps 230 V within the current limit of the 300 V range.
    void connect(const QString& range = QStringLiteral("300"),
                 const QString& load = QStringLiteral("r=100")) {
        ASSERT_TRUE(source.start({QStringLiteral("--time-scale"), QString::number(kScale),
                                  QStringLiteral("--log"), logPath, QStringLiteral("--timeline"),
                                  timelinePath, QStringLiteral("--load"), load}))
            << source.errorString().toStdString();
        auto& link = program().settings.link;
        link.bus = BusLan;
        link.ipAddress = source.host();
        link.socketPort = source.port();
        program().link.state.lanTimeoutMs = 1000;
        program().engineClock.timeScale = kScale;
        QString message;
        const int index = OpenAndIdentify(program(), message);
        ASSERT_GE(index, 0) << message.toStdString();
        LoadModel(program(), index);
        ReadSourceConfiguration(program(), index);
        program().link.Send(0, QStringLiteral("volt:rang ") + range +
                                   QStringLiteral(";:volt 0;:freq 50"));
        ASSERT_FALSE(ReadBackState(program(), index));
        prompt().clear();
    }
    IecTestFile shipped(const QString& name) {
        IecTestFile f;
        const IecLoad r = LoadIecTestFile(kData + QStringLiteral("/Seq_Test/") + name, f);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        return f;
    }
    // Every line the source took, once it has taken all sent so far.
    QStringList received() {
        if (!program().link.Lost()) program().link.TryQuery(0, QStringLiteral("*opc?"));
        QFile file(logPath);
        QStringList lines;
        if (!file.open(QIODevice::ReadOnly)) return lines;
        for (const QByteArray& entry : file.readAll().split('\n')) {
            const qsizetype at = entry.indexOf(" TCP < ");
            if (at >= 0) lines << QString::fromLatin1(entry.mid(at + 7)).trimmed();
        }
        lines.removeAll(QStringLiteral("*opc?"));
        return lines;
    }
    QString modes() {
        QStringList lines;
        EXPECT_TRUE(source.control(QStringLiteral("modes?"), &lines));
        return lines.value(0);
    }
    IecRunOutcome run(const IecTestFile& f, IecRunCallbacks callbacks = {}) {
        if (!callbacks.verdict) callbacks.verdict = [] { return std::optional<bool>(true); };
        IecRun runner(program(), std::move(callbacks));
        runner_ = &runner;
        IecPlanOptions o;
        const IecRunOutcome r = runner.run(f, o);
        runner_ = nullptr;
        return r;
    }

    VirtualSourceProcess source;
    QString logPath = tempPath(QStringLiteral("vsource.log"));
    QString timelinePath = tempPath(QStringLiteral("timeline.jsonl"));
    IecRun* runner_ = nullptr;
};

} // namespace

TEST_F(IecConversation, ClassThreeAtFiftyAndSixtyHzPlaysEveryRepetitionAndRestores) {
    for (const QString name : {QStringLiteral("IEC61000-4-11_Class3_50Hz.411"),
                               QStringLiteral("IEC61000-4-11_Class3_60Hz.411")}) {
        SCOPED_TRACE(name.toStdString());
        connect();
        const qsizetype before = received().size();
        IecTestFile f = shipped(name);
        const IecRunOutcome r = run(f);
        EXPECT_EQ(r.end, IecRunEnd::Completed);
        EXPECT_EQ(r.result, QStringLiteral("PASS"));
        for (const IecStepReport& s : r.steps) {
            EXPECT_EQ(s.result, IecStepResult::Done);
            EXPECT_EQ(s.done, 3);
        }
        const QString problem = CheckIecTimeline(timelinePath, f);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        const QStringList log = received();
        EXPECT_EQ(log.mid(log.size() - 2),
                  QStringList(
                      {QStringLiteral("abort;:volt:mode fix;:volt:slew:mode fix"),
                       QStringLiteral("volt ") + (f.frequency == 50 ? QStringLiteral("230.00")
                                                                    : QStringLiteral("120.00"))}));
        EXPECT_FALSE(log.mid(before).contains(QStringLiteral("*CLS"), Qt::CaseInsensitive));
        EXPECT_FALSE(modes().contains(QStringLiteral("LIST"), Qt::CaseInsensitive))
            << modes().toStdString();
        source.stop();
        QFile::remove(logPath);
        QFile::remove(timelinePath);
    }
}

TEST_F(IecConversation, RefusedRowIsNeverStartedAndTheRunIsNotPassed) {
    // With noreply-match the readings go unanswered: no "*CLS", the row still "error".
    for (const bool silentMeter : {false, true}) {
        SCOPED_TRACE(silentMeter ? "meas:volt unanswered" : "plain");
        connect();
        const qsizetype before = received().size();
        IecTestFile f = shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411"));
        if (silentMeter) {
            ASSERT_TRUE(source.control(QStringLiteral("fault noreply-match meas:volt")));
            program().link.state.lanTimeoutMs = 300;
            f.measUpdateRate = 20000; // a few unanswered readings, each a time-out
        }
        f.dips = {{1, 0, 0, -1}, {1, 0, 200, -1}, {1, 0, 40, -1}};
        f.userPrompt = kIecDelayText;
        const IecRunOutcome r = run(f);
        ASSERT_EQ(r.steps.size(), 3u);
        EXPECT_EQ(r.steps[0].result, IecStepResult::Done);
        EXPECT_EQ(r.steps[1].result, IecStepResult::Error);
        EXPECT_EQ(r.steps[2].result, IecStepResult::Done);
        EXPECT_EQ(r.result, QStringLiteral("INCOMPLETE"));
        const QStringList log = received();
        const qsizetype bad = log.indexOf(QStringLiteral(
            ":list:dwell 0.020,10.000;:list:volt 460.00,230.00;:list:volt:slew max;:list:rep 0"));
        ASSERT_GE(bad, 0);
        // Its start never went out: the next start is row 3's, after its own list.
        const qsizetype next =
            log.indexOf(QStringLiteral(":init:cont:name tran,0;:init:name tran"), bad);
        const qsizetype row3 = log.indexOf(
            QStringLiteral(
                ":list:dwell 0.020,10.000;:list:volt 92.00,230.00;:list:volt:slew max;:list:rep 0"),
            bad);
        EXPECT_GT(next, row3);
        EXPECT_EQ(TimelineEvents(timelinePath, QStringLiteral("initiate")).size(), 2u);
        EXPECT_FALSE(log.mid(before).contains(QStringLiteral("*CLS"), Qt::CaseInsensitive));
        source.stop();
        QFile::remove(logPath);
        QFile::remove(timelinePath);
    }
}

TEST_F(IecConversation, RefusedInitialisationNeverClosesTheRelay) {
    connect(QStringLiteral("150"));
    const IecRunOutcome r = run(shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411")));
    EXPECT_EQ(r.end, IecRunEnd::NotStarted);
    EXPECT_EQ(prompt().messages().value(0),
              QStringLiteral("WARNING: Failed to initialize AC Source.\r\n"
                             "Check selected voltage range and Vnom\r\nsettings."));
    EXPECT_FALSE(received().contains(QStringLiteral("outp 1")));
    for (const QJsonObject& o : TimelineEvents(timelinePath, QStringLiteral("output")))
        EXPECT_FALSE(o.value(QStringLiteral("relay")).toBool());
    EXPECT_EQ(program().outputState.OutputOn, 0);
}

TEST_F(IecConversation, AbortInTheInterruptionLeavesUnomInFixedMode) {
    connect();
    IecTestFile f = shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411"));
    f.dips = {{250, 0, 0, -1}};
    IecRunCallbacks c;
    // The first reading comes while the interruption plays.
    c.reading = [this](const IecReading&) { runner_->requestAbort(); };
    const IecRunOutcome r = run(f, c);
    EXPECT_EQ(r.end, IecRunEnd::Aborted);
    EXPECT_EQ(r.result, QStringLiteral("ABORT"));
    EXPECT_EQ(r.endField, QStringLiteral("NONE, User abort"));
    ASSERT_FALSE(TimelineEvents(timelinePath, QStringLiteral("abort")).empty());
    const std::vector<QJsonObject> out = TimelineEvents(timelinePath, QStringLiteral("output"));
    EXPECT_NEAR(out.back().value(QStringLiteral("vac")).toDouble(), 230, 0.01);
    const QStringList log = received();
    EXPECT_EQ(log.mid(log.size() - 3),
              QStringList({QStringLiteral("abort"),
                           QStringLiteral("abort;:volt:mode fix;:volt:slew:mode fix"),
                           QStringLiteral("volt 230.00")}));
}

TEST_F(IecConversation, InrushPeaksFollowTheLoadAndALargeOneAsks) {
    struct Case {
        double factor;
        bool asked;
    } cases[] = {{2, false}, {12, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        connect(QStringLiteral("300"), QStringLiteral("r=100,inrush=%1").arg(c.factor));
        IecTestFile f = shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411"));
        f.dips = {{1, 0, 0, -1}};
        f.includePeak = true;
        if (c.asked) prompt().answer(PromptAnswer::Cancel);
        const IecRunOutcome r = run(f);
        const double expected = c.factor * std::sqrt(2.0) * 2.3;
        ASSERT_EQ(r.attempts.size(), c.asked ? 1u : 2u);
        for (const IecInrushAttempt& a : r.attempts) {
            ASSERT_TRUE(a.peak);
            EXPECT_NEAR(*a.peak, expected, expected * 0.01);
        }
        EXPECT_EQ(r.attempts[0].angle, 90);
        if (c.asked) {
            EXPECT_TRUE(prompt().questions().value(0).startsWith(QStringLiteral(
                "The source can not handle the peak inrush\r\ncurrent of the UUT.")));
            EXPECT_EQ(r.end, IecRunEnd::Aborted);
        } else {
            EXPECT_EQ(r.attempts[1].angle, 270);
            EXPECT_TRUE(r.inrushText.startsWith(QStringLiteral("Peak inrush current is OK, ")));
            EXPECT_EQ(r.result, QStringLiteral("PASS"));
        }
        const QStringList log = received();
        EXPECT_TRUE(log.contains(QStringLiteral("outp:ttlt:sour eot;:outp:ttlt 0")));
        EXPECT_TRUE(log.contains(QStringLiteral("list:ttlt 0")));
        source.stop();
        QFile::remove(logPath);
        QFile::remove(timelinePath);
        prompt().clear();
    }
}

TEST_F(IecConversation, DroppedLinkStopsTheRunWithoutAPass) {
    connect();
    IecTestFile f = shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411"));
    ASSERT_TRUE(source.control(QStringLiteral("fault drop 30")));
    const IecRunOutcome r = run(f);
    EXPECT_EQ(r.end, IecRunEnd::Failed);
    EXPECT_EQ(r.result, QStringLiteral("ABORT"));
    EXPECT_TRUE(r.endField.startsWith(QStringLiteral("NONE, "))) << r.endField.toStdString();
}

TEST_F(IecConversation, AbortInTheInrushPauseResetsTheTriggerOutAndRestores) {
    connect(QStringLiteral("300"), QStringLiteral("r=100,inrush=2"));
    IecTestFile f = shipped(QStringLiteral("IEC61000-4-11_Class2_50Hz.411"));
    f.includePeak = true;
    IecRunCallbacks c;
    c.status = [this](const QString& text) {
        if (text == QLatin1String("Executing 1 minute delay between inrush tests..."))
            runner_->requestAbort();
    };
    const IecRunOutcome r = run(f, c);
    EXPECT_EQ(r.end, IecRunEnd::Aborted);
    EXPECT_EQ(r.attempts.size(), 1u);
    for (const IecStepReport& s : r.steps)
        EXPECT_EQ(s.result, IecStepResult::Aborted);
    const QStringList log = received();
    EXPECT_EQ(log.mid(log.size() - 6),
              QStringList({QStringLiteral("abort"),
                           QStringLiteral("abort;:volt:mode fix;:volt:slew:mode fix"),
                           QStringLiteral("volt 230.00"),
                           QStringLiteral("outp:ttlt:sour eot;:outp:ttlt 0"),
                           QStringLiteral("list:ttlt 0"), QStringLiteral("trig:acq:sour imm")}));
    EXPECT_FALSE(modes().contains(QStringLiteral("LIST"), Qt::CaseInsensitive))
        << modes().toStdString();
}
