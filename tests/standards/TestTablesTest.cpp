// The engine's table logic: compiled list lines against literal text, the
// cell masks of sequence files, planned times, durations, range and cell
// checks, and the readers' refusals of damaged files.
#include "StepFixtures.h"

#include "link/OutputState.h"
#include "link/SourceModel.h"
#include "standards/CompileGroup.h"
#include "standards/TestFiles.h"
#include "standards/TestSteps.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

HfFactors Factors() {
    HfFactors f;
    f.factor = {{{1.1, 1.2, 1.3}, {1.01, 1.02, 1.03}, {2.0, 2.5, 3.0}}};
    return f;
}

CompileOptions Ac(bool threePhase, bool bot = false) {
    CompileOptions o;
    o.threePhase = threePhase;
    o.triggerOutBot = bot;
    o.factors = Factors();
    return o;
}

} // namespace

TEST(CompileGroup, AcOnePhaseListWithSlewSpellingsAndShapes) {
    Step first;
    first.a = {QStringLiteral("115.0"), QStringLiteral("max"), QString()};
    first.link = QStringLiteral("2");
    Step second;
    second.freqSlew = QStringLiteral("10.0000");
    second.a = {QStringLiteral("120.5"), QStringLiteral("Max"), QStringLiteral("SINE")};
    second.dwell = QStringLiteral("0.5000");
    Step third;
    third.a = {QStringLiteral("100.0"), QStringLiteral("50.0000"), QStringLiteral("DO160_DIST")};
    third.dwell = QStringLiteral("0.0300");
    const CompiledGroup g = CompileGroup(Grid({first, second, third}), 1, 3, Ac(false));
    ASSERT_TRUE(g.error.isEmpty());
    EXPECT_EQ(g.lines, (QStringList{
                           QStringLiteral("list:freq 400.0,400.0,400.0;:list:freq:slew max,10.0000,max"),
                           QStringLiteral("inst:coup none;:inst:nsel 1"),
                           QStringLiteral("list:volt 115.0,120.5,100.0;:list:volt:slew max,max,50.0000"),
                           QStringLiteral("list:shap sin,sin,DO160_DIST"),
                           QStringLiteral("list:dwell 1.0000,0.5000,0.0300;:list:coun 1"),
                           QStringLiteral("list:ttlt 1;:list:rep 0")}));
    EXPECT_EQ(g.points, 3);
    EXPECT_DOUBLE_EQ(g.dwellSum, 1.53);
}

TEST(CompileGroup, AcThreePhasesBotScalesVoltageAndSlewByEachPhasesFactor) {
    Step s;
    s.freq = QStringLiteral("550.0");
    s.a = {QStringLiteral("100.0"), QStringLiteral("10.0000"), QString()};
    s.b = {QStringLiteral("100.0"), QStringLiteral("MAX"), QString()};
    s.c = {QStringLiteral("50.0"), QStringLiteral("MAX"), QStringLiteral("SQUARE")};
    s.loop = QStringLiteral("3");
    const CompiledGroup g = CompileGroup(Grid({s}), 1, 1, Ac(true, true));
    EXPECT_EQ(g.lines, (QStringList{QStringLiteral("list:freq 550.0;:list:freq:slew max"),
                                    QStringLiteral("inst:coup none;:inst:nsel 1"),
                                    QStringLiteral("list:volt 110.0;:list:volt:slew 11.0000"),
                                    QStringLiteral("list:shap sin"), QStringLiteral("inst:nsel 2"),
                                    QStringLiteral("list:volt 101.0;:list:volt:slew max"),
                                    QStringLiteral("list:shap sin"), QStringLiteral("inst:nsel 3"),
                                    QStringLiteral("list:volt 100.0;:list:volt:slew max"),
                                    QStringLiteral("list:shap SQUARE"),
                                    QStringLiteral("list:dwell 1.0000;:list:coun 3"),
                                    QStringLiteral("list:ttlt 0;:list:rep 0")}));
    EXPECT_DOUBLE_EQ(g.seconds(), 3.0);
}

