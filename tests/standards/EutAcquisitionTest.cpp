// The EUT acquisition against the virtual source's meter and load: the
// verdicts it gives, what it sends, what an absent reading does, the sweep
// and the summary file it leaves.
#include "core/Program.h"
#include "link/Waits.h"
#include "measure/LinkIo.h"
#include "standards/EutGraphs.h"
#include "standards/EutMeasurement.h"
#include "standards/TestStandard.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

constexpr double kTimeScale = 50;

class EutAcquisitionTest : public ::testing::Test {
protected:
    void connect(const QStringList& args) {
        ASSERT_TRUE(source.start(args + QStringList{"--time-scale", QString::number(kTimeScale)}))
            << source.errorString().toStdString();
        LinkSettings& link = program().settings.link;
        link.bus = BusLan;
        link.ipAddress = source.host();
        link.socketPort = source.port();
        program().link.state.lanTimeoutMs = 2000;
        ASSERT_TRUE(program().link.ConnectLan(source.host(), source.port()));
    }
    Program& program() { return fixture.program(); }
    void output(const QString& volts = "115", const QString& hz = "400") {
        io.send("inst:coup all;:volt " + volts + ";:freq " + hz + ";:outp 1");
    }
    EutRequest request(float thdLimit, bool threePhase = false) {
        EutRequest r;
        r.conditions = {true, false, false, threePhase, true};
        r.limits.thdLimit = thdLimit;
        r.limits.harmonic.fill(10.0f);
        r.programmedFrequency = 400;
        r.sampleIntervalUs = 2.5f;
        r.captureWaveforms = false;
        return r;
    }
    EutAcquisition acquire(const EutRequest& r) {
        return AcquireEutData(r, io, state, {{}, [this](const QString& e) { errors << e; }, {}, {}});
    }
    QStringList received() {
        io.query("*opc?", 1.0);
        static const QRegularExpression kLine("^\\S+ TCP < (.*)$");
        QStringList lines;
        for (const QString& l : source.logTail(20000))
            if (const auto m = kLine.match(l); m.hasMatch() && m.captured(1) != "*opc?")
                lines << m.captured(1).trimmed();
        return lines;
    }

    ProgramFixture fixture;
    VirtualSourceProcess source;
    LinkIo io{fixture.program()};
    MeasurementState state;
    QStringList errors;
};

TEST_F(EutAcquisitionTest, TheLoadsDistortionGivesEachVerdict) {
    connect({"--load", "r=50,thd=10"});
    output();
    struct Case {
        float limit;
        const char* fault;
        const char* verdict;
    };
    for (const Case c : {Case{20, "", "Pass"}, Case{9.5f, "", "Fail"}, Case{0, "", "No limit"},
                         Case{20, "fault noreply-match curr:harm:thd", "No data"}}) {
        if (*c.fault) {
            ASSERT_TRUE(source.control(c.fault));
        }
        const EutAcquisition a = acquire(request(c.limit));
        source.control("fault clear");
        ASSERT_TRUE(a.complete) << a.error.toStdString();
        EXPECT_EQ(VerdictText(a.verdict), c.verdict) << c.limit << " " << c.fault;
        ASSERT_TRUE(a.phase[0].voltage);
        EXPECT_NEAR(*a.phase[0].voltage, 115, 0.5);
        EXPECT_NEAR(a.phase[0].current.value_or(0), 2.3, 0.05);
        if (*c.fault) {
            EXPECT_FALSE(a.phase[0].currentThd) << "an absent reading is never 0";
        } else {
            EXPECT_NEAR(a.phase[0].currentThd.value_or(0), 10, 0.5);
        }
    }
}

