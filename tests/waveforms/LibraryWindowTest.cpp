// The disk waveform library window against the virtual source.
#include "WaveformFixture.h"

#include "core/Program.h"
#include "measure/GraphView.h"
#include "waveforms/frmWaveLibrary.h"

#include <QAbstractButton>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class LibraryWindow : public WaveformFixture {
protected:
    std::unique_ptr<frmWaveLibrary> open(const QString& folder) {
        program().settings.waveformLibrary = folder;
        auto w = std::make_unique<frmWaveLibrary>(program());
        w->show();
        return w;
    }
    static GraphView* thumbnail(QWidget* w, int n) {
        return w->findChild<GraphView*>(QStringLiteral("Wave_%1").arg(n));
    }
    static void click(QWidget* w, const char* name) {
        auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_TRUE(b && b->isEnabled()) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
};

TEST_F(LibraryWindow, GroupsOfTwelveReadWhenFirstShown) {
    const QString folder = libraryFolder();
    auto w = open(folder);
    EXPECT_EQ(w->windowTitle(),
              QStringLiteral("Disk Waveform Library - ") + QDir::toNativeSeparators(folder));
    auto* tabs = w->findChild<QTabBar*>(QStringLiteral("tbsWaveforms"));
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Group &2"));
    EXPECT_EQ(tabs->tabData(1).toString(), QStringLiteral("tbGroup2"));
    EXPECT_EQ(w->filesRead(), 12);
    EXPECT_EQ(thumbnail(w.get(), 0)->title(), QStringLiteral("2fast.abw"));
    EXPECT_EQ(thumbnail(w.get(), 2)->title(), QStringLiteral("bent.abw (damaged)"));
    EXPECT_EQ(thumbnail(w.get(), 2)->value(0, 300), 0.0f);
    EXPECT_EQ(thumbnail(w.get(), 0)->xTitle(), QString());
    EXPECT_EQ(thumbnail(w.get(), 0)->yTitle(), QStringLiteral("Voltage"));
    EXPECT_EQ(w->status(),
              QStringLiteral("Left Mouse button zooms, right click for popup menu..."));

    tabs->setCurrentIndex(1);
    EXPECT_EQ(w->filesRead(), 15);
    EXPECT_EQ(thumbnail(w.get(), 2)->title(), QStringLiteral("Wide.abw"));
    EXPECT_EQ(thumbnail(w.get(), 3)->title(), QString());

    // The popup's first entry: the file into the buffer, then the editor.
    int opened = 0;
    w->setOpenEditor([&] { ++opened; });
    w->openInEditor(2);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(program().waveform.samples[100], 1.5f);
    EXPECT_EQ(program().waveform.name, QStringLiteral("WIDE"));
}

TEST_F(LibraryWindow, DownloadAllReportsEachRefusalUnderItsFile) {
    connectSource();
    auto w = open(libraryFolder());
    click(w.get(), "cmdDownLoadAll");
    const QStringList messages = prompt().messages().filter(QStringLiteral("not downloaded"));
    ASSERT_EQ(messages.size(), 1) << prompt().messages().join('|').toStdString();
    const QStringList lines = messages[0].split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("2fast.abw (2FAST): the name is refused")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("bent.abw (BENT): "))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Wide.abw (WIDE): -222,")))
        << lines[3].toStdString();
    EXPECT_EQ(w->status(), QStringLiteral("12 of 15 waveforms downloaded."));
}

TEST_F(LibraryWindow, StopEndsTheBatchAfterTheWaveformInHand) {
    connectSource();
    auto w = open(libraryFolder());
    QTimer::singleShot(0, w.get(), [&] {
        EXPECT_TRUE(program().waveformTransferInProgress);
        click(w.get(), "cmdStop");
    });
    click(w.get(), "cmdDownLoadGroup");
    EXPECT_FALSE(w->downloading());
    const QStringList defined = received().filter(QStringLiteral("trac:def "));
    EXPECT_EQ(defined, QStringList{QStringLiteral("trac:def ALPHA")});
    EXPECT_EQ(received().filter(QStringLiteral("trac:data ALPHA,")).size(), 1);
    EXPECT_TRUE(w->status().endsWith(QStringLiteral(", stopped.")));
}

TEST_F(LibraryWindow, AMissingFolderIsCreatedWithTheShippedExamples) {
    program().settings.waveformLibrary.clear();
    frmWaveLibrary w(program());
    EXPECT_EQ(w.folder(), program().paths.userFile(QStringLiteral("waveforms")));
    EXPECT_GE(w.files().size(), 12);

    const QString gone = fixture.tempPath(QStringLiteral("elsewhere/none"));
    w.setFolder(gone);
    EXPECT_TRUE(w.files().isEmpty());
    EXPECT_EQ(thumbnail(&w, 0)->title(), QString());
}

} // namespace
