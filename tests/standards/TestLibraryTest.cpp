// Where the engine finds its files (per-user first, case ignored, "\" as
// "/"), library entries and revisions, the group/mode rules, and the window
// start's waveform downloads on the virtual source.
#include "EngineConversation.h"

#include "standards/GroupRules.h"
#include "standards/TestLibrary.h"
#include "standards/TestStandard.h"
#include "standards/WindowStart.h"

#include <QDir>
#include <QFile>

using namespace ostrel;
using namespace ostrel::test;

namespace {

void writeFile(const QString& path, const QByteArray& text = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class TestLibrary : public EngineConversation {
protected:
    void SetUp() override {
        Paths& p = program().paths;
        p.dataDir = tempPath(QStringLiteral("data"));
        QDir().mkpath(p.dataDir);
    }
    const Paths& paths() { return program().paths; }
};

} // namespace

TEST_F(TestLibrary, PerUserCopyWinsNamesMatchWithoutCaseAndShippedFilesSaveAsPerUser) {
    writeFile(paths().dataDir + QStringLiteral("/DO160_RevF/DO160_Structure_ACF115.ini"));
    writeFile(paths().dataDir + QStringLiteral("/DO160_RevF/Shipped_Only.ini"));
    const QString own = paths().userDir + QStringLiteral("/do160_revf/do160_structure_acf115.INI");
    writeFile(own);
    const TestStandard& s = Do160Standard();
    const QString folder = LibraryFolder(QStringLiteral("DO160_RevF"));
    EXPECT_EQ(folder, QStringLiteral("\\DO160_RevF\\"));
    EXPECT_EQ(StructureTablePath(paths(), s, folder, 0), own);
    const QString shipped = SequenceFilePath(paths(), folder, QStringLiteral("shipped_only"));
    EXPECT_EQ(shipped, paths().dataDir + QStringLiteral("/DO160_RevF/Shipped_Only.ini"));
    EXPECT_TRUE(StructureTablePath(paths(), s, LibraryFolder(s.libraryEntries[1]), 0).isEmpty());
    EXPECT_EQ(SaveTargetPath(paths(), shipped), paths().userDir + QStringLiteral("/DO160_RevF/Shipped_Only.ini"));
    EXPECT_TRUE(QFileInfo(paths().userDir + QStringLiteral("/DO160_RevF")).isDir());
    EXPECT_EQ(SaveTargetPath(paths(), own), own);
}

TEST_F(TestLibrary, UserLibrariesFollowTheEntriesAndCountAsTheNewestRevision) {
    writeFile(paths().dataDir + QStringLiteral("/DO160UserTestLibraries.txt"), "\"Lab A\"\n\nLab_B\n");
    const TestStandard& s = Do160Standard();
    const QStringList entries = LibraryEntries(paths(), s);
    ASSERT_EQ(entries.size(), 9);
    EXPECT_EQ(entries[1], QStringLiteral("DO160_RevB - Not Available"));
    EXPECT_EQ(entries[5], QStringLiteral("DO160_RevF"));
    EXPECT_EQ(entries[7], QStringLiteral("Lab A"));
    EXPECT_EQ(s.revisionIndex(8), 6);
    EXPECT_EQ(s.waveformListFile(s.revisionIndex(8)), QStringLiteral("DO160G_WaveformList.txt"));
    EXPECT_EQ(s.waveformListFile(5), QStringLiteral("DO160F_WaveformList.txt"));
}

TEST_F(TestLibrary, GroupsFitTheirModeAndFallBackWithTheirWarning) {
    const TestStandard& s = Do160Standard();
    OutputState out;
    out.Frequency = 400;
    EXPECT_EQ(DefaultGroup(s, out), 0);
    out.HighRange = 1;
    EXPECT_EQ(DefaultGroup(s, out), 1);
    out.Frequency = 400.1f;
    EXPECT_EQ(DefaultGroup(s, out), 5);
    out.OutputMode = ModeDC;
    EXPECT_EQ(DefaultGroup(s, out), 6);

    EXPECT_TRUE(GroupRefusal(s, 4, ModeACDC).isEmpty());
    EXPECT_TRUE(GroupRefusal(s, 11, ModeAC).startsWith(QLatin1String("WARNING: Power source is in AC mode.\r\n")));
    EXPECT_TRUE(GroupRefusal(s, 2, ModeDC).startsWith(QLatin1String("WARNING: Power source is in DC mode.\r\n")));
    const GroupFallback toDc = FallbackGroup(s, 3, ModeDC);
    EXPECT_EQ(toDc.group, 6);
    EXPECT_TRUE(toDc.warning.contains(QLatin1String("Power group Category A(DC) has been")));
    const GroupFallback toAc = FallbackGroup(s, 8, ModeAC);
    EXPECT_EQ(toAc.group, 0);
    EXPECT_TRUE(toAc.warning.contains(QLatin1String("to AC or AC+DC mode. Power group Category A(CF) has")));
    EXPECT_TRUE(FallbackGroup(s, 8, ModeDC).warning.isEmpty());
}

TEST_F(TestLibrary, WindowStartReplacesOnlyWaveformsItCanDownloadAndReadsTheCatalogAgain) {
    connect();
    writeFile(paths().dataDir + QStringLiteral("/DO160F_WaveformList.txt"), "EX_DIST\nNO_FILE\n");
    QFile::copy(QStringLiteral(OSTREL_SOURCE_DATA_DIR "/EX_DIST.abw"), paths().dataDir + QStringLiteral("/EX_DIST.abw"));
    ASSERT_TRUE(QFile::exists(paths().dataDir + QStringLiteral("/EX_DIST.abw")));
    // Both names are on the source already.
    program().link.Send(0, QStringLiteral("trac:def EX_DIST;:trac:def NO_FILE"));
    program().sourceModel.WaveformNames[3] = QStringLiteral("EX_DIST");
    program().sourceModel.WaveformNames[4] = QStringLiteral("NO_FILE");
    const qsizetype start = mark();
    const WindowStartResult r = RunWindowStart(program(), Do160Standard(), 5);
    EXPECT_EQ(r.waveforms.downloaded, QStringList{QStringLiteral("EX_DIST")});
    EXPECT_EQ(r.waveforms.missing, QStringList{QStringLiteral("NO_FILE")});
    EXPECT_EQ(r.defaultGroup, 0);
    EXPECT_EQ(r.sampleInterval, QStringLiteral("0.0000025"));
    const QStringList lines = receivedSince(start);
    EXPECT_EQ(IndexOf(lines, QStringLiteral("trac:del NO_FILE")), -1);
    const qsizetype removed = IndexOf(lines, QStringLiteral("trac:del EX_DIST"));
    ASSERT_GE(removed, 0);
    EXPECT_GT(IndexOf(lines, QStringLiteral("trac:def EX_DIST"), removed), removed);
    EXPECT_GT(IndexOf(lines, QStringLiteral("trac:cat?"), removed), removed);
    EXPECT_GE(IndexOf(lines, QStringLiteral("list:volt 0;:list:volt:slew max")), 0);
    EXPECT_GE(IndexOf(lines, QStringLiteral("list:freq 400.0;:list:freq:slew max")), 0);
    EXPECT_GE(IndexOf(lines, QStringLiteral("sens:swe:offs 0")), 0);
}
