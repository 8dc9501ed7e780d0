// The resident options' descriptors and files: catalogues as the source
// takes them, the check-list groups, the set-up file round trip and its
// refusals, the durations and the opening check.
#include "config/IniFile.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"
#include "standards/ResidentFiles.h"
#include "standards/ResidentOption.h"
#include "support/ProgramFixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const ResidentOption& ms704() { return ResidentOptionFor(ResidentKind::Ms704); }
const ResidentOption& mil704() { return ResidentOptionFor(ResidentKind::Mil704); }
const ResidentOption& do160() { return ResidentOptionFor(ResidentKind::Do160); }

QString write(const QString& path, const QByteArray& text) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

} // namespace

TEST(ResidentOption, CataloguesAreTheCommandsTheSourceTakes) {
    const struct {
        const ResidentOption& option;
        int size;
        int index;
        const char* command;
        const char* window;
        const char* optionText;
        int flag;
    } cases[] = {
        {ms704(), 32, 0, "ms704:norm:ssl:nom", "frmMS704", "-704F", 9},
        {ms704(), 32, 31, "ms704:pow:fail:phas:rev", "frmMS704", "-704F", 9},
        {mil704(), 18, 0, "*OPC;:MIL704:SST:VOLT:LEV", "frmMil704", "-704", 4},
        {do160(), 19, 3, "*OPC;:DO160:NORM:FREQ:MOD ", "frmRTCA", "-160", 3},
        {do160(), 19, 0, "*OPC;:DO160:NORM:VOLT_FREQ:MIN", "frmRTCA", "-160", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.option.catalogue.size(), c.size) << c.window;
        EXPECT_EQ(c.option.names.size(), c.size) << c.window;
        EXPECT_EQ(int(c.option.sections.size()), c.size) << c.window;
        EXPECT_EQ(c.option.command(c.index), QLatin1String(c.command));
        EXPECT_EQ(c.option.window, QLatin1String(c.window));
        EXPECT_EQ(c.option.optionText, QLatin1String(c.optionText));
        EXPECT_EQ(c.option.optionIndex, c.flag);
        EXPECT_EQ(FindResidentOption(QLatin1String(c.window)), &c.option);
    }
    // Entry 27 is entry 3's command; the trailing blanks go out as given.
    EXPECT_EQ(ms704().catalogue[27], ms704().catalogue[3]);
    for (int i : {3, 5, 7})
        EXPECT_TRUE(do160().catalogue[i].endsWith(QLatin1Char(' '))) << i;
    EXPECT_EQ(do160().names[0], QStringLiteral("Voltage and Frequency Minimum (16.5.1.1)"));
    EXPECT_EQ(do160().names[6], QStringLiteral("Voltage Surge (16.5.3.3.1)"));
}

TEST(ResidentOption, CheckListGroupsFollowTheCatalogue) {
    using S = ResidentSection;
    const struct {
        const ResidentOption& option;
        int first, last;
        S section;
    } ranges[] = {
        {ms704(), 0, 7, S::Normal},       {ms704(), 8, 13, S::Transients}, {ms704(), 14, 14, S::Transfer},
        {ms704(), 15, 23, S::Abnormal},   {ms704(), 24, 27, S::Emergency}, {ms704(), 28, 31, S::PowerFail},
        {mil704(), 0, 7, S::Normal},      {mil704(), 8, 11, S::Transients}, {mil704(), 12, 13, S::Emergency},
        {mil704(), 14, 17, S::Abnormal},  {do160(), 0, 9, S::Normal},      {do160(), 10, 12, S::Emergency},
        {do160(), 13, 18, S::Abnormal},
    };
    for (const auto& r : ranges)
        for (int i = r.first; i <= r.last; ++i)
            EXPECT_EQ(r.option.sections[size_t(i)], r.section) << r.option.window.toStdString() << " " << i;
    EXPECT_EQ(ResidentSectionName(S::Transfer), QStringLiteral("Transient State test"));
    EXPECT_EQ(ResidentSectionName(S::PowerFail), QStringLiteral("Abnormal State test"));
}

TEST(ResidentOption, ReportTitlesFollowTheFilesStandard) {
    const struct {
        const char* standard;
        const char* title;
    } cases[] = {{"MS704", "MIL-STD 704 Immunity Test Report"},  {"MIL704", "MIL-STD 704 Immunity Test Report"},
                 {"RTCA", "RTCA/DO-160D Immunity Test Report"},  {"RTCA2", "RTCA/DO-160D Immunity Test Report"},
                 {"AIRB", "AIRBUS DO-160 Immunity Test Report"}, {"EUR", "EUROCAE ED-14D Immunity Test Report"}};
    for (const auto& c : cases)
        EXPECT_EQ(ResidentReportTitle(QLatin1String(c.standard)), QLatin1String(c.title)) << c.standard;
}

