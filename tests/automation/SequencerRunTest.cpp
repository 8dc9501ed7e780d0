// Sequencer runs on the virtual source: what reaches it step by step, how
// readings are judged, and the end handling after every way a run ends.
#include "link/LinkConversation.h"

#include "automation/SequencerRun.h"
#include "link/Readback.h"
#include "measure/ProgramIo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct Step {
    const char* volt;
    const char* curr = "5";
    const char* dwell = "0";
    const char* irmsHi = "";
};

SequenceTable tableOf(std::initializer_list<Step> steps, const char* freq = "400", int phases = 1) {
    SequenceTable t;
    for (int p = 0; p < phases; ++p)
        for (const Step& s : steps) {
            SequenceRow r;
            r[SeqFreq] = QString::fromLatin1(freq);
            r[SeqVolt] = QString::fromLatin1(s.volt);
            r[SeqCurr] = QString::fromLatin1(s.curr);
            r[SeqDwell] = QString::fromLatin1(s.dwell);
            r[size_t(HiColumn(SeqReadCurrent))] = QString::fromLatin1(s.irmsHi);
            t.phases[size_t(p)].push_back(r);
        }
    return t;
}

class SequencerRunTest : public LinkConversation {
protected:
    void startModel(int model, QStringList args = {}) {
        start(QStringList{QStringLiteral("--model"), QString::number(model)} + args);
        ASSERT_EQ(identify(), model);
        ASSERT_FALSE(ReadBackState(program(), model));
    }
    SequencerOutcome run(const SequenceTable& table, SequencerOptions options = {},
                         SequencerHooks hooks = {}, const QString& file = {}) {
        ProgramIo io(program());
        SequencerRun r(program(), io, table, file, {}, options, std::move(hooks));
        runner = &r;
        SequencerOutcome outcome = r.run();
        finished = r.table();
        runner = nullptr;
        return outcome;
    }
    // The lines received since `mark` that contain `text`; queries only when
    // `text` is one (the readback at the end asks "freq?", "volt:rang?", ...).
    QStringList sentWith(qsizetype mark, const QString& text) const {
        QStringList found;
        for (const QString& line : receivedSince(mark))
            if (line.contains(text, Qt::CaseInsensitive) &&
                (text.contains(u'?') || !line.contains(u'?')))
                found << line;
        return found;
    }
    SequencerRun* runner = nullptr;
    SequenceTable finished;
};

// Step 2 draws more than its "Irms (A)" Hi lim once the load drops to 10 ohm.
TEST_P(SequencerRunTest, AFailingStepStopsTheRunOnlyWithAbortOnFail) {
    startModel(0);
    for (const bool abortOnFail : {true, false}) {
        ASSERT_TRUE(control(QStringLiteral("load r=50")));
        prompt().clear();
        const qsizetype mark = received().size();
        SequencerHooks hooks;
        hooks.rowChanged = [this](int, int row) {
            if (row == 0) control(QStringLiteral("load r=10"));
        };
        SequencerOptions options;
        options.abortOnFail = abortOnFail;
        const SequencerOutcome o =
            run(tableOf({{"115"}, {"115", "5", "0", "3"}, {"116"}}), options, hooks);
        EXPECT_EQ(o.result, SequencerResult::Completed) << o.message.toStdString();
        EXPECT_EQ(o.passed, std::optional<bool>(false));
        EXPECT_EQ(finished.phases[0][1][SeqStatus], QStringLiteral("FAIL"));
        EXPECT_EQ(finished.phases[0][1][size_t(ReadingColumn(SeqReadCurrent))], QStringLiteral("5.00"));
        EXPECT_EQ(finished.phases[0][0][SeqStatus], QStringLiteral("PASS"));
        if (abortOnFail) {
            EXPECT_TRUE(o.stoppedOnFail);
            EXPECT_EQ(o.message, QStringLiteral("Test sequence aborted on FAIL at step 2"));
            EXPECT_TRUE(prompt().messages().contains(o.message));
            EXPECT_EQ(o.steps.size(), 2u);
            EXPECT_TRUE(sentWith(mark, QStringLiteral("volt:ac 116")).isEmpty());
        } else {
            EXPECT_EQ(o.steps.size(), 3u);
            EXPECT_EQ(finished.phases[0][2][SeqStatus], QStringLiteral("PASS"));
            EXPECT_EQ(sentWith(mark, QStringLiteral("volt:ac 116")).size(), 1);
        }
    }
}

