// The link's pure pieces: identification parsing and matching, status texts,
// the baud list, designation, user limits, the waveform catalog and samples.
#include "core/Program.h"
#include "link/BusTrace.h"
#include "link/Decoders.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/WaveformTransfer.h"
#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

struct IdentityCase {
    const char* reply;
    const char* modelText;
    const char* serial;
    float revision;
    const char* partNumber;
};

class ParseIdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(ParseIdentityTest, SplitsFieldsAndReadsFirmware) {
    const IdentityCase& c = GetParam();
    SourceModel model;
    EXPECT_EQ(ParseIdentity(model, QString::fromLatin1(c.reply)), QLatin1String(c.modelText));
    EXPECT_EQ(model.SerialNumber, QLatin1String(c.serial));
    EXPECT_FLOAT_EQ(model.FirmwareRevision, c.revision);
    EXPECT_EQ(model.FirmwarePartNumber, QLatin1String(c.partNumber));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ParseIdentityTest,
    ::testing::Values(
        IdentityCase{"Korvath Instruments,VK 751,KV1234,REV 2.34", "VK751", "KV1234", 2.34f,
                     "KVP501-4"},
        IdentityCase{"Korvath Instruments,VK 1501,9, X234", "VK1501", "9", 2.34f, "KVP501-4"},
        IdentityCase{"Korvath Instruments,K 753 M,77,1.23\n", "K753M", "77", 1.23f, "KVP501-1"},
        IdentityCase{"Korvath Instruments,VK3001,5,V1.50", "VK3001", "5", 1.5f, "KVP501-1"},
        IdentityCase{"Korvath Instruments,VK3001,5,REV A.01.23", "VK3001", "5", 1.23f, "KVP501-3"},
        IdentityCase{"Korvath Instruments,VK 751", "VK751", "", 0.0f, "KVP501-1"},
        IdentityCase{"garbage", "", "", 0.0f, "KVP501-1"},
        IdentityCase{"", "", "", 0.0f, "KVP501-1"}));

