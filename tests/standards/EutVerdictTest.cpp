// The verdict rules of the EUT measurement: the THD check, the harmonic
// table's per-row verdicts and its bandwidth limit, and the limits file.
#include "standards/DistortionLimits.h"
#include "standards/EutMeasurement.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

using Thd = std::array<std::optional<float>, 3>;

struct VerdictCase {
    const char* name;
    float limit;
    Thd thd;
    bool threePhase;
    DistortionVerdict expected;
};

TEST(CurrentDistortionVerdict, FollowsTheLimitAndTheReadings) {
    const VerdictCase cases[] = {
        {"at the limit", 5.0f, {5.0f, 4.0f, 1.0f}, true, DistortionVerdict::Pass},
        {"0.01 above", 5.0f, {4.0f, 5.01f, 1.0f}, true, DistortionVerdict::Fail},
        {"shown value at the limit", 5.0f, {5.004f}, false, DistortionVerdict::Pass},
        {"negative limit taken by size", -5.0f, {5.01f}, false, DistortionVerdict::Fail},
        {"no limit", 0.0f, {50.0f, 50.0f, 50.0f}, true, DistortionVerdict::NoLimit},
        {"no limit, no readings", 0.0f, {}, true, DistortionVerdict::NoLimit},
        {"a phase not read", 5.0f, {1.0f, std::nullopt, 9.0f}, true, DistortionVerdict::NoData},
        {"single phase judges A only",
         5.0f,
         {1.0f, std::nullopt, 9.0f},
         false,
         DistortionVerdict::Pass},
    };
    for (const VerdictCase& c : cases)
        EXPECT_EQ(VerdictText(JudgeCurrentDistortion(c.limit, c.thd, c.threePhase)),
                  VerdictText(c.expected))
            << c.name;
}

TEST(CurrentDistortionVerdict, TheWorstOfASweepIsFailThenNoData) {
    using V = DistortionVerdict;
    EXPECT_EQ(WorseVerdict(V::Pass, V::NoLimit), V::NoLimit);
    EXPECT_EQ(WorseVerdict(V::NoData, V::NoLimit), V::NoData);
    EXPECT_EQ(WorseVerdict(V::NoData, V::Fail), V::Fail);
    EXPECT_EQ(WorseVerdict(V::Pass, V::Pass), V::Pass);
}

TEST(HarmonicVerdictTable, OrderLimitFollowsTheFrequencyAndThePhases) {
    struct Case {
        double hz;
        bool threePhase;
        int order;
    };
    for (const Case c : {Case{400, true, 16}, Case{800, true, 8}, Case{400, false, 40},
                         Case{800, false, 24}, Case{0, false, 0}})
        EXPECT_EQ(HarmonicBandwidthOrder(c.hz, c.threePhase), c.order)
            << c.hz << " " << c.threePhase;
}

// A spectrum with fundamentals of 10 A and 100 V, a 3rd harmonic of 0.5 A
// (5 %) and 2 V (2 %), a 5th of 0.8 A (8 %), nothing else.
HarmonicData spectrum(float currentFundamental = 10) {
    HarmonicData d;
    d.current.amplitude[1] = currentFundamental;
    d.current.amplitude[3] = 0.5f;
    d.current.amplitude[5] = 0.8f;
    d.voltage.amplitude[1] = 100;
    d.voltage.amplitude[3] = 2;
    return d;
}

TEST(HarmonicVerdictTable, EachRowIsJudgedAgainstItsRevisedLimit) {
    DistortionLimits limits;
    limits.harmonic[2] = 2.5f;  // 3rd: D = 2.5 + 1.25 x 2 = 5.0, E = 5.0 passes
    limits.harmonic[4] = 7.99f; // 5th: E = 8 fails
    const HarmonicVerdictTable t = BuildHarmonicTable(spectrum(), true, 400, true, limits);
    EXPECT_EQ(HarmonicRowTexts(t[2]),
              QStringList({"1200.0", "0.500", "5.00", "2.50", "2.00", "5.00", "Pass"}));
    EXPECT_EQ(HarmonicRowTexts(t[4]).last(), "Fail");
    // No limit in the file: no revised limit and no verdict.
    EXPECT_EQ(HarmonicRowTexts(t[1]), QStringList({"800.0", "0.000", "0.00", "", "0.00", "", ""}));
    EXPECT_EQ(FailingHarmonics(t), QVector<int>{5});
    // Above the 16th harmonic in three-phase mode at 400 Hz.
    EXPECT_EQ(HarmonicRowTexts(t[16]), QStringList({"6800.0", "BWL", "", "", "", "", ""}));
    EXPECT_EQ(HarmonicRowTexts(t[2], u',')[0], "1200,0");
}

