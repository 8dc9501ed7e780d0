// The sequencer's logic: which rows make steps, the lines a step sends, the
// judging of readings, and the ".seq" file with its refusals.
#include "automation/SequenceTable.h"
#include "automation/SequencerSteps.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A row from (column, cell) pairs.
SequenceRow row(std::initializer_list<std::pair<int, const char*>> cells) {
    SequenceRow r;
    for (const auto& [c, text] : cells)
        r[size_t(c)] = QString::fromUtf8(text);
    return r;
}

SequenceRow step(const char* freq, const char* volt, const char* curr, const char* dwell) {
    return row({{SeqFreq, freq}, {SeqVolt, volt}, {SeqCurr, curr}, {SeqDwell, dwell}});
}

TEST(SequencerSteps, StepLinesForEachModeAndPhaseCount) {
    SequenceTable t;
    t.phases[0] = {step("400", "115", "5", "1"), step("", "", "", "")};
    t.phases[1] = {step("60", "", "3", "9")}; // sits the step out; its F and dwell never count
    t.phases[2] = {step("60", "120.5", "2.25", "9")};
    const struct {
        int mode;
        bool threePhase;
        QStringList lines;
    } cases[] = {
        {ModeAC, false, {"freq 400.00;:volt:ac 115.00;:curr 5.00"}},
        {ModeACDC, false, {"freq 400.00;:volt:ac 115.00;:curr 5.00"}},
        {ModeDC, false, {"volt:dc 115.00;:curr 5.00"}},
        {ModeAC,
         true,
         {":INST:COUP NONE;:INST:NSEL 1;:freq 400.00;:volt:ac 115.00;:curr 5.00",
          ":INST:COUP NONE;:INST:NSEL 3;:volt:ac 120.50;:curr 2.25"}},
        {ModeDC,
         true,
         {":INST:COUP NONE;:INST:NSEL 1;:volt:dc 115.00;:curr 5.00",
          ":INST:COUP NONE;:INST:NSEL 3;:volt:dc 120.50;:curr 2.25"}},
    };
    for (const auto& c : cases) {
        const SequencerPlan plan = PlanSequence(t, c.mode, c.threePhase);
        ASSERT_TRUE(plan.refusal.isEmpty()) << plan.refusal.toStdString();
        ASSERT_EQ(plan.steps.size(), 1u) << "the steps end at tab A's first empty Volt";
        EXPECT_EQ(plan.steps[0].dwell, 1);
        EXPECT_EQ(StepSettingLines(plan.steps[0], c.mode, c.threePhase), c.lines)
            << c.mode << c.threePhase;
    }
    EXPECT_EQ(ReadingQueries(1, ModeAC, true),
              QStringList({":INST:COUP NONE;:INST:NSEL 2;:meas:volt:ac?", "fetc:curr:ac?",
                           "fetc:curr:ampl:max?", "fetc:pow:ac?", "fetc:pow:ac:pfac?"}));
    EXPECT_EQ(ReadingQueries(0, ModeDC, false),
              QStringList({"meas:volt:dc?", "fetc:curr:dc?", "fetc:curr:ampl:max?", "fetc:pow:dc?",
                           "fetc:pow:ac:pfac?"}));
}

TEST(SequencerSteps, AStepWithAnEmptyRequiredCellIsRefusedByName) {
    const struct {
        int mode;
        bool threePhase;
        SequenceRow a, b;
        QString refusal;
    } cases[] = {
        {ModeAC, false, step("400", "115", "5", ""), {}, "Step 1, phase A: Dwell (s) is empty."},
        {ModeAC, false, step("", "115", "5", "1"), {}, "Step 1, phase A: F (Hz) is empty."},
        {ModeDC, false, step("", "28", "5", "1"), {}, ""},
        {ModeAC, true, step("400", "115", "5", "1"), step("", "115", "", ""),
         "Step 1, phase B: Cur Lim. is empty."},
        {ModeAC, true, step("400", "115", "5", "1"), step("", "", "", ""), ""},
        {ModeAC, false, step("400", "115", "5", "1"), step("", "115", "", ""), ""},
        {ModeAC, false, row({{SeqFreq, "400"}, {SeqVolt, "115"}, {SeqCurr, "5"}, {SeqDwell, "1"}, {HiColumn(1), "x"}}), {},
         "Step 1, phase A: Hi lim  is not a number."},
    };
    for (const auto& c : cases) {
        SequenceTable t;
        t.phases[0] = {c.a};
        t.phases[1] = {c.b};
        const QString refusal = PlanSequence(t, c.mode, c.threePhase).refusal;
        if (c.refusal.isEmpty())
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
        else
            EXPECT_EQ(refusal, c.refusal + QStringLiteral("\r\nTest sequence not started."));
    }
}

