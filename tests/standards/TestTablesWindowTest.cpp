// The DO-160 test window driven by its controls' names: what it shows when
// it opens, the choices it refuses, a run on the virtual source with the EUT
// measured after it, the printed report, and closing in the middle of a run.
// With OSTREL_SCREENSHOT_DIR set the window is also saved as pictures.
#include "core/Program.h"
#include "app/frmMain.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "standards/StandardWindows.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

constexpr double kTimeScale = 50;

void screenshot(QWidget* window, const QString& name) {
    const QString dir = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    window->grab().save(dir + "/" + name + ".png");
}

class Do160Window : public ::testing::Test {
protected:
    Program& program() { return fixture.program(); }
    ScriptedPrompt& prompt() { return fixture.prompt(); }

    void connect(const QStringList& args) {
        ASSERT_TRUE(source.start(args + QStringList{"--time-scale", QString::number(kTimeScale)}))
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
        program().engineClock.timeScale = kTimeScale;
    }
    // The source at the group's nominal supply, relay closed, as the panel would leave it.
    void nominal115() {
        program().link.Send(0, "inst:coup all;:volt 115;:freq 400;:outp 1");
        ASSERT_FALSE(ReadBackState(program(), program().sourceModel.ModelIndex));
    }
    frmTestTables* open() {
        window = new frmTestTables(program(), Do160Standard());
        window->show();
        return window;
    }
    template <class W> W* control(const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name;
        return nullptr;
    }
    void clickRow(const char* grid, int row) {
        QTableWidget* t = control<QTableWidget>(grid);
        emit t->cellClicked(row - 1, 0);
    }
    QStringList receivedSince(qsizetype mark) {
        program().link.Query(0, "*opc?", 1.0);
        QStringList lines;
        for (const QString& l : source.logTail(20000))
            if (l.contains(" TCP < ")) lines << l.section(" TCP < ", 1).trimmed();
        return lines.mid(mark);
    }

    ProgramFixture fixture;
    VirtualSourceProcess source;
    QPointer<frmTestTables> window;

    void TearDown() override { delete window.data(); }
};

TEST_F(Do160Window, OpensOnTheDefaultGroupWithTheFirstTestTintedAndTrimmed) {
    program().outputState.Phase[0].Voltage = 115;
    open();
    EXPECT_EQ(window->objectName(), "frmDO160Tables");
    EXPECT_TRUE(control<QCheckBox>("chkReturnSteady")->isChecked());
    EXPECT_FALSE(control<QPushButton>("cmdPrint")->isEnabled()) << "no report before a run";
    EXPECT_TRUE(control<QPushButton>("cmdOutputOn")->isEnabled()) << "the relay is open";
    EXPECT_FALSE(control<QPushButton>("cmdOutputOff")->isEnabled());
    EXPECT_EQ(control<QComboBox>("cmbAirFrame")->currentText(), "DO160_RevF");
    EXPECT_TRUE(control<QRadioButton>("optTestTable", 0)->isChecked());
    EXPECT_EQ(control<QTableWidget>("grdTestNumbers")->rowCount(), 6);
    EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), "400_Hz");
    EXPECT_FALSE(control<QComboBox>("cmbTestFrequency")->isEnabled());
    EXPECT_EQ(control<QLineEdit>("txtTestFileHeader")->text(),
              "EXAMPLE: normal steady state at 115 V / 400 Hz");

    QTableWidget* steps = control<QTableWidget>("grdSettings");
    ASSERT_EQ(steps->columnCount(), 17);
    struct Column {
        int column;
        bool hidden;
        QColor tint;
    };
    const QColor cyan(0xC0, 0xFF, 0xFF), yellow(0xFF, 0xFF, 0xC0);
    for (const Column c : {Column{1, false, cyan}, Column{3, false, {}}, Column{6, true, yellow},
                           Column{11, true, {}}, Column{12, false, cyan}, Column{13, false, cyan},
                           Column{15, false, {}}, Column{16, true, {}}}) {
        EXPECT_EQ(steps->isColumnHidden(c.column), c.hidden) << c.column;
        const QBrush b = steps->item(0, c.column)->background();
        EXPECT_EQ(b.style() == Qt::NoBrush ? QColor() : b.color(), c.tint) << c.column;
    }
    // The steady state beside it: one phase, so B and C do not apply.
    EXPECT_EQ(control<QLineEdit>("txtOutputMode")->text(), "AC");
    EXPECT_EQ(control<QLineEdit>("txtVoltage", 0)->text(), "115.0");
    EXPECT_EQ(control<QLineEdit>("txtVoltage", 1)->text(), "n/a");
    EXPECT_EQ(control<QComboBox>("cmbWaveform", 2)->currentText(), "n/a");
    // Not the Vk family: no THD readings, so no THD fields.
    EXPECT_TRUE(control<QLineEdit>("txtCDistResult")->isHidden());
    EXPECT_TRUE(control<QLineEdit>("txtCurrDistortion", 0)->isHidden());
    control<QTabWidget>("tabSections")->setCurrentIndex(1);
    screenshot(window, "do160-test-loaded");
    clickRow("grdTestNumbers", 4); // phase A, then B: its file shows phases B and C
    EXPECT_FALSE(steps->isColumnHidden(6));
    EXPECT_TRUE(steps->isColumnHidden(16));
    screenshot(window, "do160-test-loaded-phases-b-c");
}

