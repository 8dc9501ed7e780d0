// The MIL-STD-704 and airframer table windows, offscreen and driven by their
// controls' names: each opens on its default group per mode and phase count,
// falls back with its own warning, shows the A350 switching-transients row,
// and the menu entry offers the phase angles before it opens. With
// OSTREL_SCREENSHOT_DIR set the windows are also saved as pictures.
#include "core/Program.h"
#include "app/frmMain.h"
#include "standards/StandardWindows.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

void screenshot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    window->grab().save(dir + "/" + name + ".png");
}

class StandardWindow : public ::testing::Test {
protected:
    Program& program() { return fixture.program(); }
    ScriptedPrompt& prompt() { return fixture.prompt(); }
    void supply(int mode, bool threePhase) {
        OutputState& out = program().outputState;
        out.OutputMode = mode;
        out.MultiPhaseOutput = threePhase ? 1 : 0;
        out.Frequency = 800; // a DO-160 rule would pick a wide-frequency group here
        for (auto& p : out.Phase)
            p.Voltage = 115, p.DcVoltage = 28;
        out.Phase[1].PhaseAngle = 240;
        out.Phase[2].PhaseAngle = 120;
    }
    frmTestTables* open(const TestStandard& s) {
        window = new frmTestTables(program(), s);
        window->resize(1100, 720);
        window->show();
        return window;
    }
    template <class W> W* control(const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name;
        return nullptr;
    }
    static frmTestTables* openTable() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<frmTestTables*>(w)) return t;
        return nullptr;
    }
    ProgramFixture fixture;
    QPointer<frmTestTables> window;
    void TearDown() override { delete window.data(); }
};

} // namespace

TEST_F(StandardWindow, EachOpensOnItsDefaultGroupPerModeAndPhaseCount) {
    const struct {
        const TestStandard* s;
        int mode;
        bool three;
        int group;
        const char* caption;
        const char* library;
        int rows;
        const char* entry;
        bool entryEnabled;
    } cases[] = {
        {&Ms704Standard(), ModeAC, false, 1, "TAC: 115V/400 Hz CF AC 3 Phs", "MS704_RevF", 2, "400_Hz", false},
        {&Ms704Standard(), ModeACDC, true, 1, "TAC: 115V/400 Hz CF AC 3 Phs", "MS704_RevF", 2, "400_Hz", false},
        {&Ms704Standard(), ModeDC, false, 6, "HDC: 270V DC", "MS704_RevF", 2, "DC", false},
        {&Abd010018Standard(), ModeAC, true, 0, "Table A: 115V/400 Hz CF AC Power", "ABD010018_RevA", 3, "400_Hz", false},
        {&Abd010018Standard(), ModeDC, false, 3, "Table D: Conventional 28V DC Network Power", "ABD010018_RevA", 3, "DC", false},
        {&AbdA350Standard(), ModeAC, true, 5, "TCF: 115VAC, 400Hz", "ABD_A350_RevB", 4, "400_Hz", false},
        {&AbdA350Standard(), ModeAC, false, 4, "SCF: 115VAC, 400Hz", "ABD_A350_RevB", 4, "400_Hz", false},
        {&Amd24Standard(), ModeAC, true, 1, "TCF: 115V/400 Hz CF AC 3 Phs", "AMD24_RevC", 3, "400_Hz", false},
        {&Amd24Standard(), ModeDC, false, 4, "LDC: 28V DC", "AMD24_RevC", 3, "DC", false},
        {&B787Standard(), ModeAC, true, 0, "AC: 115V / 360 - 800 Hz VF", "B787_RevA", 3, "400_Hz", true},
        {&B787Standard(), ModeDC, false, 4, "DC Type 1: 28 Vdc", "B787_RevA", 3, "DC", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s->windowName.toStdString() + (c.mode == ModeDC ? " DC" : c.three ? " 3 phase" : " 1 phase"));
        supply(c.mode, c.three);
        prompt().clear();
        open(*c.s);
        EXPECT_EQ(window->objectName(), c.s->windowName);
        EXPECT_EQ(window->powerGroup(), c.group);
        EXPECT_TRUE(control<QRadioButton>("optTestTable", c.group)->isChecked());
        EXPECT_EQ(control<QLabel>("lblTestGroup")->text(), QLatin1String(c.caption));
        EXPECT_EQ(control<QComboBox>("cmbAirFrame")->currentText(), QLatin1String(c.library));
        EXPECT_EQ(control<QTableWidget>("grdTestNumbers")->rowCount(), c.rows);
        EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), QLatin1String(c.entry));
        EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->isEnabled(), c.entryEnabled);
        EXPECT_FALSE(control<QLineEdit>("txtTestFileHeader")->text().isEmpty());
        EXPECT_EQ(prompt().messages(), QStringList()) << "no load failure, no warning";
        if (c.s == &Ms704Standard() && c.three) {
            control<QTabWidget>("tabSections")->setCurrentIndex(1);
            screenshot(window, "frmMS704_Tables-TAC");
        }
        if (c.s == &AbdA350Standard() && c.three) screenshot(window, "frmABD_A350Tables-RevB");
        if (c.s == &B787Standard() && c.mode == ModeAC) {
            control<QTabWidget>("tabSections")->setCurrentIndex(2);
            EXPECT_EQ(control<QLabel>("lblUnBal")->text(), "Total VA                Unbal.");
            EXPECT_TRUE(control<QLineEdit>("txtCurrPhase", 2) != nullptr);
            screenshot(window, "frmB787_Tables-measurements");
        }
        delete window.data();
    }
}