TEST_F(EutAcquisitionTest, APhaseIsReadWithFetchQueriesAfterItsSelectionChecksOut) {
    connect({"--load", "r=50"});
    output("28", "400");
    const qsizetype before = received().size();
    const PhaseMeasurement m = MeasurePhase(0, request(5).conditions, io);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(
        received().mid(before),
        QStringList({"inst:coup none;:inst:nsel 1", "syst:err?", "fetc:freq?", "meas:volt:ac?",
                     "fetc:curr:ac?", "fetc:pow:ac:app?", "meas:curr:ampl:max?",
                     "fetc:pow:ac:pfac?", "fetc:curr:harm:thd?", "fetc:volt:harm:thd?"}));
    EXPECT_NEAR(m.frequency.value_or(0), 400, 0.1);

    ASSERT_TRUE(source.control("fault error -221"));
    const qsizetype mark = received().size();
    const PhaseMeasurement refused = MeasurePhase(0, request(5).conditions, io);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.error.startsWith("-221")) << refused.error.toStdString();
    EXPECT_EQ(received().mid(mark).filter(QRegularExpression("^(meas|fetc):")), QStringList{});
    EXPECT_FALSE(refused.readings.voltage);
}

TEST_F(EutAcquisitionTest, DcModeAndTheOlderLineAskNoPowerFactorAndNoThd) {
    connect({"--model", "10", "--load", "r=50"});
    io.send("volt 0;:outp 1");
    EutConditions c{true, true, false, false, false};
    const qsizetype before = received().size();
    const PhaseMeasurement m = MeasurePhase(0, c, io);
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(received().mid(before),
              QStringList({"inst:coup none;:inst:nsel 1", "syst:err?", "meas:volt:dc?",
                           "meas:curr:dc?", "meas:pow:dc?", "meas:curr:ampl:max?"}));
    EXPECT_FALSE(m.frequency);
}

TEST_F(EutAcquisitionTest, ThreePhasesGiveTheTotalAndTheUnbalance) {
    connect({"--model", "3", "--load", "r=50"});
    ASSERT_TRUE(source.control("load 2 r=100"));
    output();
    const EutAcquisition a = acquire(request(20, true));
    ASSERT_TRUE(a.complete) << a.error.toStdString();
    // 264.5 VA, 132.25 VA, 264.5 VA.
    EXPECT_NEAR(a.totalPower.value_or(0), 661.25, 3);
    EXPECT_NEAR(a.unbalancePercent.value_or(0), 60, 0.5);
    EXPECT_EQ(a.harmonics[0][15].beyondBandwidth, false);
    EXPECT_EQ(a.harmonics[0][16].beyondBandwidth, true);
    EXPECT_EQ(acquire(request(20, false)).unbalancePercent, std::nullopt);
}

// Each phase is handed to the window as soon as it is in, and a report draws
// every phase's spectrum, not only the one on screen.
TEST_F(EutAcquisitionTest, EachPhaseIsDrawnAsItArrivesAndEveryPhaseHasItsPicture) {
    connect({"--model", "3", "--load", "r=50"});
    output();
    std::vector<int> drawn;
    const EutAcquisition a = AcquireEutData(request(20, true), io, state,
                                            {{}, {}, {}, [&](int p, const EutAcquisition& sofar) {
                                                 EXPECT_TRUE(sofar.harmonics[size_t(p)][0].current.has_value());
                                                 drawn.push_back(p);
                                             }});
    ASSERT_TRUE(a.complete) << a.error.toStdString();
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(PhaseGraphPng(a, p, true).startsWith("\x89PNG")) << p;
    EXPECT_TRUE(PhaseGraphPng(a, 0, false).isEmpty()); // no record was captured
    EXPECT_TRUE(PhaseGraphPng(acquire(request(20, false)), 1, true).isEmpty());
}