TEST_F(Do160Window, TheApplicationsMenuOpensItOnce) {
    frmMain main(program());
    RegisterStandardWindows(main, program());
    QAction* entry = main.action("mnuADO160RevE");
    ASSERT_TRUE(entry->isEnabled());
    entry->trigger();
    QWidget* opened = main.windows().find("mnuADO160RevE");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->objectName(), "frmDO160Tables");
    entry->trigger();
    EXPECT_EQ(main.windows().find("mnuADO160RevE"), opened);
}

TEST_F(Do160Window, RefusedChoicesKeepTheTableOnScreen) {
    open();
    QComboBox* library = control<QComboBox>("cmbAirFrame");
    library->setCurrentIndex(1); // "DO160_RevB - Not Available"
    EXPECT_EQ(prompt().messages(), QStringList{"Load FAILED"});
    EXPECT_EQ(library->currentIndex(), 5);
    EXPECT_EQ(control<QTableWidget>("grdTestNumbers")->rowCount(), 6);

    prompt().clear();
    control<QRadioButton>("optTestTable", 6)->click(); // a DC group with the source in AC mode
    EXPECT_EQ(prompt().messages(), QStringList{Do160Standard().dcGroupInAcWarning});
    EXPECT_TRUE(control<QRadioButton>("optTestTable", 0)->isChecked());
    EXPECT_EQ(window->powerGroup(), 0);

    clickRow("grdTestNumbers", 6); // a row without a test
    EXPECT_EQ(control<QLineEdit>("txtTestFileHeader")->text(),
              "No test sequence file selected, test settings cleared.");
    EXPECT_EQ(control<QTableWidget>("grdSettings")->columnCount(), 2);
}

