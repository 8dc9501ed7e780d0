// The shipped DO-160 example library: every file is marked as an example,
// loads, and keeps the rules the examples promise (headers in their fixed
// places, numbers where the run programs them, each test ending at nominal).
#include "config/IniFile.h"
#include "link/SourceModel.h"
#include "panel/SetupFile.h"
#include "standards/CompileGroup.h"
#include "standards/DistortionLimits.h"
#include "standards/TestFiles.h"
#include "standards/TestStandard.h"
#include "standards/TestSteps.h"
#include "waveforms/AbwFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
const QString kLibrary = kData + "/DO160_RevF/";
const QString kMark = QString::fromUtf8(
    "; EXAMPLE — not the values of RTCA DO-160. Check every level, duration and limit against "
    "your licensed copy of DO-160 section 16 before use.");

struct Group {
    const char* code;
    float nominal;
    bool dc;
};
constexpr Group kGroups[] = {
    {"ACF115", 115, false}, {"ACF230", 230, false}, {"ANF115", 115, false}, {"ANF230", 230, false},
    {"AWF115", 115, false}, {"AWF230", 230, false}, {"ADC28", 28, true},    {"ADC14", 14, true},
    {"BDC28", 28, true},    {"BDC14", 14, true},    {"ZDC28", 28, true},    {"ZDC14", 14, true},
};

QString firstLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readLine()).trimmed();
}

bool isNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

void checkSequence(const QString& path, const Group& g) {
    SCOPED_TRACE(path.toStdString());
    EXPECT_EQ(firstLine(path), kMark);
    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    EXPECT_TRUE(ini.value(u"Dimensions", u"Description").startsWith("EXAMPLE:"));
    const int rows = ini.value(u"Dimensions", u"NoRows").toInt();
    const int cols = ini.value(u"Dimensions", u"NoCols").toInt();
    ASSERT_GT(rows, 0);
    ASSERT_LE(cols, 25);
    QStringList headers;
    for (int c = 0; c <= cols; ++c)
        headers << ini.value(u"GridData", QString::number(c) + "Header");
    EXPECT_EQ(headers.size(), QSet<QString>(headers.begin(), headers.end()).size()) << "unique";
    const std::pair<int, const char*> fixed[] = {{1, "Freq"},   {3, "Volt_A"}, {6, "Volt_B"},
                                                 {9, "Volt_C"}, {12, "Dwell"}, {13, "Loop"}};
    for (const auto& [c, h] : fixed)
        EXPECT_EQ(headers.value(c), h);
    EXPECT_EQ(headers.value(cols - 1), "Comment");
    EXPECT_EQ(headers.value(cols), "Description");
    for (int r = 1; r <= rows; ++r) {
        const QString section = QString::number(r) + "RowData";
        const auto cell = [&](const QString& header) { return ini.value(section, header); };
        SCOPED_TRACE(r);
        for (const char* h : {"Volt_A", "Volt_B", "Volt_C", "Dwell"})
            EXPECT_TRUE(isNumber(cell(h))) << h;
        if (!g.dc) {
            EXPECT_TRUE(isNumber(cell("Freq")));
        }
        for (const QString& h : headers.filter("Slew"))
            EXPECT_TRUE(cell(h) == "MAX" || isNumber(cell(h))) << h.toStdString();
        for (const char* h : {"Loop", "Link"})
            EXPECT_TRUE(cell(h).isEmpty() || cell(h).toInt() >= 0) << h;
        EXPECT_EQ(cell("Comment"), "example");
        EXPECT_TRUE(cell("Description").startsWith("EXAMPLE:"));
    }
    const QString last = QString::number(rows) + "RowData";
    for (const char* h : {"Volt_A", "Volt_B", "Volt_C"})
        EXPECT_FLOAT_EQ(ini.value(last, QString::fromLatin1(h)).toFloat(), g.nominal)
            << "ends at nominal";
    if (!g.dc) {
        EXPECT_FLOAT_EQ(ini.value(last, u"Freq").toFloat(), 400);
    }
}