TEST(HarmonicVerdictTable, AZeroFundamentalCurrentLeavesPercentAndVerdictBlank) {
    DistortionLimits limits;
    limits.harmonic.fill(1.0f);
    const HarmonicVerdictTable t = BuildHarmonicTable(spectrum(0), true, 400, false, limits);
    for (const HarmonicVerdictRow& row : t) {
        EXPECT_FALSE(row.percentFund) << row.order;
        EXPECT_EQ(row.verdict, "") << row.order;
    }
    EXPECT_FALSE(t[39].beyondBandwidth);
}

TEST(HarmonicVerdictTable, SpectraThatDidNotComeBackShowNoReadings) {
    DistortionLimits limits;
    limits.harmonic[2] = 1.0f;
    const HarmonicVerdictTable t = BuildHarmonicTable(spectrum(), false, 400, true, limits);
    EXPECT_EQ(HarmonicRowTexts(t[2]), QStringList({"1200.0", "", "", "1.00", "", "", ""}));
}

class LimitsFile : public ::testing::Test {
protected:
    QString write(const QByteArray& text) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    QTemporaryDir dir;
    QString path = dir.filePath("DO160_Distortion_Limits.ini");
};

TEST_F(LimitsFile, ReadsTheSetOfTheSupplyKind) {
    write(
        "; example\n[PHASES_1]\nIthd = 10.0\n[TABLE_1]\nIHarmLimit_3 = 6.5\nIHarmLimit_40 = 0.25\n"
        "IHarmLimit_5 =  \n[PHASES_3]\nIthd=8\n");
    const DistortionLimitsRead one = ReadDistortionLimits(path, DistortionLimitSet(false, false));
    ASSERT_TRUE(one.ok) << one.error.toStdString();
    EXPECT_TRUE(one.found);
    EXPECT_FLOAT_EQ(one.limits.thdLimit, 10);
    EXPECT_EQ(one.limits.harmonic[2], 6.5f);
    EXPECT_EQ(one.limits.harmonic[39], 0.25f);
    EXPECT_FALSE(one.limits.harmonic[4]);
    const DistortionLimitsRead three = ReadDistortionLimits(path, DistortionLimitSet(false, true));
    EXPECT_FLOAT_EQ(three.limits.thdLimit, 8);
    EXPECT_FALSE(three.limits.harmonic[2]);
    const DistortionLimitsRead dc = ReadDistortionLimits(path, DistortionLimitSet(true, true));
    EXPECT_TRUE(dc.ok);
    EXPECT_FLOAT_EQ(dc.limits.thdLimit, 0);
}

TEST_F(LimitsFile, AMissingFileGivesNoLimits) {
    const DistortionLimitsRead r = ReadDistortionLimits(path, 1);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.found);
    EXPECT_FLOAT_EQ(r.limits.thdLimit, 0);
}

TEST_F(LimitsFile, ABadValueIsRefusedNamingFileAndKey) {
    struct Case {
        QByteArray text;
        const char* error;
    };
    const Case cases[] = {
        {"[PHASES_1]\nIthd = ten\n",
         "DO160_Distortion_Limits.ini: [PHASES_1] Ithd = \"ten\" is not a number."},
        {"[TABLE_1]\nIHarmLimit_7 = 1,5\n",
         "DO160_Distortion_Limits.ini: [TABLE_1] IHarmLimit_7 = \"1,5\" is not a number."},
        {QByteArray("[PHASES_1]\nIthd = 5\n\0\n", 22),
         "DO160_Distortion_Limits.ini, line 3: the file holds a NUL byte."},
    };
    for (const Case& c : cases) {
        write(c.text);
        const DistortionLimitsRead r = ReadDistortionLimits(path, 1);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.toStdString(), c.error);
    }
}

TEST(TestFrequencies, EntriesAndTheirMatch) {
    const QStringList entries = TestFrequencyEntries();
    ASSERT_EQ(entries.size(), kTestFrequencyCount);
    EXPECT_EQ(entries[0], "DC");
    EXPECT_EQ(entries[1], "360_Hz");
    EXPECT_EQ(entries[2], "400_Hz");
    EXPECT_EQ(entries[10], "800_Hz");
    EXPECT_EQ(TestFrequencyIndexFor(400.2, false), 2);
    EXPECT_EQ(TestFrequencyIndexFor(372, false), 1);
    EXPECT_EQ(TestFrequencyIndexFor(1000, false), 10);
    EXPECT_EQ(TestFrequencyIndexFor(400, true), 0);
    EXPECT_EQ(SweepEntries(EutSweep::NarrowBand, 2).last(), 8);
    EXPECT_EQ(SweepEntries(EutSweep::WideBand, 2).size(), 10);
    EXPECT_EQ(SweepEntriesBetween("360_Hz", "700_Hz"), SweepEntries(EutSweep::NarrowBand, 2));
    EXPECT_TRUE(SweepEntriesBetween("", "").isEmpty());
    EXPECT_EQ(SweepEntries(EutSweep::Present, 4), QVector<int>{4});
}

} // namespace