TEST_F(EutAcquisitionTest, ResetPeakResetsEveryPhaseThenReadsThePeaks) {
    connect({"--model", "3", "--load", "r=50"});
    output();
    const qsizetype before = received().size();
    const auto peaks = ResetPeak({true, false, false, true, true}, io);
    EXPECT_EQ(received().mid(before).mid(0, 3),
              QStringList({"inst:nsel 1;:meas:curr:ampl:res", "inst:nsel 2;:meas:curr:ampl:res",
                           "inst:nsel 3;:meas:curr:ampl:res"}));
    for (const auto& p : peaks)
        EXPECT_NEAR(p.value_or(0), 2.3 * std::sqrt(2.0), 0.1);
}

TEST_F(EutAcquisitionTest, ASweepMeasuresEveryFrequencyReturnsAndSummarisesThemAll) {
    connect({"--load", "r=50,thd=10"});
    output();
    EutSweepRequest sweep;
    sweep.acquisition = request(20);
    sweep.acquisition.captureWaveforms = true;
    sweep.sweep = EutSweep::NarrowBand;
    sweep.presentEntry = 2;
    QStringList statuses;
    const EutWait wait = [](double seconds) {
        Delay(seconds / kTimeScale);
        return true;
    };
    const QVector<EutAcquisition> taken =
        RunEutSweep(sweep, io, state, {[&](const QString& s) { statuses << s; }, {}, {}, {}}, wait);
    ASSERT_EQ(taken.size(), 8);
    for (int i = 0; i < taken.size(); ++i) {
        EXPECT_EQ(taken[i].entry, i + 1);
        EXPECT_NEAR(taken[i].measuredFrequency.value_or(0), TestFrequencyHz(i + 1), 0.1);
        EXPECT_EQ(taken[i].verdict, DistortionVerdict::Pass);
        EXPECT_EQ(taken[i].waveforms[0].samples, 4096);
    }
    EXPECT_EQ(taken[7].harmonics[0][27].beyondBandwidth, true); // 700 Hz: N = 27
    EXPECT_EQ(taken[7].harmonics[0][26].beyondBandwidth, false);
    EXPECT_TRUE(statuses.contains("Measuring EUT Performance Data at 360_Hz, please wait..."));
    EXPECT_EQ(statuses.last(), "Data acquisition completed.");
    EXPECT_EQ(received().mid(received().size() - 2),
              QStringList({"freq:slew 440;:freq 400.0", "freq:slew max"}));
    EXPECT_NEAR(io.query("freq?", 1).toDouble(), 400, 0.01);

    const QString path = program().paths.userFile(Do160Standard().summaryFile);
    QString error;
    ASSERT_TRUE(WriteMeasurementSummary(path, taken, error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + 8 * 2);
    EXPECT_EQ(lines[0], R"("Frequency","Total VA","Unbalance %","Dist Limit %","Pass/Fail")");
    EXPECT_TRUE(lines[1].startsWith(R"("360.0","265.)")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(R"(,"","20.00","Pass")")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(R"("Phase A Scalar Data","115.)")) << lines[2].toStdString();
    EXPECT_TRUE(lines[15].startsWith(R"("700.0",)")) << lines[15].toStdString();
}

TEST_F(EutAcquisitionTest, AbortingASweepStopsBeforeTheNextStepAndStillReturnsTheFrequency) {
    connect({"--load", "r=50"});
    output();
    EutSweepRequest sweep;
    sweep.acquisition = request(20);
    sweep.sweep = EutSweep::WideBand;
    int acquisitions = 0;
    bool abort = false;
    const EutEvents events{[&](const QString& s) {
                               if (s.startsWith("Measuring EUT") && ++acquisitions == 1)
                                   abort = true;
                           },
                           {},
                           [&] { return abort; },
                           {}};
    const QVector<EutAcquisition> taken =
        RunEutSweep(sweep, io, state, events, [&](double) { return !abort; });
    EXPECT_TRUE(taken.isEmpty());
    EXPECT_EQ(acquisitions, 1);
    EXPECT_EQ(received().mid(received().size() - 2),
              QStringList({"freq:slew 440;:freq 400.0", "freq:slew max"}));
}

} // namespace