TEST(CompileGroup, DcThreePhasesSendNoFrequencyOrShapeAndNoFactor) {
    Step s;
    s.freq = QStringLiteral("800.0"); // ignored in DC
    s.a = {QStringLiteral("28.0"), QStringLiteral("100.0000"), QStringLiteral("SQUARE")};
    s.b = {QStringLiteral("27.5"), QStringLiteral("MAX"), QString()};
    s.c = {QStringLiteral("0.0"), QStringLiteral("MAX"), QString()};
    s.loop = QStringLiteral("0");
    CompileOptions o = Ac(true);
    o.dc = true;
    const CompiledGroup g = CompileGroup(Grid({s}), 1, 1, o);
    EXPECT_EQ(g.lines, (QStringList{QStringLiteral("inst:coup none;:inst:nsel 1"),
                                    QStringLiteral("list:volt 28.0;:list:volt:slew 100.0000"),
                                    QStringLiteral("inst:nsel 2"),
                                    QStringLiteral("list:volt 27.5;:list:volt:slew max"),
                                    QStringLiteral("inst:nsel 3"),
                                    QStringLiteral("list:volt 0.0;:list:volt:slew max"),
                                    QStringLiteral("list:dwell 1.0000;:list:coun 1"),
                                    QStringLiteral("list:ttlt 1;:list:rep 0")}));
}

TEST(CompileGroup, FactorBandFollowsTheStepFrequency) {
    struct Case {
        const char* freq;
        const char* volt; // phase A, 100 V
    } cases[] = {{"500.0", "100.0"}, {"550.0", "110.0"}, {"600.0", "110.0"},
                 {"700.0", "120.0"}, {"700.1", "130.0"}, {"400.0", "100.0"}};
    for (const Case& c : cases) {
        Step s;
        s.freq = QLatin1String(c.freq);
        s.a = {QStringLiteral("100.0"), QStringLiteral("MAX"), QString()};
        const CompiledGroup g = CompileGroup(Grid({s}), 1, 1, Ac(false));
        EXPECT_EQ(g.lines.value(2), QStringLiteral("list:volt %1;:list:volt:slew max").arg(QLatin1String(c.volt)))
            << c.freq;
    }
    EXPECT_EQ(Factors().at(800, 2, true), 1.0);
}

TEST(CompileGroup, LoopCountAndLocaleDecimalComma) {
    for (const auto& [loop, count] : {std::pair{"", 1}, {"0", 1}, {"3", 3}, {"-2", 1}}) {
        Step s;
        s.loop = QLatin1String(loop);
        s.a = {QStringLiteral("115,5"), QStringLiteral("MAX"), QString()};
        s.dwell = QStringLiteral("0,2500");
        CompileOptions o = Ac(false);
        o.decimalSeparator = QLatin1Char(',');
        const CompiledGroup g = CompileGroup(Grid({s}), 1, 1, o);
        EXPECT_EQ(g.count, count) << loop;
        EXPECT_EQ(g.lines.value(2), QStringLiteral("list:volt 115.5;:list:volt:slew max"));
        EXPECT_EQ(g.lines.value(4), QStringLiteral("list:dwell 0.2500;:list:coun %1").arg(count));
    }
}

TEST(CompileGroup, AnEmptyVoltageIsRefusedNotSentAsZero) {
    Step s;
    s.a = {QString(), QStringLiteral("MAX"), QString()};
    const CompiledGroup g = CompileGroup(Grid({s}), 1, 1, Ac(false));
    EXPECT_TRUE(g.lines.isEmpty());
    EXPECT_FALSE(g.error.isEmpty());
}