TEST(SequencerSteps, AutoRangeFollowsTheHighestTakingPartVoltage) {
    SourceModel m; // 150/300 V AC, 200/400 V DC
    const auto needed = [&](std::vector<double> volts, int mode) {
        SequencerStep s;
        for (size_t p = 0; p < volts.size(); ++p)
            s.phases.push_back({int(p), 0, volts[p], 1, {}, {}});
        return RangeNeeded(s, mode, m);
    };
    EXPECT_EQ(needed({150}, ModeAC), 0);
    EXPECT_EQ(needed({150.01}, ModeAC), 1);
    EXPECT_EQ(needed({115, 151, 115}, ModeAC), 1);
    EXPECT_EQ(needed({180}, ModeDC), 0);
    EXPECT_EQ(needed({-250}, ModeDC), 1);
    EXPECT_EQ(RangeCommand(1, ModeAC, m), QStringLiteral("volt:rang 300.0"));
    EXPECT_EQ(RangeCommand(0, ModeDC, m), QStringLiteral("volt:rang 200.0"));
}

TEST(SequencerSteps, ReadingsAreJudgedAsShownAndAMissingOneFailsItsLimit) {
    EXPECT_EQ(ReadingValue(SeqReadPower, QStringLiteral("1234.5")), 1.235); // watts -> kW, 3 decimals
    EXPECT_EQ(ReadingValue(SeqReadVoltage, QStringLiteral("115.004")), 115.0);
    EXPECT_FALSE(ReadingValue(SeqReadCurrent, QString()));
    EXPECT_FALSE(ReadingValue(SeqReadCurrent, QStringLiteral("@#!garbage")));
    EXPECT_EQ(ReadingText(SeqReadPeakCurrent, 3.25), QStringLiteral("3.250"));
    const std::optional<double> none;
    const struct {
        std::optional<double> value, hi, lo;
        bool pass;
    } cases[] = {
        {5, none, none, true},  {none, none, none, true}, {none, 10, none, false},
        {none, none, 1, false}, {10, 10, none, true},     {10.001, 10, none, false},
        {0, 10, none, true},    {0.99, none, 1, false},   {5, 10, 1, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadingPasses(c.value, c.hi, c.lo), c.pass)
            << c.value.value_or(-1) << " " << c.hi.value_or(-1) << " " << c.lo.value_or(-1);
}

class SequenceFile : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(SequenceFile, ThreeTabsRoundTripUnderACommaLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German));
    SequenceTable t;
    t.phases[0] = {row({{SeqStep, "1"}, {SeqStatus, "FAIL"}, {SeqFreq, "400"}, {SeqVolt, "115.5"},
                        {SeqCurr, "5"}, {SeqDwell, "0.25"}, {ReadingColumn(0), "115.48"},
                        {HiColumn(0), "116"}, {LoColumn(4), "-0.5"}}),
                   row({{SeqVolt, "1e2"}})};
    t.phases[1] = {row({{SeqStatus, "a \"quoted\", comma\r\nand a break"}, {SeqVolt, "110"}})};
    t.phases[2] = {row({{SeqVolt, "120"}}), row({}), row({{SeqCurr, "2"}})};
    const QString path = dir.filePath(QStringLiteral("three.seq"));
    QString error;
    ASSERT_TRUE(WriteSequenceFile(path, t, false, error)) << error.toStdString();
    const SequenceRead back = ReadSequenceFile(path);
    QLocale::setDefault(before);
    ASSERT_TRUE(back.table) << back.error.toStdString();
    SequenceTable expected = t;
    expected.phases[1][0][SeqStatus] = QStringLiteral("a \"quoted\", comma and a break");
    EXPECT_EQ(back.table->phases, expected.phases);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("OSTREL-SEQ 1\n[Phase A]\n\"Step #\",\"Status\",\"F (Hz)\""));
    EXPECT_TRUE(text.contains("\"115.5\"")) << "numbers are written with \".\"";

    ASSERT_TRUE(WriteSequenceFile(path, t, true, error));
    const SequenceRead dc = ReadSequenceFile(path);
    ASSERT_TRUE(dc.table) << dc.error.toStdString();
    EXPECT_TRUE(dc.table->dcHeadings);
}