class ResidentFile : public ::testing::Test, public ProgramFixture {};

TEST_F(ResidentFile, RoundTripKeepsTransferPowerFailureAndTheKeptSections) {
    ResidentSetup s = DefaultResidentSetup(ms704());
    s.group = QStringLiteral("TVF");
    s.frequency = 600;
    s.phase = 2;
    s.vfRepeat = true;
    for (int i : {0, 14, 27, 28, 31})
        s.selected[size_t(i)] = true;
    s.site = {QStringLiteral("Lab 2"), QStringLiteral("23"), QStringLiteral("40"), QStringLiteral("1013")};
    s.user = {QStringLiteral("J. Doe"), QStringLiteral("Unit 7"), QStringLiteral("first run")};
    const QString path = tempPath(QStringLiteral("t.704"));
    QString error;
    ASSERT_TRUE(WriteResidentFile(ms704(), s, path, error)) << error.toStdString();
    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_EQ(ini.value(u"Transient State test", u"Test14"), QStringLiteral("1"));
    EXPECT_EQ(ini.value(u"Abnormal State test", u"Test28"), QStringLiteral("1"));
    EXPECT_EQ(ini.value(u"Emergency State test", u"Test27"), QStringLiteral("1"));
    EXPECT_EQ(ini.value(u"General Settings", u"Test_Standard"), QStringLiteral("MS704"));

    const std::optional<ResidentSetup> back = ReadResidentFile(ms704(), path, error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->selected, s.selected);
    EXPECT_EQ(back->group, QStringLiteral("TVF"));
    EXPECT_EQ(back->frequency, 600);
    EXPECT_EQ(back->phase, 2);
    EXPECT_TRUE(back->vfRepeat);
    EXPECT_EQ(back->site.pressure, QStringLiteral("1013"));
    EXPECT_EQ(back->user.testedBy, QStringLiteral("J. Doe"));

    const QString rtca = write(tempPath(QStringLiteral("t.160")),
                               "[General Settings]\nTest_Standard=EUR\nGroup=ANF\n[Normal State test]\nTest06=1\n"
                               "[Eurocae_Group]\nCategory=B\n[Normal State Parameters]\nPower_Interrupts=5\n");
    std::optional<ResidentSetup> r = ReadResidentFile(do160(), rtca, error);
    ASSERT_TRUE(r) << error.toStdString();
    EXPECT_EQ(r->revision, QStringLiteral("RTCA")); // no Revision key: the standard's first
    ASSERT_EQ(r->kept.size(), 2);
    const QString copy = tempPath(QStringLiteral("copy.160"));
    ASSERT_TRUE(WriteResidentFile(do160(), *r, copy, error));
    EXPECT_EQ(ReadIniString(copy, QStringLiteral("Eurocae_Group"), QStringLiteral("Category"), {}), QStringLiteral("B"));
    EXPECT_EQ(ReadIniString(copy, QStringLiteral("Normal State Parameters"), QStringLiteral("Power_Interrupts"), {}),
              QStringLiteral("5"));
    EXPECT_TRUE(ReadResidentFile(do160(), copy, error)->selected[6]);
}

TEST_F(ResidentFile, ABadFileIsRefusedNamingFileAndKey) {
    const struct {
        const char* text;
        const char* key;
    } cases[] = {
        {"[General Settings]\nTest_Standard=MIL704\n", "Test_Standard"},
        {"[General Settings]\nTest_Standard=MS704\nRevision=G\n", "Revision"},
        {"[General Settings]\nTest_Standard=MS704\nGroup=LDC\n", "Group"},
        {"[General Settings]\nTest_Standard=MS704\nFrequency=fast\n", "Frequency"},
        {"[General Settings]\nTest_Standard=MS704\nPhase=4\n", "Phase"},
        {"[General Settings]\nTest_Standard=MS704\nVarFreqRepeat=yes\n", "VarFreqRepeat"},
        {"[General Settings]\nTest_Standard=MS704\n[Abnormal State test]\nTest30=2\n", "Test30"},
    };
    for (const auto& c : cases) {
        const QString path = write(tempPath(QStringLiteral("bad.704")), c.text);
        QString error;
        EXPECT_FALSE(ReadResidentFile(ms704(), path, error)) << c.key;
        EXPECT_TRUE(error.startsWith(QStringLiteral("bad.704: "))) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.key))) << error.toStdString();
    }
    QString error;
    const QString mil = write(tempPath(QStringLiteral("mil.704")), "[General Settings]\nTest_Standard=MIL704\n");
    EXPECT_EQ(ResidentOptionOfFile(mil, error), &mil704());
    EXPECT_EQ(ResidentOptionOfFile(tempPath(QStringLiteral("any.160")), error), &do160());
    EXPECT_EQ(ResidentOptionOfFile(write(tempPath(QStringLiteral("x.704")), "[General Settings]\nTest_Standard=ABD\n"), error),
              nullptr);
    EXPECT_TRUE(error.contains(QLatin1String("x.704"))) << error.toStdString();
}

