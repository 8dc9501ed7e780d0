// A MIL-STD-704 and a B787 window print their document report from the
// chosen group's template, named by its prefix (B787 revision C: the 28 V
// prefix), with no "missing bookmarks" message.
#include "ReportTestSupport.h"

#include "core/Program.h"
#include "link/ModelSetup.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"
#include "support/ProgramFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class TableWindowReport : public ::testing::Test {
protected:
    Program& program() { return fixture.program(); }
    void SetUp() override {
        SimulationSetup(program());
        program().engineClock.timeScale = 1000;
        OutputState& out = program().outputState;
        out.Frequency = 400;
        out.OutputOn = 1;
        for (auto& p : out.Phase)
            p.Voltage = 115, p.DcVoltage = 28;
        out.Phase[1].PhaseAngle = 240;
        out.Phase[2].PhaseAngle = 120;
        auto& report = program().settings.report;
        report.reportFormat = 2;
        report.fileNamePrompt = 0;
        report.reportFolder = fixture.tempPath("reports");
    }
    template <class W> W* control(const char* name, int index = -1) {
        for (W* w : window->findChildren<W*>(QString::fromLatin1(name)))
            if (index < 0 || w->property("index").toInt() == index) return w;
        ADD_FAILURE() << "no control " << name;
        return nullptr;
    }
    // Runs the group's first test and prints; the report's two files.
    QStringList runAndPrint(int group) {
        control<QAbstractButton>("optTestTable", group)->click();
        emit control<QTableWidget>("grdTestNumbers")->cellClicked(0, 0);
        control<QPushButton>("cmdStart")->click();
        EXPECT_TRUE(control<QPushButton>("cmdPrint")->isEnabled())
            << window->resultText().toStdString();
        fixture.prompt().clear();
        control<QPushButton>("cmdPrint")->click();
        QStringList files;
        for (const QString& f :
             QDir(fixture.tempPath("reports")).entryList(QDir::Files, QDir::Name))
            files << fixture.tempPath("reports/" + f);
        return files;
    }
    ProgramFixture fixture;
    QPointer<frmTestTables> window;
    void TearDown() override { delete window.data(); }
};

TEST_F(TableWindowReport, Ms704ThreePhaseGroupUsesItsTemplate) {
    program().outputState.MultiPhaseOutput = 1;
    window = new frmTestTables(program(), Ms704Standard());
    window->show();
    const QStringList files = runAndPrint(1);
    ASSERT_EQ(files.size(), 2) << fixture.prompt().messages().join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith("MS704_TAC-"));
    EXPECT_TRUE(files[1].endsWith(".pdf"));
    EXPECT_TRUE(fixture.prompt().messages().isEmpty())
        << fixture.prompt().messages().join('\n').toStdString();
    const QString text = PdfText(files[1]);
    EXPECT_TRUE(text.contains("Mil-Std 704 Test Report"));
    EXPECT_TRUE(text.contains("TAC: 115V/400 Hz CF AC 3 Phs, Rev F"));
    EXPECT_TRUE(text.contains("Three phase mode"));
    EXPECT_FALSE(text.contains("[Bk"));
}

TEST_F(TableWindowReport, B787RevisionCDcGroupTakesThe28VoltPrefix) {
    // Revision C is the operator's copy of the shipped example library.
    const QString shipped = QStringLiteral(OSTREL_SOURCE_DATA_DIR "/B787_RevA");
    QDir().mkpath(program().paths.userFile("B787_RevC"));
    for (const QString& f : QDir(shipped).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(shipped + "/" + f, program().paths.userFile("B787_RevC/" + f)));
    program().outputState.OutputMode = ModeDC;
    window = new frmTestTables(program(), B787Standard());
    window->show();
    control<QComboBox>("cmbAirFrame")->setCurrentIndex(2);
    ASSERT_EQ(control<QComboBox>("cmbAirFrame")->currentText(), "B787_RevC");
    const QStringList files = runAndPrint(5);
    ASSERT_EQ(files.size(), 2) << fixture.prompt().messages().join('\n').toStdString();
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith("B787_DC28T2-"))
        << files[0].toStdString();
    EXPECT_TRUE(fixture.prompt().messages().isEmpty())
        << fixture.prompt().messages().join('\n').toStdString();
    const QString text = PdfText(files[1]);
    EXPECT_TRUE(text.contains("Boeing B787B3-0147 Test Report"));
    EXPECT_TRUE(text.contains("DC Type 2: 28 Vdc, Rev C"));
    EXPECT_TRUE(text.contains("V DC"));
}

} // namespace