TEST_F(StandardWindow, ModeChangeFallsBackWithTheSetsOwnWarning) {
    supply(ModeAC, false);
    open(Ms704Standard());
    program().outputState.OutputMode = ModeDC;
    QApplication::setActiveWindow(window);
    QTest::qWait(20);
    EXPECT_EQ(window->powerGroup(), 6);
    EXPECT_EQ(prompt().messages(), QStringList{Ms704Standard().dcFallbackWarning});
    EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), "DC");
    // Choosing an AC group in DC mode is refused with the engine's warning; the choice stays.
    prompt().clear();
    control<QRadioButton>("optTestTable", 0)->click();
    EXPECT_EQ(window->powerGroup(), 6);
    EXPECT_EQ(prompt().messages(), QStringList{Do160Standard().acGroupInDcWarning});
    // The 60 Hz group takes its own entry, fixed.
    program().outputState.OutputMode = ModeAC;
    control<QRadioButton>("optTestTable", 4)->click();
    EXPECT_EQ(window->powerGroup(), 4);
    EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), "60_Hz");
    EXPECT_FALSE(control<QComboBox>("cmbTestFrequency")->isEnabled());
}

TEST_F(StandardWindow, A350RowOpensNothingAndSaysSo) {
    supply(ModeAC, false);
    open(AbdA350Standard());
    QTableWidget* tests = control<QTableWidget>("grdTestNumbers");
    const QTableWidgetItem* row = tests->item(3, 0);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->text(), "Click here to Open Switching Transients Screen ");
    EXPECT_EQ(row->foreground().color(), QColor(10, 100, 255));
    const QString before = control<QLineEdit>("txtTestFileHeader")->text();
    emit tests->cellClicked(3, 0);
    EXPECT_EQ(prompt().status(1), "Switching transients screen not available.");
    EXPECT_EQ(control<QLineEdit>("txtTestFileHeader")->text(), before);
    // Revision A has no such row.
    control<QComboBox>("cmbAirFrame")->setCurrentIndex(0);
    EXPECT_EQ(prompt().messages().value(0).left(11), "Load FAILED") << "no RevA library is shipped";
}

TEST_F(StandardWindow, MenuEntryOffersThePhaseAnglesAndNoOpensNothing) {
    frmMain main(program());
    RegisterStandardWindows(main, program());
    supply(ModeAC, true);
    program().outputState.Phase[1].PhaseAngle = 235;
    QAction* entry = main.findChild<QAction*>("mnuAMS704Tables");
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->isEnabled());
    prompt().answer(PromptAnswer::No);
    entry->trigger();
    EXPECT_EQ(prompt().questions().value(0).split("\r\n").value(1), "with the MilStd704 test? (Output will be turned");
    EXPECT_FALSE(openTable()) << "No opens nothing";
    EXPECT_DOUBLE_EQ(program().outputState.Phase[1].PhaseAngle, 235);

    prompt().answer(PromptAnswer::Yes);
    main.findChild<QAction*>("mnuAB787Tables")->trigger();
    EXPECT_EQ(prompt().questions().value(1).split("\r\n").value(1), "with the B787 test? (Output will be turned");
    EXPECT_DOUBLE_EQ(program().outputState.Phase[1].PhaseAngle, 240);
    EXPECT_DOUBLE_EQ(program().outputState.Phase[2].PhaseAngle, 120);
    frmTestTables* opened = openTable();
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->objectName(), "frmB787_Tables");
    delete opened;
}

