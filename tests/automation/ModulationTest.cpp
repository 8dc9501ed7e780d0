// Modulation arithmetic, entry checks and ".mod" files.
#include "automation/Modulation.h"
#include "automation/ModulationFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

struct ListCase {
    ModulationTab tab;
    ModulationEntry entry;
    const char* levels;
    const char* dwell;
    const char* slew;
    int count;
};

TEST(ModulationList, PointsDwellSlewAndCount) {
    const ListCase cases[] = {
        // 2 x 10 / (0.05 - 0.001)
        {ModulationTab::Voltage, {100, 10, 10, 10}, "110.0,90.0", "0.05000", "408.1633", 100},
        // A dwell of 1 ms or less ramps over the whole point.
        {ModulationTab::Voltage, {100, 1, 1000, 1}, "101.0,99.0", "0.00050", "4000.0000", 1000},
        // Shorter than one cycle still plays it once.
        {ModulationTab::Voltage, {100, 10, 10, 0.01}, "110.0,90.0", "0.05000", "408.1633", 1},
        // 2.5 cycles: half away from zero.
        {ModulationTab::Voltage, {28, 2, 10, 0.25}, "30.0,26.0", "0.05000", "81.6327", 3},
        {ModulationTab::Frequency, {400, 10, 5, 2}, "410.00,390.00", "0.10000", "202.0202", 10},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.levels);
        const ModulationList list = ComputeModulationList(c.tab, c.entry);
        EXPECT_EQ(list.levels, QLatin1String(c.levels));
        EXPECT_EQ(list.dwell, QLatin1String(c.dwell));
        EXPECT_EQ(list.slew, QLatin1String(c.slew));
        EXPECT_EQ(list.count, c.count);
        EXPECT_DOUBLE_EQ(list.spanS, c.count / c.entry.rate);
    }
}

TEST(ModulationList, LineAndSteadyLevel) {
    const ModulationEntry e{100, 10, 10, 10};
    EXPECT_EQ(ModulationListLine(ModulationTab::Voltage,
                                 ComputeModulationList(ModulationTab::Voltage, e)),
              QStringLiteral("list:volt 110.0,90.0;:list:dwell 0.05000,0.05000;"
                             ":list:volt:slew 408.1633,408.1633"));
    EXPECT_EQ(ModulationListLine(ModulationTab::Frequency,
                                 ComputeModulationList(ModulationTab::Frequency, {60, 5, 10, 1})),
              QStringLiteral("list:freq 65.00,55.00;:list:dwell 0.05000,0.05000;"
                             ":list:freq:slew 204.0816,204.0816"));
    EXPECT_EQ(ModulationSteadyLine(ModulationTab::Voltage, e, false),
              QStringLiteral("inst:coup all;:volt 100.0"));
    EXPECT_EQ(ModulationSteadyLine(ModulationTab::Voltage, e, true),
              QStringLiteral("inst:coup all;:volt:dc 100.0"));
    EXPECT_EQ(ModulationSteadyLine(ModulationTab::Frequency, {400, 5, 10, 1}, false),
              QStringLiteral("freq 400.0"));
}