TEST_F(ResidentFile, DurationsReadOneWhenUnusableAndADayAtMost) {
    const QString path = write(tempPath(QStringLiteral("d.ini")),
                               "[MS704_Group_2]\ntime_secs_0=7\ntime_secs_1=abc\ntime_secs_2=0\ntime_secs_3=-5\n"
                               "time_secs_4=100000\ntime_secs_5=2.9\n[MIL704_Group_60Hz]\ntime_secs_17=12\n");
    const std::vector<int> d = ReadResidentDurations(ms704(), ms704().groups[2], path);
    ASSERT_EQ(d.size(), 32u);
    EXPECT_EQ((std::vector<int>{d[0], d[1], d[2], d[3], d[4], d[5], d[6]}), (std::vector<int>{7, 1, 1, 1, 86400, 2, 1}));
    EXPECT_EQ(ReadResidentDurations(mil704(), mil704().groups[2], path)[17], 12);
    // The shipped file: 3 s each, every option's groups.
    for (const ResidentOption* o : ResidentOptions())
        for (const ResidentGroup& g : o->groups)
            for (int s : ReadResidentDurations(*o, g, ResidentDurationsPath(program().paths)))
                EXPECT_EQ(s, 3) << o->window.toStdString() << " " << g.code.toStdString();
}

TEST(ResidentOpening, TheSteadyStateMustBeOneTheOptionStartsFrom) {
    OutputState good;
    good.OutputMode = ModeAC;
    good.Frequency = 400;
    for (PhaseState& p : good.Phase)
        p.Voltage = 115;
    good.Phase[1].PhaseAngle = 240;
    good.Phase[2].PhaseAngle = 120;
    const struct {
        const char* what;
        std::function<void(OutputState&)> change;
        bool ms704Opens, do160Opens;
    } cases[] = {
        {"as set", [](OutputState&) {}, true, true},
        {"230 V three phase", [](OutputState& o) { o.MultiPhaseOutput = 1; for (auto& p : o.Phase) p.Voltage = 230; }, true, true},
        {"60 Hz", [](OutputState& o) { o.Frequency = 60; }, true, false},
        {"800 Hz", [](OutputState& o) { o.Frequency = 800; }, true, true},
        {"50 Hz", [](OutputState& o) { o.Frequency = 50; }, false, false},
        {"120 V", [](OutputState& o) { o.Phase[0].Voltage = 120; }, false, false},
        {"DC mode", [](OutputState& o) { o.OutputMode = ModeDC; }, false, false},
        {"square wave", [](OutputState& o) { o.Phase[0].WaveformIndex = 1; }, false, false},
        {"three phase, C at 130", [](OutputState& o) { o.MultiPhaseOutput = 1; o.Phase[2].PhaseAngle = 130; }, false, false},
        {"one phase, B angle ignored", [](OutputState& o) { o.Phase[1].PhaseAngle = 0; o.Phase[1].Voltage = 0; }, true, true},
    };
    for (const auto& c : cases) {
        OutputState o = good;
        c.change(o);
        EXPECT_EQ(ResidentOpeningRefusal(ms704(), o).isEmpty(), c.ms704Opens) << c.what;
        EXPECT_EQ(ResidentOpeningRefusal(do160(), o).isEmpty(), c.do160Opens) << c.what;
    }
    OutputState dc = good;
    dc.OutputMode = ModeDC;
    const QStringList lines = ResidentOpeningRefusal(mil704(), dc).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("Steady state settings are incorrect for this test"));
    EXPECT_EQ(lines[3], QStringLiteral("In 3 phase mode, Phs A=0°, Phs B=240°, Phs C=120°."));
    EXPECT_EQ(lines[5], QStringLiteral("the MIL-STD 704 (MIL704) Option."));
    EXPECT_EQ(ResidentOpeningRefusal(ms704(), dc).split(QStringLiteral("\r\n")).last(),
              QStringLiteral("the MIL-STD 704 (MS704) Option."));

    SourceModel model;
    model.Options[9] = 1;
    EXPECT_TRUE(ResidentOptionInstalled(ms704(), model));
    EXPECT_FALSE(ResidentOptionInstalled(mil704(), model));
}