TEST_P(SequencerRunTest, SaveDataWithFailWritesOnlyWhenAStepFailed) {
    startModel(0);
    const QString file = tempPath(QStringLiteral("burnin.seq"));
    SequencerOptions options;
    options.saveData = true;
    options.failOnly = true;
    const SequencerOutcome passed = run(tableOf({{"115", "5", "0", "3"}}), options, {}, file);
    EXPECT_EQ(passed.passed, std::optional<bool>(true));
    EXPECT_TRUE(passed.dataFile.isEmpty());
    EXPECT_TRUE(QDir(tempPath({})).entryList({QStringLiteral("burnin_*")}).isEmpty());

    const SequencerOutcome failed = run(tableOf({{"115", "5", "0", "1"}}), options, {}, file);
    EXPECT_EQ(failed.passed, std::optional<bool>(false));
    ASSERT_FALSE(failed.dataFile.isEmpty());
    EXPECT_TRUE(QFileInfo(failed.dataFile).fileName().startsWith(QLatin1String("burnin_")));
    const SequenceRead back = ReadSequenceFile(failed.dataFile);
    ASSERT_TRUE(back.table) << back.error.toStdString();
    EXPECT_EQ(back.table->phases[0][0][SeqStatus], QStringLiteral("FAIL"));
    EXPECT_EQ(back.table->phases[0][0][size_t(ReadingColumn(SeqReadVoltage))], QStringLiteral("115.00"));
    QFile ini(SequenceIniPath(failed.dataFile));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("TestedBy"));
}

TEST_P(SequencerRunTest, AutoRangeSendsARangeOnlyWhereTheStepNeedsAnother) {
    startModel(4, {QStringLiteral("--load"), QStringLiteral("r=100")}); // three-phase
    const qsizetype mark = received().size();
    SequencerOptions options;
    options.autoRange = true;
    const SequencerOutcome o =
        run(tableOf({{"115", "3"}, {"120", "3"}, {"200", "3"}, {"210", "3"}, {"100", "3"}}, "400", 3),
            options);
    ASSERT_EQ(o.result, SequencerResult::Completed) << o.message.toStdString();
    EXPECT_EQ(sentWith(mark, QStringLiteral("volt:rang")),
              QStringList({"outp 0;:volt:rang 300.0", "outp 0;:volt:rang 150.0"}));
    EXPECT_EQ(sentWith(mark, QStringLiteral("outp 1")).size(), 3) << "once at the start, once per range";
    EXPECT_EQ(o.steps.size(), 15u);
    EXPECT_EQ(finished.phases[2][3][size_t(ReadingColumn(SeqReadVoltage))], QStringLiteral("210.00"));
}

TEST_P(SequencerRunTest, DcModeSendsNoFrequencyAndReadsDcValues) {
    startModel(0);
    program().link.Send(0, QStringLiteral("mode dc"));
    ASSERT_FALSE(ReadBackState(program(), 0));
    const qsizetype mark = received().size();
    const SequencerOutcome o = run(tableOf({{"28"}, {"-28"}}, ""));
    ASSERT_EQ(o.result, SequencerResult::Completed) << o.message.toStdString();
    EXPECT_TRUE(sentWith(mark, QStringLiteral("freq")).isEmpty());
    EXPECT_EQ(sentWith(mark, QStringLiteral("volt:dc -28.00")).size(), 1);
    EXPECT_EQ(sentWith(mark, QStringLiteral("meas:volt:dc?")).size(), 2);
    EXPECT_FALSE(o.steps[0].freq);
    EXPECT_EQ(finished.phases[0][1][size_t(ReadingColumn(SeqReadVoltage))], QStringLiteral("-28.00"));
}

TEST_P(SequencerRunTest, TheRelayInrushShowsInStepOnesPeakOnly) {
    startModel(0, {QStringLiteral("--load"), QStringLiteral("r=50,inrush=3")});
    program().link.Send(0, QStringLiteral("volt 115"));
    ASSERT_FALSE(ReadBackState(program(), 0));
    const SequencerOutcome o = run(tableOf({{"115"}, {"115"}}));
    ASSERT_EQ(o.steps.size(), 2u);
    const double first = *o.steps[0].readings[SeqReadPeakCurrent].value;
    const double second = *o.steps[1].readings[SeqReadPeakCurrent].value;
    EXPECT_NEAR(second, 115.0 / 50 * std::sqrt(2.0), 0.01);
    EXPECT_NEAR(first, 3 * second, 0.02);
}