TEST_F(StandardWindow, B787RevisionChoiceRecaptionsTheGroupsAndLoadsTheirTables) {
    // A revision C library of the operator's: the 235 V table beside the 115 V one.
    const QString shipped = QStringLiteral(OSTREL_SOURCE_DATA_DIR) + "/B787_RevA/";
    const QString own = program().paths.userFile("B787_RevC/");
    QDir().mkpath(own);
    for (const auto& [from, to] : {std::pair{"787_Structure_Tbl_115VAC.ini", "787_Structure_Tbl_115VAC.ini"},
                                   std::pair{"787_Structure_Tbl_230VAC.ini", "787_Structure_Tbl_235VAC.ini"},
                                   std::pair{"115VAC_Ex1_Nominal.ini", "115VAC_Ex1_Nominal.ini"}})
        ASSERT_TRUE(QFile::copy(shipped + from, own + to));
    supply(ModeAC, true);
    open(B787Standard());
    const auto caption = [&](int i) { return control<QRadioButton>("optTestTable", i)->text(); };
    EXPECT_EQ(caption(1), "AC: 230V / 360 - 800 Hz VF");
    EXPECT_EQ(caption(5), "DC Type 2: 24 Vdc");
    control<QTabWidget>("tabSections")->setCurrentIndex(0);
    screenshot(window, "frmB787_Tables-RevA");

    control<QComboBox>("cmbAirFrame")->setCurrentIndex(2);
    EXPECT_EQ(prompt().messages(), QStringList());
    EXPECT_EQ(control<QComboBox>("cmbAirFrame")->currentText(), "B787_RevC");
    EXPECT_EQ(caption(1), "AC: 235V / 360 - 800 Hz VF");
    EXPECT_EQ(caption(5), "DC Type 2: 28 Vdc");
    EXPECT_EQ(caption(6), "DC Type 3: 28 Vdc");
    control<QRadioButton>("optTestTable", 1)->click();
    EXPECT_EQ(window->powerGroup(), 1);
    EXPECT_EQ(control<QLabel>("lblTestGroup")->text(), "AC: 235V / 360 - 800 Hz VF");
    screenshot(window, "frmB787_Tables-RevC");

    // Back at revision A the 230 V table returns under its own caption.
    control<QComboBox>("cmbAirFrame")->setCurrentIndex(0);
    EXPECT_EQ(caption(1), "AC: 230V / 360 - 800 Hz VF");
    EXPECT_EQ(control<QLabel>("lblTableHeader")->text(), "EXAMPLE: AC: 230V / 360 - 800 Hz VF tests");
    EXPECT_EQ(B787RevisionSet(2).groups[5].reportPrefix, "B787_DC28T2-");
    EXPECT_EQ(B787RevisionSet(1).groups[5].reportPrefix, "B787_DC24T2-");
}

// The remembered revision opens when its library is there, else the newest that is.
TEST_F(StandardWindow, OpensOnTheRememberedRevisionWhenItsLibraryIsThere) {
    QDir().mkpath(program().paths.userFile("B787_RevC"));
    for (const char* name : {"787_Structure_Tbl_115VAC.ini", "115VAC_Ex1_Nominal.ini"})
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DATA_DIR) + "/B787_RevA/" + name,
                    program().paths.userFile(QStringLiteral("B787_RevC/") + name));
    const struct {
        const TestStandard* s;
        const char* remembered;
        const char* opens;
    } cases[] = {
        {&Ms704Standard(), "1", "MS704_RevF"},   // no RevB library
        {&Ms704Standard(), "9", "MS704_RevF"},   // beyond the list
        {&B787Standard(), "2", "B787_RevC"},     // the operator's own copy
        {&B787Standard(), "junk", "B787_RevA"},
    };
    supply(ModeAC, false);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.opens) + " from " + c.remembered);
        program().store().SaveSetting("UserPreferences", c.s->revisionPreference, c.remembered);
        prompt().clear();
        open(*c.s);
        EXPECT_EQ(control<QComboBox>("cmbAirFrame")->currentText(), QLatin1String(c.opens));
        EXPECT_EQ(prompt().messages(), QStringList());
        window->close();
        QTest::qWait(1);
        EXPECT_EQ(program().store().GetSetting("UserPreferences", c.s->revisionPreference, {}),
                  QString::number(c.s->libraryEntries.indexOf(QLatin1String(c.opens))));
        delete window.data();
    }
    EXPECT_EQ(B787RevisionSet(2).groups[1].caption, "AC: 235V / 360 - 800 Hz VF");
}

// On a source with a lagging load the window shows each phase's harmonic-1
// current phase as the source's harmonic phase array gives it.
TEST_F(StandardWindow, CurrentPhaseFieldsShowTheSourcesHarmonicOnePhase) {
    VirtualSourceProcess source;
    ASSERT_TRUE(source.start({"--model", "4", "--time-scale", "50", "--load", "r=40,lag=30"}))
        << source.errorString().toStdString();
    auto& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    program().link.state.lanTimeoutMs = 2000;
    QString message;
    const int index = OpenAndIdentify(program(), message);
    ASSERT_GE(index, 0) << message.toStdString();
    LoadModel(program(), index);
    ReadSourceConfiguration(program(), index);
    program().engineClock.timeScale = 50;
    program().link.Send(0, "inst:coup all;:volt 115;:freq 400;:outp 1");
    ASSERT_FALSE(ReadBackState(program(), program().sourceModel.ModelIndex));
    ASSERT_EQ(program().outputState.MultiPhaseOutput, 1);

    open(Ms704Standard());
    control<QPushButton>("cmdAutoAcquire")->click();
    for (int p = 0; p < 3; ++p) {
        const QStringList array =
            program().link.Query(0, QStringLiteral("inst:nsel %1;:fetc:arr:curr:harm:phas?").arg(p + 1), 2.0).split(',');
        ASSERT_GT(array.size(), 1);
        const QString shown = control<QLineEdit>("txtCurrPhase", p)->text();
        EXPECT_NEAR(shown.toDouble(), array[1].toDouble(), 0.051) << p << " " << shown.toStdString();
        EXPECT_NEAR(std::abs(shown.toDouble()), 30, 1.0) << p;
    }
    EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), "400_Hz");
}