TEST_F(SequenceFile, DamagedFilesAreRefusedByFileAndLine) {
    const QByteArray magic = "OSTREL-SEQ 1\n";
    QByteArray headings = "[Phase A]\n";
    for (const QString& h : SequenceHeadings(false))
        headings += '"' + h.toUtf8() + "\",";
    headings.chop(1);
    headings += '\n';
    const QByteArray good = "\"1\",\"\",\"400\",\"115\",\"5\",\"1\"" + QByteArray(",\"\"").repeated(15) + '\n';
    QByteArray many = magic + headings;
    for (int i = 0; i < 101; ++i)
        many += good;
    const struct {
        const char* name;
        QByteArray bytes;
        QString reason;
    } cases[] = {
        {"nomagic", headings + good, "line 1: the first line is not \"OSTREL-SEQ 1\""},
        {"empty", QByteArray(), "line 1: the first line is not \"OSTREL-SEQ 1\""},
        {"block", magic + "[Phase D]\n", "line 2: unknown block [Phase D]"},
        {"cells", magic + headings + "\"1\",\"2\"\n", "line 4: 2 cells, not 21"},
        {"rows", many, "line 104: more than 100 rows"},
        {"number", magic + headings + QByteArray(good).replace("\"115\"", "\"11O\""),
         "line 4: \"Volt\" is not a number: 11O"},
        {"headings", magic + "[Phase A]\n" + good, "line 3: not the headings of a sequence table"},
        {"nul", magic + headings + QByteArray("\"1\0\"", 4), "line 4: a NUL byte; this is not a sequence file"},
        {"long", magic + headings + QByteArray(1 << 20, 'x') + '\n', "line 4: the line is too long"},
        {"binary", magic + "\xff\xfe\x80\n", "line 2: not UTF-8 text"},
        {"quote", magic + headings + "\"1\",\"2\n", "line 4: a cell's quotes do not close"},
    };
    for (const auto& c : cases) {
        const QString path = write(QString::fromLatin1(c.name) + QStringLiteral(".seq"), c.bytes);
        const SequenceRead r = ReadSequenceFile(path);
        EXPECT_FALSE(r.table) << c.name;
        EXPECT_EQ(r.error, path + QStringLiteral(", ") + c.reason) << c.name;
    }
    const SequenceRead ok = ReadSequenceFile(write(QStringLiteral("ok.seq"), magic + headings + good));
    ASSERT_TRUE(ok.table) << ok.error.toStdString();
    EXPECT_EQ(ok.table->phases[0].size(), 1u);
}

TEST_F(SequenceFile, DataFilesAreNamedByTimeAndNeverOverwriteAnother) {
    const QString seq = dir.filePath(QStringLiteral("burnin.seq"));
    const QDateTime when(QDate(2024, 1, 31), QTime(14, 25, 2));
    EXPECT_EQ(SequenceDataFileName(seq, when), dir.filePath(QStringLiteral("burnin_20240131_142502.seq")));
    EXPECT_EQ(SequenceIniPath(seq), dir.filePath(QStringLiteral("burnin.ini")));
    write(QStringLiteral("burnin_20240131_142502.seq"), "x");
    EXPECT_EQ(UniqueSequenceDataFileName(seq, when),
              dir.filePath(QStringLiteral("burnin_20240131_142502_2.seq")));
    write(QStringLiteral("burnin_20240131_142502_2.seq"), "x");
    EXPECT_EQ(UniqueSequenceDataFileName(seq, when),
              dir.filePath(QStringLiteral("burnin_20240131_142502_3.seq")));
}

TEST_F(SequenceFile, UserDataKeepsItsDefaultsForMissingKeys) {
    const QString ini = write(QStringLiteral("u.ini"), "[UserData]\nEUT = PSU-7 rev B\n");
    const SequenceUserData d = ReadSequenceUserData(ini);
    EXPECT_EQ(d.eut, QStringLiteral("PSU-7 rev B"));
    EXPECT_EQ(d.testedBy, QStringLiteral("Test department"));
    QString error;
    ASSERT_TRUE(WriteSequenceUserData(ini, {QStringLiteral("Q"), QStringLiteral("E"),
                                             QStringLiteral("two\nlines")},
                                      true, error));
    const SequenceUserData back = ReadSequenceUserData(ini);
    EXPECT_EQ(back.comment, QStringLiteral("two lines"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("Simulated=1"));

    // A damaged companion file gives what it holds and the defaults for the rest.
    const QString hostile = write(QStringLiteral("h.ini"), QByteArray("[UserData]\nEUT=a\0b\n", 20) +
                                                           QByteArray(1 << 20, '\xff') + "\nComment=ok\n");
    const SequenceUserData damaged = ReadSequenceUserData(hostile);
    EXPECT_EQ(damaged.testedBy, QStringLiteral("Test department"));
    EXPECT_EQ(damaged.comment, QStringLiteral("ok"));
}

} // namespace