TEST(MatchModel, FirstRuleWinsAndTheOtherLineNeedsMakerAndSerial) {
    const struct {
        const char* modelText;
        const char* reply;
        int index;
    } cases[] = {
        {"VK751", "", 0},
        {"VK751L", "", 0},
        {"VK1501", "", 1},
        {"VK753M", "", 4},
        {"VK2251", "", 2},
        {"K751", "", 10},
        {"K1501", "", 11},
        {"K753M", "", 12},
        {"VK1153", "", 3},
        {"VK2253", "", 4},
        {"VK3001", "", 6},
        {"VK4503", "", -1},
        {"", "", -1},
        {"XYZ", "", -1},
        {"KLX200", "KORVATH INSTRUMENTS,KLX 200,123,1.0", 100},
        {"KLX200", "KORVATH INSTRUMENTS,KLX 200,,1.0", -1},
        {"KLX200", "Korvath Instruments,KLX 200,123,1.0", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchModel(QLatin1String(c.modelText), QLatin1String(c.reply)), c.index)
            << c.modelText << " / " << c.reply;
}

TEST(Decoders, GpibStatusErrorAndCount) {
    GpibStatus s;
    s.ibsta = 0xC100;
    s.iberr = 6;
    s.ibcnt = 255;
    EXPECT_EQ(GpibStatusText(s), QStringLiteral("\r\nibsta = &HC100 < ERR TIMO CMPL>"));
    EXPECT_EQ(GpibErrorText(s), QStringLiteral("\r\niberr = EABO <Op. aborted>"));
    EXPECT_EQ(GpibCountText(s), QStringLiteral("\r\nibcnt = 0xFF"));
    s.iberr = 8;
    EXPECT_EQ(GpibErrorText(s), QString()) << "a code without a text";
    s.ibsta = 0x2100;
    s.iberr = 0;
    EXPECT_EQ(GpibStatusText(s), QStringLiteral("\r\nibsta = &H2100 < END CMPL>"));
    EXPECT_EQ(GpibErrorText(s), QStringLiteral("\r\nNo error, iberr = 0"));
    s.ibsta = 0;
    EXPECT_EQ(GpibStatusText(s), QStringLiteral("\r\nibsta = &H0 <>"));
}

TEST(Decoders, SerialEventsAndSocketStates) {
    EXPECT_EQ(SerialEventText(1, 12), QStringLiteral("There are 12 nr of chars in Xmit Buffer"));
    EXPECT_EQ(SerialEventText(1008, 0), QStringLiteral("Receive Buffer Overflow"));
    EXPECT_EQ(SerialEventText(1001, 0), QStringLiteral("Break Occured"));
    EXPECT_EQ(SerialEventText(3, 0), QString());
    EXPECT_EQ(LanStateText(7), QStringLiteral("Connection Status: Connected"));
    EXPECT_EQ(LanStateText(3), QStringLiteral("Connection Status: Connection Pending"));
    EXPECT_EQ(LanStateText(12),
              QStringLiteral("Connection Status: ERROR:\r\n UNKNOWN CONNECTION STATE"));
}

TEST(Decoders, BaudListSettingsText) {
    const char* expected[] = {"9600,n,8,1",   "19200,n,8,1",  "38400,n,8,1", "57600,n,8,1",
                              "115200,n,8,1", "230400,n,8,1", "460800,n,8,1"};
    for (int i = 0; i < kBaudCount; ++i)
        EXPECT_EQ(SerialSettingsText(i), QLatin1String(expected[i])) << i;
}

TEST(BusTrace, ListIsClearedWhenFull) {
    BusTraceModel trace;
    for (int i = 0; i < BusTraceModel::kMaxEntries; ++i)
        trace.add(QStringLiteral("x"));
    EXPECT_EQ(trace.rowCount(), BusTraceModel::kMaxEntries);
    trace.add(QStringLiteral("volt 120"));
    ASSERT_EQ(trace.rowCount(), 1);
    EXPECT_EQ(trace.data(trace.index(0)).toString(), QStringLiteral("volt 120"));
}

class ModelSetupTest : public ::testing::Test, public test::ProgramFixture {};

TEST_F(ModelSetupTest, LoadModelGivesTableDefaultsAndPowerOnOutput) {
    Program& p = program();
    LoadModel(p, 3); // three-phase, power 1.5, current 0.5, fixed name
    const SourceModel& m = p.sourceModel;
    EXPECT_EQ(m.ModelName, QStringLiteral("VK1153-TP"));
    EXPECT_EQ(m.Designation, QStringLiteral("VK1153-160-704-704F-A350-ABD-AMD-B787-WHM"));
    EXPECT_EQ(m.PhaseSpacing, 120);
    EXPECT_EQ(m.MultiPhase, 0) << "simulation";
    EXPECT_FLOAT_EQ(m.PowerRating, 1125);
    EXPECT_FLOAT_EQ(m.FirmwareRevision, 0.3f);
    EXPECT_EQ(m.FirmwarePartNumber, QStringLiteral("KVP501-1"));
    EXPECT_EQ(m.WaveformNames[2], QStringLiteral("CSINUSOID"));
    const OutputState& out = p.outputState;
    EXPECT_EQ(out.MultiPhaseOutput, 1);
    EXPECT_FLOAT_EQ(out.Frequency, 60);
    EXPECT_FLOAT_EQ(out.Phase[1].PhaseAngle, 240);
    EXPECT_FLOAT_EQ(out.Phase[2].PhaseAngle, 120);
    EXPECT_NEAR(out.Phase[0].CurrentLimit, 6.5f * 0.5f, 1e-3);
    EXPECT_FLOAT_EQ(p.maxVoltage[2], 150);

    p.settings.link.bus = BusLan;
    LoadModel(p, 4);
    EXPECT_EQ(p.sourceModel.MultiPhase, 1);
    EXPECT_EQ(p.sourceModel.Options[OptPhaseMode], 1);
    EXPECT_TRUE(p.sourceModel.Designation.endsWith(QStringLiteral("-B787-MODE-WHM")));

    LoadModel(p, 10);
    EXPECT_EQ(p.sourceModel.SeriesFamily(), 0);
    EXPECT_EQ(p.outputState.MultiPhaseOutput, 0);
}

TEST(BuildDesignation, EverySuffixInOrder) {
    SourceModel m;
    m.ModelIndex = 0;
    m.Options.fill(1);
    EXPECT_EQ(BuildDesignation(m), QStringLiteral("VK751-160-411-704-704F-A350-ABL-ABD-AMD-B787-"
                                                  "LAN-LF-LKM-LKS-MB-MODE-WHM"));
    m.Options.fill(0);
    m.ModelIndex = kOtherLineModel;
    m.ModelName = QStringLiteral("KLX200");
    EXPECT_EQ(BuildDesignation(m), QStringLiteral("KLX200"));
}

TEST(ClampUserLimits, ValuesOutsideTheModelTakeItsBounds) {
    SourceModel m;
    m.FreqMin = 40;
    m.FreqMax = 500;
    const struct {
        UserLimits in;
        float freqMax, freqMin, vacHigh, vacLow;
    } cases[] = {
        {{400, 50, 250, 120}, 400, 50, 250, 120},
        {{1000, 16, 300, -5}, 500, 40, 300, 150},
        {{30, 600, 301, 151}, 500, 40, 300, 150},
    };
    for (const auto& c : cases) {
        UserLimits l = c.in;
        ClampUserLimits(l, m);
        EXPECT_FLOAT_EQ(l.freqMax, c.freqMax);
        EXPECT_FLOAT_EQ(l.freqMin, c.freqMin);
        EXPECT_FLOAT_EQ(l.vacHigh, c.vacHigh);
        EXPECT_FLOAT_EQ(l.vacLow, c.vacLow);
    }
}

TEST(IsSplitPhase, OnlySpacingsOtherThanZeroAnd120) {
    SourceModel m;
    for (auto [spacing, split] : {std::pair{0, false}, {120, false}, {180, true}, {90, true}}) {
        m.PhaseSpacing = spacing;
        EXPECT_EQ(IsSplitPhase(m), split) << spacing;
    }
    EXPECT_FALSE(IsMultiUnit(9));
}

TEST(WaveformCatalog, UserNamesAfterTheBuiltIns) {
    const QString builtIns = QStringLiteral("\"SINUSOID\",\"SQUARE\",\"CSINUSOID\"");
    EXPECT_EQ(ParseWaveformCatalog(builtIns), QStringList());
    EXPECT_EQ(ParseWaveformCatalog(builtIns + QStringLiteral(",\"ABC\",\"DEF\"\n")),
              (QStringList{QStringLiteral("ABC"), QStringLiteral("DEF")}));
    EXPECT_EQ(ParseWaveformCatalog(builtIns + QStringLiteral(",\"ramp_1\"")),
              QStringList{QStringLiteral("RAMP_1")});
    EXPECT_EQ(ParseWaveformCatalog(QString()), QStringList());
    EXPECT_EQ(ParseWaveformCatalog(QStringLiteral("\"SINUSOID\"")), QStringList());
    EXPECT_EQ(ParseWaveformCatalog(builtIns + QStringLiteral(",\"")), QStringList{QString()});
    EXPECT_EQ(CountCommas(builtIns), 2);
}

TEST(WaveformData, SamplesAsUpToFourDecimals) {
    const std::vector<float> samples{0.25f, 1.0f, -0.123456f, 0.0f};
    EXPECT_EQ(WaveformDataCommand(QStringLiteral("RAMP"), 2, samples),
              QStringLiteral("trac:data RAMP,0.25,1.0,-0.1235"));
    EXPECT_EQ(WaveformDataCommand(QStringLiteral("RAMP"), 99, samples),
              QStringLiteral("trac:data RAMP,0.25,1.0,-0.1235,0.0"))
        << "a last index past the samples stops at the last sample";
}

class WaveformNameTest : public ::testing::Test, public test::ProgramFixture {};

TEST_F(WaveformNameTest, FirstCharacterMustBeACapitalLetter) {
    for (const char* name : {"A1", "ZED"})
        EXPECT_TRUE(ValidateWaveformName(program(), QLatin1String(name)));
    EXPECT_TRUE(prompt().messages().isEmpty());
    for (const char* name : {"1AB", "abc", ""}) {
        prompt().clear();
        EXPECT_FALSE(ValidateWaveformName(program(), QLatin1String(name)));
        EXPECT_EQ(prompt().messages(),
                  QStringList{QStringLiteral("First character of waveform name must be alpha "
                                             "character A-Z\r\nTransfer of ") +
                              QLatin1String(name) + QStringLiteral(" cancelled.")});
        EXPECT_EQ(prompt().calls().front().icon, PromptIcon::Exclamation);
    }
}

} // namespace