TEST(ModulationEntries, TimingThatCannotPlayIsRejected) {
    const struct {
        double rate, runTime;
        bool valid;
    } cases[] = {{10, 60, true},  {0, 60, false},   {-5, 60, false},    {10, 0, false},
                 {10, -1, false}, {50000, 1, true}, {200000, 1, false}, {NAN, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(ModulationTimingValid({100, 10, c.rate, c.runTime}), c.valid);
    }
}

TEST(ModulationEntries, RangeErrorsNameTheConflict) {
    const ModulationLimits limits{150, 16, 1000};
    const struct {
        ModulationTab tab;
        double average, depth;
        const char* first; // first line of the message, "" when it fits
    } cases[] = {
        {ModulationTab::Voltage, 100, 10, ""},
        {ModulationTab::Voltage, 10, 20, "Data entry error. Requested modulation"},
        {ModulationTab::Voltage, 160, 5, "Data entry error. Requested average"},
        {ModulationTab::Voltage, 145, 10, "Data entry error. Requested voltage"},
        {ModulationTab::Frequency, 400, 20, ""},
        {ModulationTab::Frequency, 1200, 5, "Data entry error. Requested average frequency"},
        {ModulationTab::Frequency, 20, 10, "Data entry error. Requested frequency modulation"},
        {ModulationTab::Frequency, 995, 10, "Data entry error. Requested frequency modulation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.average);
        const QString error = ModulationRangeError(c.tab, {c.average, c.depth, 10, 1}, limits);
        EXPECT_EQ(error.split(QStringLiteral("\r\n")).first(), QLatin1String(c.first));
    }
    EXPECT_EQ(
        ModulationRangeError(ModulationTab::Voltage, {10, 20, 10, 1}, limits),
        QStringLiteral("Data entry error. Requested modulation\r\ndepth exceeds average voltage."));
    EXPECT_EQ(ModulationRangeError(ModulationTab::Frequency, {995, 10, 10, 1}, limits),
              QStringLiteral("Data entry error. Requested frequency modulation\r\n"
                             "is above AC source frequency range high limit."));
}

class ModulationFileTest : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("test.mod"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(ModulationFileTest, WrittenSettingsReadBack) {
    ModulationSettings s;
    s.entry(ModulationTab::Voltage) = {115.2, 11.25, 12.5, 30};
    s.entry(ModulationTab::Frequency) = {400, 20.5, 2, 90.75};
    s.phaseMask = 5;
    const QString path = dir.filePath(QStringLiteral("round.mod"));
    ASSERT_EQ(WriteModulationFile(path, s), QString());
    const ModulationFileRead read = ReadModulationFile(path);
    ASSERT_TRUE(read.settings) << read.error.toStdString();
    for (int t = 0; t < 2; ++t) {
        const ModulationEntry& a = s.tabs[size_t(t)];
        const ModulationEntry& b = read.settings->tabs[size_t(t)];
        EXPECT_DOUBLE_EQ(a.average, b.average);
        EXPECT_DOUBLE_EQ(a.depth, b.depth);
        EXPECT_DOUBLE_EQ(a.rate, b.rate);
        EXPECT_DOUBLE_EQ(a.runTime, b.runTime);
    }
    EXPECT_EQ(read.settings->phaseMask, 5);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Average_Voltage=115.2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Depth=11.25")));
    EXPECT_TRUE(text.contains(QStringLiteral("Phase_Selection=5")));
}

TEST_F(ModulationFileTest, MissingKeysTakeTheirDefaults) {
    const ModulationFileRead read =
        ReadModulationFile(write("[Voltage_Modulation]\nDepth=5\n[Frequency_Modulation]\n"));
    ASSERT_TRUE(read.settings) << read.error.toStdString();
    const ModulationEntry& v = read.settings->entry(ModulationTab::Voltage);
    EXPECT_EQ(v.average, 0);
    EXPECT_EQ(v.depth, 5);
    EXPECT_EQ(v.rate, 0);
    EXPECT_EQ(v.runTime, 60);
    EXPECT_EQ(read.settings->entry(ModulationTab::Frequency).runTime, 60);
    EXPECT_EQ(read.settings->phaseMask, 1);
}

TEST_F(ModulationFileTest, BadContentIsRefusedByName) {
    const struct {
        QByteArray bytes;
        const char* named;
    } cases[] = {
        {"[Voltage_Modulation]\nDepth=ten\n", "[Voltage_Modulation] Depth"},
        {"[Frequency_Modulation]\nRun_Time=1e999\n", "[Frequency_Modulation] Run_Time"},
        {"[Voltage_Modulation]\nPhase_Selection=1.5\n", "[Voltage_Modulation] Phase_Selection"},
        {"[Voltage_Modulation]\nPhase_Selection=8\n", "[Voltage_Modulation] Phase_Selection"},
        {"[Voltage_Modulation]\nDepth=" + QByteArray(1 << 20, '7') + "x\n",
         "[Voltage_Modulation] Depth"},
        {QByteArray("[Voltage_Modulation]\nDepth=5\0\0\n", 31), "NUL"},
        {QByteArray("\x7f"
                    "ELF\x02\x01\x01\0\0\0",
                    10),
         "NUL"},
        {"just text\n", "not a modulation file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named);
        const QString path = write(c.bytes);
        const ModulationFileRead read = ReadModulationFile(path);
        EXPECT_FALSE(read.settings);
        EXPECT_TRUE(read.error.startsWith(path)) << read.error.left(200).toStdString();
        EXPECT_TRUE(read.error.contains(QLatin1String(c.named)))
            << read.error.left(200).toStdString();
        EXPECT_LT(read.error.size(), 300);
    }
}

TEST(ModulationExamples, ShippedFilesReadAndTheirTabFits) {
    const ModulationLimits limits{150, 16, 1000};
    const struct {
        const char* file;
        ModulationTab tab;
    } cases[] = {{"modulation-voltage-115V-3-phase.mod", ModulationTab::Voltage},
                 {"modulation-frequency-400Hz.mod", ModulationTab::Frequency}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const ModulationFileRead read = ReadModulationFile(
            QStringLiteral(OSTREL_SOURCE_DATA_DIR "/examples/") + QLatin1String(c.file));
        ASSERT_TRUE(read.settings) << read.error.toStdString();
        const ModulationEntry& e = read.settings->entry(c.tab);
        EXPECT_TRUE(ModulationTimingValid(e));
        EXPECT_EQ(ModulationRangeError(c.tab, e, limits), QString());
    }
}

} // namespace