// A lost link or a reading that never comes ends the run as failed; the end
// handling still runs and a missing reading is never a 0.
TEST_P(SequencerRunTest, ALostLinkEndsTheRunAsFailedAfterTheEndHandling) {
    startModel(0);
    // The sixth line from here is step 1's voltage reading.
    ASSERT_TRUE(control(QStringLiteral("fault drop 6")));
    SequencerOptions options;
    options.outputOff = true;
    const SequencerOutcome o = run(tableOf({{"115"}, {"115"}}), options);
    EXPECT_EQ(o.result, SequencerResult::Failed);
    EXPECT_EQ(o.message,
              QStringLiteral("Test sequence aborted at step 1. The connection to the AC source was lost."));
    EXPECT_EQ(program().outputState.OutputOn, 0);
    EXPECT_TRUE(o.steps.empty());
}

TEST_P(SequencerRunTest, AnUnansweredReadingStaysEmptyAndFailsItsLimit) {
    startModel(0);
    ASSERT_TRUE(control(QStringLiteral("fault noreply-match fetc:curr:ac")));
    SequencerOptions options;
    options.outputOff = true;
    const SequencerOutcome o = run(tableOf({{"115", "5", "0", "10"}, {"115"}}), options);
    EXPECT_EQ(o.result, SequencerResult::Failed);
    EXPECT_EQ(o.message, QStringLiteral("Test sequence ended with a reading the AC source did not "
                                        "give: step 1, phase A, Irms (A)"));
    EXPECT_EQ(finished.phases[0][0][size_t(ReadingColumn(SeqReadCurrent))], QString());
    EXPECT_EQ(finished.phases[0][0][SeqStatus], QStringLiteral("FAIL"));
    EXPECT_EQ(finished.phases[0][1][SeqStatus], QStringLiteral("PASS")) << "no limit, no failure";
    EXPECT_EQ(o.steps.size(), 2u) << "the run goes on to its end";
    EXPECT_TRUE(received().contains(QStringLiteral("outp 0")));
}

TEST_P(SequencerRunTest, StopDuringADwellEndsWithTheUserMessageAndTheOutputOff) {
    startModel(0);
    SequencerHooks hooks;
    QStringList statuses;
    hooks.status = [&](const QString& text) {
        statuses << text;
        if (text.startsWith(QLatin1String("Executing 2 of 5")) && runner) runner->stop();
    };
    SequencerOptions options;
    options.outputOff = true;
    QElapsedTimer clock;
    clock.start();
    const SequencerOutcome o = run(tableOf({{"115", "5", "5"}, {"116"}}), options, hooks);
    EXPECT_LT(clock.elapsed(), 2800);
    EXPECT_EQ(o.result, SequencerResult::Aborted);
    EXPECT_EQ(o.message, QStringLiteral("Test sequence aborted by user at step 1"));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Executing 1 of 5 second dwell time for step 1")));
    EXPECT_EQ(statuses.last(), QStringLiteral("End"));
    EXPECT_TRUE(o.steps.empty());
    EXPECT_TRUE(received().contains(QStringLiteral("outp 0")));
    EXPECT_EQ(program().outputState.OutputOn, 0); // read back
}

INSTANTIATE_TEST_SUITE_P(Lan, SequencerRunTest, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

// With no source the simulated meter answers and the run says so.
TEST(SequencerSimulation, ReadingsComeFromTheSimulatedMeterAndAreMarked) {
    ProgramFixture f;
    f.program().settings.link.bus = BusSimulation;
    f.program().outputState.MultiPhaseOutput = 1;
    ProgramIo io(f.program());
    QStringList statuses;
    SequencerHooks hooks;
    hooks.status = [&](const QString& text) { statuses << text; };
    SequencerRun run(f.program(), io, tableOf({{"115"}, {"230"}}, "400", 3), {}, {}, {}, hooks);
    const SequencerOutcome o = run.run();
    ASSERT_EQ(o.result, SequencerResult::Completed) << o.message.toStdString();
    EXPECT_TRUE(o.simulated);
    EXPECT_EQ(statuses.first(), QStringLiteral("Running (simulated)"));
    ASSERT_EQ(o.steps.size(), 6u);
    EXPECT_NEAR(*o.steps[5].readings[SeqReadVoltage].value, 230, 2);
    EXPECT_EQ(o.steps[5].phase, 2);
    EXPECT_EQ(f.program().outputState.Phase[2].Voltage, 230.0f);
}

} // namespace