TEST(CommandBlocks, RestoreAndListModeLinesPerMode) {
    OutputState out;
    out.Frequency = 400;
    out.Phase[0].Voltage = 115;
    out.Phase[1].Voltage = 116;
    out.Phase[2].Voltage = 117.25f;
    out.Phase[0].DcVoltage = 28;
    EXPECT_EQ(SteadyStateLines(out, true),
              (QStringList{QStringLiteral("inst:coup none;:inst:nsel 1;:volt:mode fix;:volt:ac 115.0;:func sine"),
                           QStringLiteral("inst:nsel 2;:volt:mode fix;:volt:ac 116.0;:func sin"),
                           QStringLiteral("inst:nsel 3;:volt:mode fix;:volt:ac 117.3;:func sin"),
                           QStringLiteral("freq:mode fix;:freq 400.00")}));
    out.OutputMode = ModeDC;
    EXPECT_EQ(SteadyStateLines(out, false), QStringList{QStringLiteral("volt:dc 28.0")});
    EXPECT_EQ(SetFixedModesLines(ModeDC), (QStringList{QStringLiteral("inst:coup all"),
                                                       QStringLiteral("volt:mode fix;:volt:slew:mode fix")}));
    EXPECT_EQ(SetFixedModesLines(ModeACDC).first(), QStringLiteral("freq:mode fix;:freq:slew:mode fix"));
    EXPECT_EQ(SetTriggeringLines(false, false, 0, 1).last(),
              QStringLiteral(":init:cont 0;:trig:sync:phas 0.0;:trig:sync:sour phas"));
    EXPECT_EQ(SetListModesLines(true, false),
              (QStringList{QStringLiteral("freq:mode fix;:freq:slew:mode fix"),
                           QStringLiteral("inst:coup none;:inst:nsel 1"),
                           QStringLiteral("volt:mode list;:volt:slew:mode list"),
                           QStringLiteral("func:mode fix")}));
}

TEST(StepGroups, LinkAbsentNegativeAndTooLarge) {
    Step a, b, c;
    a.link = QStringLiteral("-1");
    b.link = QStringLiteral("9");
    const StepGrid grid = Grid({a, b, c});
    EXPECT_EQ(LastStepOfGroup(grid, 1), 1);
    EXPECT_EQ(LastStepOfGroup(grid, 2), 3);
    StepGrid noLink = grid;
    noLink.headers[14] = QStringLiteral("Spare");
    EXPECT_EQ(LastStepOfGroup(noLink, 2), 2);
    EXPECT_EQ(FindColumn(grid, QStringLiteral("Link")), 14);
    EXPECT_EQ(FindColumn(grid, QStringLiteral("link")), 0);
}

TEST(TestTimes, TotalCountsLoopZeroAsOneAndClampsLink) {
    Step a, b, c, d;
    a.dwell = QStringLiteral("2.0000");
    a.loop = QStringLiteral("0");
    b.dwell = QStringLiteral("1.5000");
    b.loop = QStringLiteral("3");
    b.link = QStringLiteral("1");
    c.dwell = QStringLiteral("0.5000");
    c.loop = QStringLiteral("7"); // inside b's group: not its own loop
    d.dwell = QString();          // 0.001 s
    d.link = QStringLiteral("50");
    const StepGrid grid = Grid({a, b, c, d});
    EXPECT_DOUBLE_EQ(TotalTestTime(grid, QLatin1Char('.')), 2.0 + 3 * 2.0 + 0.001);
    EXPECT_DOUBLE_EQ(StepGroupTime(grid, 2, QLatin1Char('.')), 6.0);
}

TEST(TestTimes, FormatDuration) {
    for (const auto& [s, text] : {std::pair{0.0, "000:00:00:00"}, {59.0, "000:00:00:59"},
                                  {3723.0, "000:01:02:03"}, {90061.0, "001:01:01:01"}, {59.6, "000:00:01:00"}})
        EXPECT_EQ(FormatDuration(s), QLatin1String(text)) << s;
}