TEST(Do160Examples, EveryGroupsTableAndTestIsMarkedAndLoads) {
    int sequences = 0;
    for (const Group& g : kGroups) {
        const QString path = kLibrary + "DO160_Structure_" + g.code + ".ini";
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(firstLine(path), kMark);
        IniFile ini;
        ASSERT_TRUE(ini.load(path));
        EXPECT_TRUE(ini.value(u"Dimensions", u"Description").startsWith("EXAMPLE:"));
        const int rows = ini.value(u"Dimensions", u"NoRows").toInt();
        const int cols = ini.value(u"Dimensions", u"NoCols").toInt();
        ASSERT_GT(rows, 1);
        ASSERT_LE(cols, 12);
        const QString fileHeader = ini.value(u"GridData", QString::number(cols) + "Header");
        bool emptyRow = false;
        for (int r = 1; r <= rows; ++r) {
            const QString section = QString::number(r) + "RowData";
            EXPECT_EQ(ini.value(section, u"Section"), "16");
            EXPECT_TRUE(ini.value(section, u"Test No.").startsWith("Ex "));
            const QString name = ini.value(section, fileHeader);
            if (name.isEmpty()) {
                emptyRow = true;
                continue;
            }
            checkSequence(kLibrary + name + ".ini", g);
            ++sequences;
        }
        EXPECT_TRUE(emptyRow) << "a row without a test";
    }
    EXPECT_EQ(sequences, 18);
    EXPECT_EQ(QDir(kLibrary).entryList({"*.ini"}).size(), 12 + 18 + 1) << "no file left unused";
}

// Through the engine's readers and checks: each test compiles on one and on
// three phases, as the run would program it.
TEST(Do160Examples, EveryTestPassesTheRunsChecksAndCompiles) {
    const TestStandard& standard = Do160Standard();
    ASSERT_EQ(standard.groups.size(), std::size(kGroups));
    for (size_t i = 0; i < standard.groups.size(); ++i) {
        const PowerGroup& group = standard.groups[i];
        ASSERT_EQ(group.code, kGroups[i].code);
        QString error;
        const auto table =
            ReadStructureTable(kLibrary + standard.structurePrefix + group.code + ".ini", error);
        ASSERT_TRUE(table) << error.toStdString();
        EXPECT_TRUE(table->description.contains(group.caption)) << group.code.toStdString();
        for (int r = 1; r <= int(table->rows.size()); ++r) {
            const QString name = table->sequenceName(r);
            if (name.isEmpty()) continue;
            const auto file = ReadSequenceFile(kLibrary + name + ".ini", u'.', error);
            ASSERT_TRUE(file) << error.toStdString();
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(CheckStepColumns(file->grid), "");
            EXPECT_EQ(CheckGroupSizes(file->grid), "");
            for (const bool threePhase : {false, true}) {
                EXPECT_EQ(CheckStepCells(file->grid, group.dc, threePhase, u'.'), "");
                for (const StepGroupSpan& span : StepGroups(file->grid)) {
                    CompileOptions options;
                    options.dc = group.dc;
                    options.threePhase = threePhase;
                    EXPECT_EQ(CompileGroup(file->grid, span.first, span.last, options).error, "");
                }
            }
        }
    }
}

TEST(Do160Examples, LimitsGiveSetsOneAndThreeAndNoThdLimitInDc) {
    const QString path = kLibrary + "DO160_Distortion_Limits.ini";
    EXPECT_EQ(firstLine(path), kMark);
    for (const int set : {0, 1, 3}) {
        const DistortionLimitsRead r = ReadDistortionLimits(path, set);
        ASSERT_TRUE(r.ok && r.found) << r.error.toStdString();
        EXPECT_EQ(r.limits.thdLimit > 0, set != 0) << set;
        EXPECT_EQ(r.limits.harmonic[2].has_value(), set != 0) << set;
    }
}

TEST(Do160Examples, TheListedWaveformAndTheSetupsLoad) {
    QFile list(kData + "/DO160F_WaveformList.txt");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    const QStringList names = QString::fromUtf8(list.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(names, QStringList{"EX_DIST"});
    QString error;
    const auto samples = ReadAbwFile(kData + "/EX_DIST.abw", error);
    ASSERT_TRUE(samples) << error.toStdString();
    double peak = 0;
    for (int k = 0; k < kWaveformPeriod; ++k)
        peak = std::max(peak, std::abs((*samples)[static_cast<size_t>(k)]));
    EXPECT_NEAR(peak, 1.0, 1e-6);

    SourceModel model; // model index 0, single phase
    struct Setup {
        const char* file;
        int mode;
        int range;
        float volts;
    };
    for (const Setup s : {Setup{"single-phase-115V-400Hz.stp", 0, 0, 115},
                          Setup{"single-phase-230V-400Hz-high-range.stp", 0, 1, 230},
                          Setup{"dc-28V.stp", 1, 0, 28}}) {
        const SetupReadResult r =
            ReadSetupFile(kData + "/examples/" + s.file, model, OutputState{});
        ASSERT_TRUE(r.ok) << s.file << " " << r.error.toStdString();
        EXPECT_EQ(r.state.OutputMode, s.mode) << s.file;
        EXPECT_EQ(r.state.HighRange, s.range) << s.file;
        EXPECT_FLOAT_EQ(s.mode == 1 ? r.state.Phase[0].DcVoltage : r.state.Phase[0].Voltage,
                        s.volts);
        EXPECT_FLOAT_EQ(r.state.Frequency, 400);
    }
}

} // namespace
