// The MIL-STD-704 and airframer descriptors as the windows and run-test read
// them (captions, codes, default and fall-back groups, selector rules, test
// frequencies), the phase-angle lines and checks, the opening offer, and
// every shipped library: it loads, passes the run's checks, and the
// MIL-STD-704 steps match provenance.json.
#include "link/OutputState.h"
#include "standards/EutMeasurement.h"
#include "standards/GroupRules.h"
#include "standards/OpeningCheck.h"
#include "standards/PhaseAngles.h"
#include "standards/TestFiles.h"
#include "standards/TestStandard.h"
#include "standards/TestSteps.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);

OutputState supply(int mode, bool threePhase, double hz = 400) {
    OutputState out;
    out.OutputMode = mode;
    out.MultiPhaseOutput = threePhase ? 1 : 0;
    out.Frequency = hz;
    return out;
}

struct SetCase {
    const TestStandard* standard;
    const char* key;
    const char* window;
    const char* library; // the entry the window opens on
    int groups;
    int acSingle, acThree, dc; // default groups at window start
    const char* acWarningLine; // second line of the warnings
    const char* dcWarningLine;
    const char* reportTitle;
};

std::vector<SetCase> setCases() {
    return {
        {&Ms704Standard(), "ms704", "frmMS704_Tables", "MS704_RevF", 7, 1, 1, 6,
         "to AC or AC+DC mode. Power group TAC has", "to DC mode. Power group HDC has been",
         "Mil-Std 704 Test Report"},
        {&Abd010018Standard(), "abd010018", "frmABD010018Tables", "ABD010018_RevA", 5, 0, 0, 3,
         "to AC or AC+DC mode. Power group Table A has", "to DC mode. Power group Table D has been",
         "Airbus ABD0100.1.8 Test Report"},
        {&AbdA350Standard(), "a350", "frmABD_A350Tables", "ABD_A350_RevB", 9, 4, 5, 8,
         "to AC or AC+DC mode. Power group SCF has", "to DC mode. Power group LDC has been",
         "Airbus A350 Test Report"},
        {&Amd24Standard(), "amd24", "frmAMD24_Tables", "AMD24_RevC", 5, 0, 1, 4,
         "to AC or AC+DC mode. Power group SCF has", "to DC mode. Power group LDC has been",
         "AMD24 Test Report"},
        {&B787Standard(), "b787", "frmB787_Tables", "B787_RevA", 10, 0, 0, 4,
         "to AC or AC+DC mode. Power group 115VAC has", "to DC mode. Power group TYPE1DC has been",
         "Boeing B787B3-0147 Test Report"},
    };
}

} // namespace

TEST(StandardSets, DescriptorsStartOnTheirFallbackGroupsWhateverTheFrequency) {
    for (const SetCase& c : setCases()) {
        const TestStandard& s = *c.standard;
        SCOPED_TRACE(c.key);
        EXPECT_EQ(FindStandard(QString::fromLatin1(c.key).toUpper()), &s);
        EXPECT_EQ(s.windowName, QLatin1String(c.window));
        EXPECT_EQ(s.libraryEntries.value(s.defaultLibrary), QLatin1String(c.library));
        EXPECT_EQ(s.libraryEntries.size(), 6);
        ASSERT_EQ(int(s.groups.size()), c.groups);
        EXPECT_EQ(ReportTitle(s), QLatin1String(c.reportTitle));
        // Frequency and range never pick the group (a DO-160 rule would take
        // index 4 or 6 above 400 Hz or in DC mode).
        for (double hz : {60.0, 400.0, 800.0}) {
            EXPECT_EQ(DefaultGroup(s, supply(ModeAC, false, hz)), c.acSingle) << hz;
            EXPECT_EQ(DefaultGroup(s, supply(ModeACDC, true, hz)), c.acThree) << hz;
        }
        EXPECT_EQ(DefaultGroup(s, supply(ModeDC, false)), c.dc);
        EXPECT_TRUE(s.groups[size_t(c.dc)].dc);
        EXPECT_FALSE(s.groups[size_t(c.acThree)].dc);

        const GroupFallback toDc = FallbackGroup(s, c.acSingle, ModeDC);
        EXPECT_EQ(toDc.group, c.dc);
        EXPECT_EQ(toDc.warning.split("\r\n").value(1), QLatin1String(c.dcWarningLine));
        const GroupFallback toAc = FallbackGroup(s, c.dc, ModeAC, false);
        EXPECT_EQ(toAc.group, c.acSingle);
        EXPECT_EQ(toAc.warning.split("\r\n").value(1), QLatin1String(c.acWarningLine));
        EXPECT_EQ(FallbackGroup(s, c.dc, ModeAC, true).group, c.acThree);
        // A fitting group stays without a word; the refusals are the engine's.
        EXPECT_TRUE(FallbackGroup(s, c.dc, ModeDC).warning.isEmpty());
        EXPECT_EQ(GroupRefusal(s, c.acSingle, ModeDC), Do160Standard().acGroupInDcWarning);
    }
    EXPECT_EQ(FallbackWarning(true, "HDC"),
              "WARNING: Power source mode has been changed\r\nto DC mode. Power group HDC has been\r\n"
              "selected since previously selected group\r\nwas valid for AC or AC+DC mode only.\r\n"
              "Switch output mode from main program if\r\nthis was not your intention.");
    EXPECT_EQ(FallbackGroup(AbdA350Standard(), 8, ModeAC, true).warning.split("\r\n").value(1),
              "to AC or AC+DC mode. Power group TCF has");
}