TEST(RangeChecks, BoundariesPassAndTheLastRowAboveIsReported) {
    SourceModel m;
    OutputState out;
    EXPECT_EQ(RangeMaximum(m, out), 150.0);
    out.HighRange = 1;
    EXPECT_EQ(RangeMaximum(m, out), 300.0);
    out.OutputMode = ModeDC;
    EXPECT_EQ(RangeMaximum(m, out), 400.0);

    Step atMax, above, bAbove;
    atMax.a[0] = QStringLiteral("150.0");
    above.a[0] = QStringLiteral("150.1");
    bAbove.b[0] = QStringLiteral("151.0");
    const StepGrid grid = Grid({atMax, above, bAbove, atMax});
    EXPECT_EQ(CheckVoltages(grid, false, 150, QLatin1Char('.')), 2);
    EXPECT_EQ(CheckVoltages(grid, true, 150, QLatin1Char('.')), 3);
    EXPECT_EQ(CheckVoltages(Grid({atMax}), true, 150, QLatin1Char('.')), 0);

    Step low, high, edge;
    low.freq = QStringLiteral("15.9");
    high.freq = QStringLiteral("1000.1");
    edge.freq = QStringLiteral("16.0");
    EXPECT_EQ(CheckFrequencies(Grid({edge, low, edge}), 16, 1000, QLatin1Char('.')), 2);
    EXPECT_EQ(CheckFrequencies(Grid({high, edge}), 16, 1000, QLatin1Char('.')), 1);
    Step top;
    top.freq = QStringLiteral("1000.0");
    EXPECT_EQ(CheckFrequencies(Grid({edge, top}), 16, 1000, QLatin1Char('.')), 0);
}

TEST(CellChecks, FixedHeadersNumbersAndGroupSize) {
    StepGrid grid = Grid({Step{}});
    grid.headers[6] = QStringLiteral("VoltB");
    EXPECT_EQ(CheckStepColumns(grid), QStringLiteral("ERROR: Test file column 6 must be headed \"Volt_B\"."));

    Step bad;
    bad.a[1] = QStringLiteral("fast");
    EXPECT_EQ(CheckStepCells(Grid({Step{}, bad}), false, false, QLatin1Char('.')),
              QStringLiteral("ERROR: Row 2, column \"VSlew_A\": \"fast\" is not a number."));
    Step emptyB;
    emptyB.b[0] = QString();
    EXPECT_TRUE(CheckStepCells(Grid({emptyB}), false, false, QLatin1Char('.')).isEmpty());
    EXPECT_EQ(CheckStepCells(Grid({emptyB}), false, true, QLatin1Char('.')),
              QStringLiteral("ERROR: Row 1, column \"Volt_B\": \"\" is not a number."));
    Step noFreq;
    noFreq.freq = QStringLiteral("n/a");
    EXPECT_TRUE(CheckStepCells(Grid({noFreq}), true, false, QLatin1Char('.')).isEmpty());
    Step loop;
    loop.loop = QStringLiteral("2.5");
    EXPECT_EQ(CheckStepCells(Grid({loop}), false, false, QLatin1Char('.')),
              QStringLiteral("ERROR: Row 1, column \"Loop\": \"2.5\" is not a number."));

    StepGrid large = Grid({});
    for (int i = 0; i < 102; ++i) {
        Step s;
        s.link = i == 1 ? QStringLiteral("100") : QString();
        large.rows.push_back(Grid({s}).rows.front());
    }
    EXPECT_EQ(CheckGroupSizes(large),
              QStringLiteral("ERROR: The step group starting on row 2 has 101 steps; at most 100 steps "
                             "can run as one group."));
}

TEST(SequenceMasks, DiskAndDisplayForms) {
    const QChar dot = QLatin1Char('.');
    EXPECT_EQ(CellForDisk(QStringLiteral("Dwell"), QStringLiteral("0.03"), dot), QStringLiteral("0.0300"));
    EXPECT_EQ(CellForDisk(QStringLiteral("Volt_A"), QStringLiteral("115,5"), dot), QStringLiteral("115.5"));
    EXPECT_EQ(CellForDisk(QStringLiteral("Comment"), QStringLiteral("Test 1.2"), dot), QStringLiteral("Test 1.2"));
    EXPECT_EQ(CellForDisk(QStringLiteral("VSlew_A"), QStringLiteral("Max"), dot), QStringLiteral("Max"));
    EXPECT_EQ(CellForDisk(QStringLiteral("VSlew_A"), QStringLiteral("12,5"), QLatin1Char(',')), QStringLiteral("12.500"));
    EXPECT_EQ(CellForDisk(QStringLiteral("Loop"), QStringLiteral("3"), dot), QStringLiteral("3"));

    const QChar comma = QLatin1Char(',');
    EXPECT_EQ(CellForDisplay(QStringLiteral("Dwell"), QStringLiteral("0.03"), comma), QStringLiteral("0,0300"));
    EXPECT_EQ(CellForDisplay(QStringLiteral("Freq"), QStringLiteral("400.04"), comma), QStringLiteral("400,0"));
    EXPECT_EQ(CellForDisplay(QStringLiteral("VSlew_A"), QStringLiteral("MAX"), comma), QStringLiteral("MAX"));
    EXPECT_EQ(CellForDisplay(QStringLiteral("Description"), QStringLiteral("Ex 1.2"), comma), QStringLiteral("Ex 1.2"));
}

class SequenceFileTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(SequenceFileTest, SavedCellsReadBackThroughTheMasksAndTheMarkingStays) {
    const QString path = write(QStringLiteral("seq.ini"), "; EXAMPLE marking\n[Dimensions]\nNoRows=1\n");
    SequenceFile file;
    file.description = QStringLiteral("EXAMPLE: two steps");
    file.grid = Grid({Step{}, Step{}});
    file.grid.setCell(1, 12, QStringLiteral("0,03"));
    file.grid.setCell(1, 3, QStringLiteral("115,5"));
    file.grid.setCell(2, 15, QStringLiteral("Test 1.2"));
    QString error;
    ASSERT_TRUE(WriteSequenceFile(path, file, QLatin1Char(','), error)) << error.toStdString();
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(raw.readAll());
    EXPECT_TRUE(text.startsWith(QLatin1String("; EXAMPLE marking\n[Dimensions]\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nDwell=0.0300\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nVolt_A=115.5\n")));
    EXPECT_TRUE(text.contains(QLatin1String("\nComment=Test 1.2\n")));

    const auto back = ReadSequenceFile(path, QLatin1Char(','), error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->description, file.description);
    EXPECT_EQ(back->grid.cell(1, 12), QStringLiteral("0,0300"));
    EXPECT_EQ(back->grid.cell(1, 3), QStringLiteral("115,5"));
    EXPECT_EQ(back->grid.cell(2, 15), QStringLiteral("Test 1.2"));
    EXPECT_EQ(back->grid.cell(2, 4), QStringLiteral("MAX"));
}

TEST_F(SequenceFileTest, DamagedFilesAreRefusedNamingFileAndLine) {
    const QByteArray good = "[GridData]\n1Header=Freq\n2Header=Volt_A\n[1RowData]\nFreq=400\n";
    struct Case {
        const char* name;
        QByteArray text;
        const char* expect;
        bool structure = false;
    } cases[] = {
        {"no-rows", "[Dimensions]\nNoCols=2\n" + good, "[Dimensions] has no NoRows"},
        {"text-cols", "[Dimensions]\nNoRows=1\nNoCols=two\n" + good, "line 3: NoCols \"two\" is not a whole number"},
        {"wide-structure", "[Dimensions]\nNoRows=1\nNoCols=13\n" + good, "line 3: NoCols is 13; it must be from 1 to 12", true},
        {"wide-sequence", "[Dimensions]\nNoRows=1\nNoCols=26\n" + good, "NoCols is 26; it must be from 1 to 25"},
        {"long", "[Dimensions]\nNoRows=10001\nNoCols=2\n" + good, "line 2: NoRows is 10001"},
        {"twice", "[Dimensions]\nNoRows=1\nNoCols=2\n[GridData]\n1Header=Freq\n2Header=Freq\n",
         "line 6: the header \"Freq\" of column 2 repeats column 1"},
        {"nul", QByteArray("[Dimensions]\nNoRows=1\nNoCols=2\nDescription=a\0b\n", 45) + good, "line 4: the line holds a NUL byte"},
        // Keys compare without case: two such columns would share their cells.
        {"twice-in-case", "[Dimensions]\nNoRows=1\nNoCols=2\n[GridData]\n1Header=Freq\n2Header=FREQ\n",
         "line 6: the header \"FREQ\" of column 2 repeats column 1", true},
        // Written back as keys, these would read as a section, a comment or another key.
        {"section-header", "[Dimensions]\nNoRows=1\nNoCols=2\n[GridData]\n1Header=[1RowData]x\n2Header=Freq\n",
         "line 5: the header \"[1RowData]x\" of column 1 cannot name a key"},
        {"comment-header", "[Dimensions]\nNoRows=1\nNoCols=2\n[GridData]\n1Header=Freq\n2Header=;Volt\n",
         "line 6: the header \";Volt\" of column 2 cannot name a key"},
        {"equals-header", "[Dimensions]\nNoRows=1\nNoCols=2\n[GridData]\n1Header=Volt=A\n",
         "line 5: the header \"Volt=A\" of column 1 cannot name a key", true},
    };
    for (const Case& c : cases) {
        const QString path = write(QLatin1String(c.name) + QStringLiteral(".ini"), c.text);
        QString error;
        const bool read = c.structure ? ReadStructureTable(path, error).has_value()
                                      : ReadSequenceFile(path, QLatin1Char('.'), error).has_value();
        EXPECT_FALSE(read) << c.name;
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.expect))) << c.name << ": " << error.toStdString();
    }
}