TEST_F(Do160Window, AUserLibraryLoadsAndADamagedTestIsRefusedByFileAndLine) {
    const auto write = [this](const QString& name, const QByteArray& text) {
        const QString path = program().paths.userFile(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("DO160UserTestLibraries.txt", "MyLab\r\n");
    write("MyLab/DO160_Structure_ACF115.ini",
          "[Dimensions]\nNoRows=1\nNoCols=4\nDescription=My tests\n[GridData]\n1Header=Section\n"
          "2Header=No.\n3Header=Test\n4Header=File\n[1RowData]\nSection=16\nNo.=1\nTest=broken\n"
          "File=Broken\n");
    write("MyLab/Broken.ini", "[Dimensions]\nNoRows=1\nNoCols=30\n");
    open();
    QComboBox* library = control<QComboBox>("cmbAirFrame");
    ASSERT_EQ(library->count(), 8);
    EXPECT_EQ(library->itemText(7), "MyLab");
    const QString before = control<QLineEdit>("txtTestFileHeader")->text();
    library->setCurrentIndex(7);
    EXPECT_EQ(control<QLabel>("lblTableHeader")->text(), "My tests");
    ASSERT_EQ(prompt().messages().size(), 1);
    const QString message = prompt().messages()[0];
    EXPECT_TRUE(message.startsWith("ERROR: Test file failed to load.\r\n"))
        << message.toStdString();
    EXPECT_TRUE(message.contains("Broken.ini")) << message.toStdString();
    EXPECT_EQ(control<QLineEdit>("txtTestFileHeader")->text(), before)
        << "the test on screen stays";
}

TEST_F(Do160Window, ComingBackInDcModeFallsBackToTheFirstDcGroupWithTheWarning) {
    open();
    program().outputState.OutputMode = ModeDC;
    QApplication::setActiveWindow(window);
    QTest::qWait(20);
    EXPECT_EQ(window->powerGroup(), 6);
    EXPECT_EQ(prompt().messages(), QStringList{Do160Standard().dcFallbackWarning});
    EXPECT_EQ(control<QComboBox>("cmbTestFrequency")->currentText(), "DC");
    EXPECT_FALSE(control<QComboBox>("cmbTestFrequency")->isEnabled());
    QTableWidget* steps = control<QTableWidget>("grdSettings");
    EXPECT_TRUE(steps->isColumnHidden(1)) << "no frequency columns in DC mode";
    EXPECT_EQ(control<QLineEdit>("txtTestFileHeader")->text(),
              "EXAMPLE: normal steady state at 28 V DC");

    // Measured in DC mode (here by the simulated meter): DC labels, no frequency, no power factor.
    program().outputState.Phase[0].DcVoltage = 28;
    control<QPushButton>("cmdUpdateMeas")->click();
    EXPECT_EQ(control<QLabel>("lblVoltRMS")->text(), "Volt DC (V):");
    EXPECT_EQ(control<QLabel>("lblPowerlev")->text(), "Power (W):");
    EXPECT_EQ(control<QLineEdit>("txtFreqMeas")->text(), "DC");
    EXPECT_EQ(control<QLineEdit>("txtPowerFactor", 0)->text(), "n/a");
    EXPECT_FALSE(control<QLineEdit>("txtVoltRMS", 0)->text().isEmpty());
    EXPECT_EQ(control<QTableWidget>("grdSpectrum", 0)->item(0, 1)->text(), "")
        << "no harmonics on DC";
}

TEST_F(Do160Window, TheEditMenuWorksOnTheSelectedStepAndClosingAsksToSave) {
    open();
    QTableWidget* steps = control<QTableWidget>("grdSettings");
    const auto menu = [this](const char* name) { window->findChild<QAction*>(name)->trigger(); };
    steps->setCurrentCell(1, 3);
    menu("mnuECopy");
    steps->setCurrentCell(2, 3);
    menu("mnuEPaste");
    EXPECT_EQ(steps->item(2, 3)->text(), "110.0");
    EXPECT_EQ(steps->item(2, 13)->text(), "2");
    EXPECT_EQ(steps->item(2, 0)->text(), "3");
    steps->setCurrentCell(0, 3);
    menu("mnuEInsert");
    ASSERT_EQ(steps->rowCount(), 5);
    EXPECT_EQ(steps->item(0, 3)->text(), "");
    EXPECT_EQ(steps->item(4, 0)->text(), "5");
    EXPECT_EQ(steps->item(0, 1)->background().color(), QColor(0xC0, 0xFF, 0xFF)) << "tinted";
    steps->setCurrentCell(0, 3);
    menu("mnuECut");
    ASSERT_EQ(steps->rowCount(), 4);
    EXPECT_EQ(steps->item(0, 3)->text(), "115.0");

    prompt().answer(PromptAnswer::No);
    window->close();
    EXPECT_EQ(
        prompt().questions(),
        QStringList{
            "You made changes to the test parameters.\r\nWould you like to save these changes?"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(program().store().GetSetting("UserPreferences", "DO160_Test_Rev", ""), "5");
}

TEST_F(Do160Window, SavingAShippedTestWritesTheOperatorsCopyWhichThenWins) {
    open();
    QTableWidget* steps = control<QTableWidget>("grdSettings");
    steps->item(0, 3)->setText("116.25");
    const QString copy = program().paths.userFile("DO160_RevF/ACF115_Ex1_SteadyState.ini");
    prompt().chooseFile(copy);
    window->findChild<QAction*>("mnuFSave")->trigger();
    ASSERT_TRUE(QFileInfo::exists(copy)) << prompt().messages().join('\n').toStdString();
    QFile shipped(QStringLiteral(OSTREL_SOURCE_DATA_DIR) +
                  "/DO160_RevF/ACF115_Ex1_SteadyState.ini");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_FALSE(shipped.readAll().contains("116.3")) << "the shipped file is never written";

    clickRow("grdTestNumbers", 2);
    clickRow("grdTestNumbers", 1);
    EXPECT_EQ(steps->item(0, 3)->text(), "116.3");

    // Saving over an existing file asks first; No keeps it.
    steps->item(0, 3)->setText("99");
    prompt().chooseFile(copy);
    prompt().answer(PromptAnswer::No);
    window->findChild<QAction*>("mnuFSAs")->trigger();
    EXPECT_EQ(prompt().questions().value(0),
              "WARNING: File specified already exists.\r\nDo you want to overwrite this file?");
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().contains("Volt_A=116.3"));
}

TEST_F(Do160Window, OnlyTheOperatorsFrequencyChoiceMovesTheSourceAndTheSweepReturnsToIt) {
    connect({"--load", "r=50,thd=3"});
    nominal115();
    open();
    QComboBox* frequency = control<QComboBox>("cmbTestFrequency");
    qsizetype mark = receivedSince(0).size();
    control<QRadioButton>("optTestTable", 4)->click(); // A(WF) 115 V
    ASSERT_EQ(window->powerGroup(), 4);
    EXPECT_TRUE(frequency->isEnabled());
    EXPECT_EQ(frequency->currentText(), "400_Hz");
    EXPECT_EQ(receivedSince(mark).filter("freq").size(), 0)
        << "a group change only picks the limits";

    mark = receivedSince(0).size();
    frequency->setCurrentIndex(frequency->findText("500_Hz"));
    EXPECT_EQ(receivedSince(mark).filter("freq"),
              QStringList({"freq:slew 440;:freq 500.0", "freq:slew max"}));

    control<QPushButton>("cmdAutoAcquire")->click();
    const QVector<EutAcquisition>& taken = window->acquisitions();
    ASSERT_EQ(taken.size(), 10) << prompt().messages().join('\n').toStdString();
    EXPECT_NEAR(taken.first().measuredFrequency.value_or(0), 360, 0.1);
    EXPECT_NEAR(taken.last().measuredFrequency.value_or(0), 800, 0.1);
    EXPECT_EQ(VerdictText(taken.last().verdict), "Pass"); // 3 % against the example's 10 %
    const QStringList sent = receivedSince(mark).filter("freq:slew");
    EXPECT_EQ(sent.mid(sent.size() - 2),
              QStringList({"freq:slew 440;:freq 500.0", "freq:slew max"}));
    EXPECT_EQ(frequency->currentText(), "500_Hz");
    QFile summary(program().paths.userFile(Do160Standard().summaryFile));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(summary.readAll());
    EXPECT_EQ(text.count("Phase A Scalar Data"), 10);
    EXPECT_TRUE(text.contains("\"750.0\","));
}

TEST_F(Do160Window, AbortEndsTheRunAsAUserAbortInTheReport) {
    connect({"--load", "r=50"});
    nominal115();
    open();
    clickRow("grdTestNumbers", 3);
    bool lockedWhileRunning = false;
    QTimer::singleShot(400, window, [&] {
        // While it runs only Abort, Output Off and the report inputs act.
        lockedWhileRunning = !control<QPushButton>("cmdStart")->isEnabled() &&
                             !control<QTableWidget>("grdSettings")->isEnabled() &&
                             !control<QComboBox>("cmbAirFrame")->isEnabled() &&
                             !control<QPushButton>("cmdAutoAcquire")->isEnabled() &&
                             control<QPushButton>("cmdOutputOff")->isEnabled() &&
                             control<QLineEdit>("txtTestedBy")->isEnabled();
        control<QPushButton>("cmdAbort")->click();
    });
    control<QPushButton>("cmdStart")->click();
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_EQ(window->resultText(), "User Abort");
    EXPECT_EQ(window->reportRecord()[FieldTestResult], "User Abort");
    EXPECT_NE(window->reportRecord()[FieldTimeEnded], "NONE");
    EXPECT_TRUE(control<QPushButton>("cmdStart")->isEnabled());
    EXPECT_TRUE(window->acquisitions().isEmpty()) << "no acquisition after an abort";
}

TEST_F(Do160Window, OutputOffDuringARunAsksFirstThenEndsItWithTheRelayOpen) {
    connect({"--load", "r=50"});
    nominal115();
    open();
    clickRow("grdTestNumbers", 3);
    prompt().answer(PromptAnswer::Yes);
    QTimer::singleShot(400, window, [this] { control<QPushButton>("cmdOutputOff")->click(); });
    control<QPushButton>("cmdStart")->click();
    EXPECT_EQ(prompt().questions().value(0),
              "WARNING: Test is in progress. Opening output relay\r\nwill cause test to be "
              "aborted.\r\nDo you wish to proceed anyway?");
    QStringList state;
    ASSERT_TRUE(source.control("state?", &state));
    EXPECT_TRUE(state.value(0).contains("relay=0")) << state.join(' ').toStdString();
    EXPECT_TRUE(state.value(0).contains("transient=IDLE")) << state.join(' ').toStdString();
    EXPECT_TRUE(control<QPushButton>("cmdOutputOn")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("cmdOutputOff")->isEnabled());
    EXPECT_NE(window->resultText(), "Test completed");
}

TEST_F(Do160Window, ARunMeasuresTheEutAfterwardsAndTheReportSaysSo) {
    connect({"--model", "3", "--load", "r=50,thd=12"});
    nominal115();
    open();
    // The window start downloaded the library's waveform and read the catalog again.
    EXPECT_GE(control<QComboBox>("cmbWaveform", 0)->findText("EX_DIST"), 0);
    control<QCheckBox>("chkAutoAcquire")->setChecked(true);
    control<QTabWidget>("tabSections")->setCurrentIndex(1);
    QTimer::singleShot(600, window, [this] { screenshot(window, "do160-running"); });
    control<QPushButton>("cmdStart")->click();

    EXPECT_EQ(window->resultText(), "Test completed")
        << prompt().messages().join('\n').toStdString();
    ASSERT_EQ(window->acquisitions().size(), 1);
    QLineEdit* verdict = control<QLineEdit>("txtCDistResult");
    EXPECT_EQ(verdict->text(), "Fail"); // 12 % against the example's 8 %
    EXPECT_TRUE(verdict->styleSheet().contains("#FF8080"));
    QTableWidget* spectrum = control<QTableWidget>("grdSpectrum", 0);
    EXPECT_EQ(spectrum->item(2, 6)->text(), "Fail"); // the load's 3rd harmonic
    EXPECT_EQ(spectrum->item(15, 1)->text(), "0.000");
    EXPECT_EQ(spectrum->item(16, 1)->text(), "BWL"); // three phases at 400 Hz: up to the 16th
    screenshot(window, "do160-eut-acquired");

    QFile summary(program().paths.userFile(Do160Standard().summaryFile));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_TRUE(summary.readAll().contains(R"(,"8.00","Fail")"));

    control<QLineEdit>("txtTestedBy")->setText("J. Doe");
    const QString report = fixture.tempPath("report.txt");
    prompt().chooseFile(report);
    window->findChild<QAction*>("mnuFPrint")->trigger();
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains("TEST RESULT          = Test completed"));
    EXPECT_TRUE(text.contains("Test operator        = J. Doe"));
    EXPECT_TRUE(text.contains("Power group          = A(CF) 115V, Rev F"));
    EXPECT_TRUE(text.contains("Current THD verdict  = Fail"));

    // The document format: the group's template, named automatically, left open.
    program().settings.report.reportFormat = 2;
    program().settings.report.fileNamePrompt = 0;
    program().settings.report.reportFolder = fixture.tempPath("reports");
    control<QPushButton>("cmdPrint")->click();
    const QStringList made = QDir(fixture.tempPath("reports")).entryList({"DO160_ACF-*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(made.size(), 2) << prompt().messages().join('\n').toStdString();
    EXPECT_TRUE(made[0].endsWith(".docx"));
    EXPECT_EQ(made[1], QString(made[0]).replace(".docx", ".pdf"));
    const auto opened = std::find_if(prompt().calls().begin(), prompt().calls().end(),
                                     [](const PromptCall& c) { return c.kind == PromptCall::OpenDocument; });
    ASSERT_NE(opened, prompt().calls().end());
    EXPECT_EQ(opened->text, fixture.tempPath("reports/" + made[0]));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {fixture.tempPath("reports/" + made[1]), "-"});
    pdftotext.waitForFinished();
    const QString pdf = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_TRUE(pdf.contains("J. Doe"));
    EXPECT_TRUE(pdf.contains("A(CF) 115V, Rev F"));
    QProcess images; // phase A's waveform and spectrum graphs
    images.start("pdfimages", {"-list", fixture.tempPath("reports/" + made[1])});
    images.waitForFinished();
    EXPECT_GE(QString::fromUtf8(images.readAllStandardOutput()).count(QRegularExpression("\\b900\\s+450\\b")), 2);
}

TEST_F(Do160Window, ClosingDuringARunAbortsItFirstAndGoesOnlyAfterItUnwound) {
    connect({"--load", "r=50"});
    nominal115();
    open();
    clickRow("grdTestNumbers", 3); // two minutes of abnormal supply
    QTimer::singleShot(400, window, [this] { window->close(); });
    const qsizetype mark = receivedSince(0).size();
    control<QPushButton>("cmdStart")->click();
    QTest::qWait(50);
    EXPECT_TRUE(window.isNull()) << "the window goes once the run has ended";
    const QStringList sent = receivedSince(mark);
    EXPECT_TRUE(sent.contains("abort"));
    QStringList state;
    ASSERT_TRUE(source.control("state?", &state));
    EXPECT_TRUE(state.value(0).contains("transient=IDLE")) << state.join(' ').toStdString();
}

} // namespace
