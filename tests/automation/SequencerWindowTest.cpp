// The sequencer and macro windows offscreen, driven by their controls' names
// against the virtual source.
#include "link/LinkConversation.h"

#include "automation/frmMacro.h"
#include "automation/SequencerWindows.h"
#include "automation/frmSequencer.h"
#include "app/frmMain.h"
#include "link/Readback.h"
#include "link/Waits.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

void saveShot(QWidget& window, const char* name) {
    const QString dir = QStringLiteral(OSTREL_SOURCE_DATA_DIR "/../docs/images");
    QDir().mkpath(dir);
    window.grab().save(dir + QLatin1Char('/') + QString::fromLatin1(name));
}

class SequencerWindow : public LinkConversation {
protected:
    void open(int model, QStringList args = {}) {
        start(QStringList{QStringLiteral("--model"), QString::number(model)} + args);
        ASSERT_EQ(identify(), model);
        ASSERT_FALSE(ReadBackState(program(), model));
        window = std::make_unique<frmSequencer>(program());
        window->show();
        for (QTableWidget* g : window->findChildren<QTableWidget*>(QStringLiteral("grdSequence")))
            grids[size_t(g->property("index").toInt())] = g;
        ASSERT_NE(grids[2], nullptr);
    }
    void type(int phase, int row, int column, const QString& text) {
        grids[size_t(phase)]->item(row, column)->setText(text);
    }
    QString cell(int phase, int row, int column) const {
        return grids[size_t(phase)]->item(row, column)->text();
    }
    void trigger(const char* name) {
        QAction* a = window->findChild<QAction*>(QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    QCheckBox* option(int index) {
        for (QCheckBox* b : window->findChildren<QCheckBox*>(QStringLiteral("chkTestOption")))
            if (b->property("index").toInt() == index) return b;
        return nullptr;
    }
    std::unique_ptr<frmSequencer> window;
    std::array<QTableWidget*, 3> grids{};
};

TEST_P(SequencerWindow, AThreePhaseRunMarksItsFailingRowAndFollowsTabA) {
    open(4);
    const QTabWidget* tabs = window->findChild<QTabWidget*>(QStringLiteral("tbsPhase"));
    EXPECT_TRUE(tabs->isTabVisible(2));
    const char* volts[3][3] = {{"115", "115", "120"}, {"115", "110", "120"}, {"115", "", "120"}};
    for (int p = 0; p < 3; ++p)
        for (int r = 0; r < 3; ++r) {
            if (p == 0) {
                type(0, r, SeqFreq, QStringLiteral("400"));
                type(0, r, SeqDwell, QStringLiteral("0"));
            }
            type(p, r, SeqVolt, QString::fromLatin1(volts[p][r]));
            type(p, r, SeqCurr, QStringLiteral("4"));
            type(p, r, HiColumn(SeqReadVoltage), QStringLiteral("125"));
            type(p, r, LoColumn(SeqReadVoltage), QStringLiteral("105"));
        }
    type(1, 1, HiColumn(SeqReadCurrent), QStringLiteral("2"));
    EXPECT_EQ(cell(2, 1, SeqFreq), QStringLiteral("400")) << "B and C follow tab A";
    EXPECT_FALSE(grids[1]->item(0, SeqDwell)->flags() & Qt::ItemIsEditable);
    trigger("mnuTRun");
    EXPECT_EQ(cell(0, 0, SeqStatus), QStringLiteral("PASS"));
    EXPECT_EQ(cell(1, 1, SeqStatus), QStringLiteral("FAIL"));
    EXPECT_EQ(cell(1, 1, ReadingColumn(SeqReadCurrent)), QStringLiteral("2.20"));
    EXPECT_EQ(grids[1]->item(1, ReadingColumn(SeqReadCurrent))->foreground().color(), QColor(0xc0, 0x20, 0x20));
    EXPECT_NE(grids[1]->item(1, ReadingColumn(SeqReadVoltage))->foreground().color(), QColor(0xc0, 0x20, 0x20));
    EXPECT_EQ(cell(2, 1, SeqStatus), QString()) << "an empty Volt sits the step out";
    EXPECT_EQ(cell(2, 2, ReadingColumn(SeqReadVoltage)), QStringLiteral("120.00"));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("End"));
    const_cast<QTabWidget*>(tabs)->setCurrentIndex(1);
    saveShot(*window, "frmSequencer.png");
    const QStringList report = window->reportLines();
    EXPECT_EQ(report.first(), QStringLiteral(" Stimulus - Response Test Report"));
    EXPECT_TRUE(report.contains(QStringLiteral("Phase C")));
    QString error;
    EXPECT_TRUE(window->writeReportPdf(tempPath(QStringLiteral("report.pdf")), error)) << error.toStdString();
}

TEST_P(SequencerWindow, NumericCellsTakeNumbersInTheLocaleOnly) {
    program().decimalSeparator = QLatin1Char(',');
    open(0);
    type(0, 0, SeqVolt, QStringLiteral("115,5"));
    type(0, 0, SeqCurr, QStringLiteral("five"));
    EXPECT_EQ(cell(0, 0, SeqCurr), QString());
    EXPECT_EQ(window->table().phases[0][0][SeqVolt], QStringLiteral("115.5"));
    EXPECT_FALSE(window->findChild<QTabWidget*>(QStringLiteral("tbsPhase"))->isTabVisible(1))
        << "single-phase mode shows tab A only";
}

TEST_P(SequencerWindow, ClosingMidRunStopsItAndRunsTheEndHandlingFirst) {
    open(0);
    type(0, 0, SeqFreq, QStringLiteral("60"));
    type(0, 0, SeqVolt, QStringLiteral("115"));
    type(0, 0, SeqCurr, QStringLiteral("5"));
    type(0, 0, SeqDwell, QStringLiteral("30"));
    option(4)->setChecked(true); // Output OFF
    QTimer::singleShot(300, window.get(), [this] { window->close(); });
    trigger("mnuTRun");
    EXPECT_FALSE(window->running());
    EXPECT_TRUE(WaitUntil([this] { return !window->isVisible(); }, 2000))
        << "the window closes once the run has unwound";
    EXPECT_TRUE(prompt().messages().contains(QStringLiteral("Test sequence aborted by user at step 1")));
    EXPECT_TRUE(received().contains(QStringLiteral("outp 0")));
}

TEST_P(SequencerWindow, ARefusedFileLeavesTheGridAsItWasAndChangesAreOfferedForSaving) {
    open(0);
    type(0, 0, SeqVolt, QStringLiteral("115"));
    const QString damaged = tempPath(QStringLiteral("damaged.seq"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("OSTREL-SEQ 1\n[Phase A]\n\"too\",\"few\"\n");
    }
    prompt().clear();
    EXPECT_FALSE(window->openFile(damaged));
    EXPECT_EQ(prompt().messages(), QStringList{damaged + QStringLiteral(", line 3: 2 cells, not 21")});
    EXPECT_EQ(cell(0, 0, SeqVolt), QStringLiteral("115"));

    prompt().answer(PromptAnswer::Yes);
    prompt().chooseFile(tempPath(QStringLiteral("kept")));
    window->close();
    EXPECT_EQ(prompt().questions().first(),
              QStringLiteral("You made changes to the test parameters.\r\nWould you like to save these changes?"));
    const SequenceRead saved = ReadSequenceFile(tempPath(QStringLiteral("kept.seq")));
    ASSERT_TRUE(saved.table) << saved.error.toStdString();
    EXPECT_EQ(saved.table->phases[0][0][SeqVolt], QStringLiteral("115"));
    EXPECT_TRUE(QFile::exists(tempPath(QStringLiteral("kept.ini"))));
}

INSTANTIATE_TEST_SUITE_P(Lan, SequencerWindow, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

class MacroWindow : public LinkConversation {
protected:
    void SetUp() override {
        start({QStringLiteral("--model"), QStringLiteral("0")});
        ASSERT_EQ(identify(), 0);
        window = std::make_unique<frmMacro>(program());
        window->show();
    }
    template <class W>
    W* child(const char* name) {
        W* w = window->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void addLine(const QString& text) {
        child<QListWidget>("lstMacro")->setCurrentRow(-1);
        child<QLineEdit>("txtEditLine")->setText(text);
        child<QPushButton>("cmdEdit")->click();
    }
    std::unique_ptr<frmMacro> window;
};

TEST_P(MacroWindow, LinesTypedInPlayAndTheReplyShows) {
    for (const char* line : {"' set up", "volt 12.5", "outp 1", "meas:volt?", "#DELAY 0.1", "outp 0"})
        addLine(QString::fromLatin1(line));
    EXPECT_EQ(child<QListWidget>("lstMacro")->count(), 6);
    child<QPushButton>("cmdRun")->click();
    EXPECT_EQ(child<QLabel>("lblRespData")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Execution completed."));
    saveShot(*window, "frmMacro.png");

    // Stepping runs the selected line and moves on.
    child<QListWidget>("lstMacro")->setCurrentRow(1);
    child<QPushButton>("cmdStep")->click();
    EXPECT_EQ(child<QListWidget>("lstMacro")->currentRow(), 2);
}

TEST_P(MacroWindow, AbortCutsARunningDelayShort) {
    addLine(QStringLiteral("#DELAY 30"));
    addLine(QStringLiteral("volt 7"));
    child<QCheckBox>("chkLoop")->setChecked(true);
    QTimer::singleShot(200, window.get(), [this] {
        EXPECT_TRUE(child<QPushButton>("cmdAbort")->isEnabled());
        child<QPushButton>("cmdAbort")->click();
    });
    child<QPushButton>("cmdRun")->click();
    EXPECT_FALSE(window->running());
    EXPECT_EQ(window->statusBar()->currentMessage(), QStringLiteral("Execution aborted by user."));
    EXPECT_FALSE(received().contains(QStringLiteral("volt 7")));
}

TEST_P(MacroWindow, TheTextEditorOpensTheSavedFile) {
    addLine(QStringLiteral("*idn?"));
    QString opened;
    window->setOpener([&](const QString& path) {
        opened = path;
        return true;
    });
    prompt().chooseFile(tempPath(QStringLiteral("first")));
    window->findChild<QAction*>(QStringLiteral("mnuENotepad"))->trigger();
    EXPECT_EQ(opened, tempPath(QStringLiteral("first.txt"))) << "unsaved: Save As first";
    EXPECT_EQ(prompt().messages().last(),
              QStringLiteral("Macro file open for editing. Use File, Open to reload after editing."));
    QString error;
    EXPECT_TRUE(window->writeListingPdf(tempPath(QStringLiteral("listing.pdf")), error)) << error.toStdString();
    window->setLines({});
    EXPECT_FALSE(window->writeListingPdf(tempPath(QStringLiteral("none.pdf")), error));
    EXPECT_EQ(error, QStringLiteral("Noting to print."));
}

INSTANTIATE_TEST_SUITE_P(Lan, MacroWindow, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace

namespace {

// The main window's entries (and the sequencer's toolbar key) open the windows.
TEST(SequencerMenuEntries, OpenTheirWindows) {
    ProgramFixture f;
    frmMain main(f.program());
    RegisterSequencerWindows(main, f.program());
    for (const char* name : {"mnuSSequencer", "mnuOMacros"}) {
        QAction* entry = main.action(QString::fromLatin1(name));
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_TRUE(entry->isEnabled()) << name;
        entry->trigger();
        EXPECT_NE(main.windows().find(QString::fromLatin1(name)), nullptr) << name;
    }
    const QAction* key = main.findChild<QAction*>(QStringLiteral("tb-sequencer"));
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->isEnabled());
    EXPECT_NE(qobject_cast<frmSequencer*>(main.windows().find(QStringLiteral("mnuSSequencer"))), nullptr);
    EXPECT_NE(qobject_cast<frmMacro*>(main.windows().find(QStringLiteral("mnuOMacros"))), nullptr);
    main.windows().closeAll();
}

} // namespace