TEST_F(SequenceFileTest, HeadersThatCannotBeKeysAreNotWritten) {
    for (const QString& header : {QStringLiteral("[1RowData]"), QStringLiteral("Volt=A"), QStringLiteral("DWELL")}) {
        const QString path = write(QStringLiteral("kept.ini"), "[Dimensions]\nNoRows=1\n");
        SequenceFile file;
        file.grid = Grid({Step{}});
        file.grid.headers[1] = header;
        QString error;
        EXPECT_FALSE(WriteSequenceFile(path, file, QLatin1Char('.'), error)) << header.toStdString();
        EXPECT_TRUE(error.startsWith(path) && error.contains(header, Qt::CaseInsensitive)) << error.toStdString();
        QFile kept(path);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("[Dimensions]\nNoRows=1\n"));
    }
}

TEST_F(SequenceFileTest, AWidthThatIsNoShareOfTheGridReadsAsTheDefault) {
    const QString path = write(QStringLiteral("widths.ini"),
                               "[Dimensions]\nNoRows=1\nNoCols=4\n[GridData]\n0ColWidth=12.5\n1Header=Freq\n1ColWidth=666666666666\n"
                               "2Header=Volt_A\n2ColWidth=-3\n3Header=Dwell\n3ColWidth=100\n4Header=Comment\n4ColWidth=wide\n");
    QString error;
    const auto file = ReadSequenceFile(path, QLatin1Char('.'), error);
    ASSERT_TRUE(file) << error.toStdString();
    EXPECT_EQ(file->widths, (std::vector<double>{12.5, 8, 8, 100, 8}));
    // Written as whole percentages, which a huge width could not be.
    ASSERT_TRUE(WriteSequenceFile(path, *file, QLatin1Char('.'), error)) << error.toStdString();
    const auto back = ReadSequenceFile(path, QLatin1Char('.'), error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->widths, (std::vector<double>{13, 8, 8, 100, 8}));
}

TEST_F(SequenceFileTest, StructureRowsAreKeyedByHeaderText) {
    const QString path = write(QStringLiteral("DO160_Structure_X.ini"),
                               "[dimensions]\nnorows=2\nNoCols=4\n[GridData]\n1Header=Section\n2Header=No\n"
                               "3Header=Test\n4Header=File\n[1RowData]\nfile=Ex_1\nSection=16\nNo=Ex 1\n"
                               "Test=steady\nSection=ignored\n[2RowData]\nSection=16\n");
    QString error;
    const auto table = ReadStructureTable(path, error);
    ASSERT_TRUE(table) << error.toStdString();
    EXPECT_EQ(table->description, QStringLiteral("Table X"));
    EXPECT_EQ(table->sequenceName(1), QStringLiteral("Ex_1"));
    EXPECT_EQ(table->testLabel(1), QStringLiteral("16Ex 1\tsteady"));
    EXPECT_TRUE(table->sequenceName(2).isEmpty());
}