TEST(StandardSets, CaptionsAndCodesAsTheWindowsShowThem) {
    const struct {
        const TestStandard* s;
        int group;
        const char* caption;
        const char* code;
        const char* prefix;
    } cases[] = {
        {&Ms704Standard(), 4, "SXF: 115V/60 Hz CF AC 1 Phs", "SXF", "MS704_SXF-"},
        {&Abd010018Standard(), 3, "Table D: Conventional 28V DC Network Power", "D", "ABD010018_D-"},
        {&AbdA350Standard(), 2, "SVFH: 230VAC. VF", "SVFH", "A350_SVFH-"},
        // Each AMD24 button loads the table its caption names.
        {&Amd24Standard(), 4, "LDC: 28V DC", "LDC", "AMD24_LDC-"},
        {&Amd24Standard(), 2, "SVF: 115V/360-620 Hz VF AC 1 Phs", "SVF", "AMD24_SVF-"},
        {&B787Standard(), 5, "DC Type 2: 24 Vdc", "TYPE2DC", "B787_DC24T2-"},
        {&B787Standard(), 9, "DC Type 6: \u00B1 130 Vdc", "TYPE6DC", "787_DC130T6-"},
    };
    for (const auto& c : cases) {
        const PowerGroup& g = c.s->groups[size_t(c.group)];
        EXPECT_EQ(g.caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(g.code, QLatin1String(c.code));
        EXPECT_EQ(g.reportPrefix, QLatin1String(c.prefix));
        EXPECT_EQ(g.reportName, g.caption);
    }
    EXPECT_EQ(B787Standard().fileFilterName, "MS704 Test File");
    EXPECT_EQ(B787Standard().totalAcLabel, "Total VA                Unbal.");
}

// The selector and the sweep follow the group's supply kind.
TEST(StandardSets, SelectorAndSweepFollowEachGroupsSupplyKind) {
    const struct {
        const TestStandard* s;
        int group;
        const char* entry;
        bool enabled;
        std::vector<double> sweep; // Hz of the entries swept, empty: one acquisition
    } cases[] = {
        {&Ms704Standard(), 4, "60_Hz", false, {}},
        {&Ms704Standard(), 5, "DC", false, {}},
        {&Ms704Standard(), 3, "400_Hz", true, {360, 400, 450, 500, 550, 600, 650, 700, 750, 800}},
        {&Amd24Standard(), 3, "400_Hz", true, {360, 390, 400, 450, 500, 550, 600, 620}},
        {&AbdA350Standard(), 5, "400_Hz", false, {}},
    };
    for (const auto& c : cases) {
        const PowerGroup& g = c.s->groups[size_t(c.group)];
        SCOPED_TRACE(g.caption.toStdString());
        const QStringList& entries = c.s->testFrequencies;
        EXPECT_GE(entries.indexOf(QLatin1String(c.entry)), 0);
        EXPECT_EQ(g.testFrequency, QLatin1String(c.entry));
        EXPECT_EQ(g.testFrequencyEnabled, c.enabled);
        std::vector<double> swept;
        for (int e : SweepEntriesBetween(entries, g.sweepFirst, g.sweepLast))
            swept.push_back(TestFrequencyHz(entries, e));
        EXPECT_EQ(swept, c.sweep);
    }
    // The lists: "DC" first, then ascending, the engine's entries kept.
    EXPECT_EQ(Ms704Standard().testFrequencies.mid(0, 3), (QStringList{"DC", "60_Hz", "360_Hz"}));
    EXPECT_EQ(AbdA350Standard().testFrequencies.last(), "900_Hz");
    EXPECT_EQ(Do160Standard().testFrequencies, TestFrequencyEntries());
    EXPECT_EQ(TestFrequencyIndexFor(Ms704Standard().testFrequencies, 59.9, false), 1);
    EXPECT_EQ(TestFrequencyIndexFor(Ms704Standard().testFrequencies, 0, true), 0);
}

TEST(PhaseAngles, FirstRowOfTheGroupSetsPhasesBAndC) {
    StepGrid grid;
    grid.headers = {"Step", "Freq", "PhsB", "PhsC", "Description"};
    grid.rows = {{"1", "400", "240", "120", ""}, {"2", "400", "234,5", "126", ""}, {"3", "400", "", "", ""},
                 {"4", "400", "", "90", ""}};
    const struct {
        int row;
        QStringList lines;
    } cases[] = {
        {1, {"inst:coup none;:inst:nsel 2;:phas 240.0", "inst:nsel 3;:phas 120.0"}},
        {2, {"inst:coup none;:inst:nsel 2;:phas 234.5", "inst:nsel 3;:phas 126.0"}},
        {3, {}},
        {4, {"inst:coup none;:inst:nsel 3;:phas 90.0"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhaseAngleLines(grid, c.row, QLatin1Char(',')), c.lines) << c.row;
    StepGrid plain = grid;
    plain.headers = {"Step", "Freq", "B", "C", "Description"};
    EXPECT_TRUE(PhaseAngleLines(plain, 1, QLatin1Char(',')).isEmpty());

    OutputState out;
    out.Phase[1].PhaseAngle = 240;
    out.Phase[2].PhaseAngle = 120;
    EXPECT_EQ(RestorePhaseAngleLines(out),
              (QStringList{"inst:coup none;:inst:nsel 2;:phas 240.0", "inst:nsel 3;:phas 120.0"}));
}

TEST(PhaseAngles, ChecksRefuseACellThatIsNoAngleNamingItsRow) {
    const struct {
        const char* cell;
        const char* error;
    } cases[] = {
        {"abc", "ERROR: Row 2, column \"PhsC\": \"abc\" is not a phase angle."},
        {"360.5", "ERROR: Row 2, column \"PhsC\": \"360.5\" is not a phase angle."},
        {"-1", "ERROR: Row 2, column \"PhsC\": \"-1\" is not a phase angle."},
        {"360", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        StepGrid grid;
        grid.headers = {"Step", "PhsB", "PhsC"};
        grid.rows = {{"1", "240", "120"}, {"2", "", QString::fromLatin1(c.cell)}};
        EXPECT_EQ(CheckPhaseAngles(grid, QLatin1Char('.')), QLatin1String(c.error)) << c.cell;
    }
}

TEST(OpeningCheck, OffersAnglesOnlyForThreePhaseAcAndTouchesTheRelayOnlyWhenClosed) {
    OutputState out = supply(ModeAC, true);
    out.Phase[1].PhaseAngle = 240;
    out.Phase[2].PhaseAngle = 120;
    EXPECT_FALSE(PhaseAnglesNeedOffer(out));
    out.Phase[2].PhaseAngle = 119;
    EXPECT_TRUE(PhaseAnglesNeedOffer(out));
    EXPECT_FALSE(PhaseAnglesNeedOffer(supply(ModeAC, false)));
    OutputState dc = supply(ModeDC, true);
    EXPECT_FALSE(PhaseAnglesNeedOffer(dc));

    EXPECT_EQ(PhaseAngleOfferLines(false),
              (QStringList{"inst:coup none;:inst:nsel 2;:phas 240", "inst:nsel 3;:phas 120"}));
    EXPECT_EQ(PhaseAngleOfferLines(true),
              (QStringList{"outp 0", "inst:coup none;:inst:nsel 2;:phas 240", "inst:nsel 3;:phas 120", "outp 1"}));
    EXPECT_EQ(PhaseAngleOfferQuestion("MilStd704"),
              "Do you want to have these changes made and continue \r\nwith the MilStd704 test? (Output will be "
              "turned\r\noff momentarily to change phase angles)");
}

// Every shipped table and test loads and passes the run's checks; the
// examples carry their mark, and the MIL-STD-704 steps are what provenance.json says.
TEST(StandardSets, EveryShippedLibraryLoadsAndPassesTheRunChecks) {
    for (const SetCase& c : setCases()) {
        const TestStandard& s = *c.standard;
        const QString folder = kData + "/" + QLatin1String(c.library) + "/";
        SCOPED_TRACE(c.key);
        int tests = 0;
        for (const PowerGroup& g : s.groups) {
            QString error;
            const auto table = ReadStructureTable(folder + s.structurePrefix + g.code + ".ini", error);
            ASSERT_TRUE(table) << error.toStdString();
            bool empty = false;
            for (int r = 1; r <= int(table->rows.size()); ++r) {
                const QString name = table->sequenceName(r);
                if (name.isEmpty()) {
                    empty = true;
                    continue;
                }
                const auto file = ReadSequenceFile(folder + name + ".ini", QLatin1Char('.'), error);
                ASSERT_TRUE(file) << error.toStdString();
                const bool three = file->phaseDisplay;
                EXPECT_EQ(CheckStepColumns(file->grid), QString()) << name.toStdString();
                EXPECT_EQ(CheckStepCells(file->grid, g.dc, three, QLatin1Char('.')), QString()) << name.toStdString();
                EXPECT_EQ(CheckPhaseAngles(file->grid, QLatin1Char('.')), QString());
                if (three && !g.dc) {
                    EXPECT_EQ(PhaseAngleLines(file->grid, 1, QLatin1Char('.')).size(), 2);
                }
                ++tests;
            }
            EXPECT_TRUE(empty) << "a row for the user's own test in " << g.code.toStdString();
        }
        EXPECT_GT(tests, 0);
        QFile first(folder + s.distortionLimitsFile);
        ASSERT_TRUE(first.open(QIODevice::ReadOnly));
        const QString mark = QString::fromUtf8(first.readLine());
        if (&s == &Ms704Standard())
            EXPECT_TRUE(mark.startsWith("; OUR EXAMPLE"));
        else
            EXPECT_TRUE(mark.startsWith(QString::fromUtf8("; EXAMPLE — not the values of "))) << mark.toStdString();
    }
}

TEST(StandardSets, Ms704StepsMatchTheirProvenance) {
    const QString folder = kData + "/MS704_RevF/";
    QFile f(folder + "provenance.json");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonArray files = QJsonDocument::fromJson(f.readAll()).object().value("files").toArray();
    EXPECT_EQ(files.size(), 7);
    for (const QJsonValue& v : files) {
        const QJsonObject entry = v.toObject();
        QString error;
        const auto file = ReadSequenceFile(folder + entry.value("file").toString(), QLatin1Char('.'), error);
        ASSERT_TRUE(file) << error.toStdString();
        const QJsonObject step = entry.value("steps").toArray().first().toObject();
        const QStringList programmed = step.value("programmed").toString().split(", ");
        const StepGrid& g = file->grid;
        EXPECT_EQ(programmed.value(0), QString::number(g.cell(1, 3).toDouble()) + " V");
        if (programmed.size() > 1) {
            EXPECT_EQ(programmed.value(1), QString::number(g.cell(1, 1).toDouble()) + " Hz");
        }
        for (const char* key : {"clause", "characteristic", "published", "where"})
            EXPECT_FALSE(step.value(key).toString().isEmpty()) << key;
    }
}

// Each set reads its limits from its own sections, a missing "Ithd" taking its default.
TEST(StandardSets, DistortionLimitsFromEachSetsSections) {
    QTemporaryDir dir;
    const struct {
        const TestStandard* s;
        const char* text;
        int set;
        float thd;
        std::optional<float> fifth;
    } cases[] = {
        {&Abd010018Standard(), "[TABLE_3]\nIthd=8.5\nIHarmLimit_5=4\n[TABLE_1]\nIthd=1\n", 3, 8.5f, 4.0f},
        {&AbdA350Standard(), "[TABLE_A]\nIthd=\nIHarmLimit_5=3\n", 3, 12.0f, 3.0f},
        {&Amd24Standard(), "[TABLE_A.]\nIHarmLimit_5=2\n[TABLE_A]\nIthd=9\n", 1, 0.0f, 2.0f},
        {&B787Standard(), "[PHASES_1]\nIthd=5\n[TABLE_1]\nIHarmLimit_5=1\n", 1, 5.0f, 1.0f},
        {&Ms704Standard(), "[PHASES_1]\n[TABLE_1]\n", 1, 12.0f, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s->key.toStdString());
        QFile f(dir.filePath(c.s->distortionLimitsFile));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.text);
        f.close();
        const DistortionLimitsRead r = ReadDistortionLimits(f.fileName(), c.set, c.s->distortionLayout);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_FLOAT_EQ(r.limits.thdLimit, c.thd);
        EXPECT_EQ(r.limits.harmonic[4], c.fifth);
    }
}
