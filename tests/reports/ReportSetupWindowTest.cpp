// The report set-up window: it shows the stored settings, OK stores the
// three (the default folder as empty), and a lab copies a template to its
// own folder, where the lookup then finds it first.
// With OSTREL_SCREENSHOT_DIR set the window is also saved as a picture.
#include "core/Program.h"
#include "reports/IecReportPrint.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"
#include "reports/frmIEC_Report_setup.h"
#include "support/ProgramFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

TEST(ReportSetupWindow, OkStoresTheThreeSettings) {
    ProgramFixture fixture;
    Program& program = fixture.program();
    program.settings.report.reportFormat = 1;
    program.settings.report.fileNamePrompt = 1;
    frmIEC_Report_setup window(program);
    window.show();
    if (const QString dir = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR"); !dir.isEmpty())
        window.grab().save(dir + "/frmIEC_Report_setup.png");
    auto* format = window.findChild<QListWidget*>("lstFormat");
    ASSERT_TRUE(format);
    EXPECT_EQ(format->currentRow(), 1);
    EXPECT_EQ(format->item(2)->text(), "Word document (.docx + PDF)");
    EXPECT_TRUE(window.findChild<QCheckBox*>("optUserPrompt")->isChecked());
    auto* folder = window.findChild<QLineEdit*>("txtReportFolder");
    EXPECT_EQ(QDir::fromNativeSeparators(folder->text()), program.paths.userFile("Reports"));

    format->setCurrentRow(2);
    window.findChild<QCheckBox*>("optUserPrompt")->setChecked(false);
    window.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(program.settings.report.reportFormat, 2);
    EXPECT_EQ(program.settings.report.fileNamePrompt, 0);
    EXPECT_EQ(program.settings.report.reportFolder, ""); // the per-user default
    QSettings stored(fixture.settingsPath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("ReportSettings/ReportFormat").toInt(), 2);
    EXPECT_EQ(stored.value("ReportSettings/FileNamePrompt").toInt(), 0);

    frmIEC_Report_setup again(program);
    again.findChild<QLineEdit*>("txtReportFolder")->setText(fixture.tempPath("lab-reports"));
    again.findChild<QPushButton*>("cmdOK")->click();
    EXPECT_EQ(program.settings.report.reportFolder, fixture.tempPath("lab-reports"));
}

TEST(ReportSetupWindow, CopiedTemplateIsFoundFirst) {
    ProgramFixture fixture;
    Program& program = fixture.program();
    EXPECT_TRUE(FindReportTemplate(program.paths, "IEC411Template")
                    .startsWith(ShippedTemplateFolder(program.paths)));
    frmIEC_Report_setup window(program);
    // Every shipped template can be copied, the table windows' too.
    auto* choice = window.findChild<QComboBox*>("cboTemplate");
    for (const char* name : {"IEC411Template", "DO160_ZDC_Template", "MS704_SAC_Template", "B787_DC2XTX_Template",
                             "MS704F_SAC_Template", "DO160Template"})
        EXPECT_GE(choice->findText(name), 0) << name;
    choice->setCurrentText("IEC411Template");
    window.findChild<QPushButton*>("cmdCopyTemplate")->click();
    const QString copy = UserTemplateFolder(program.paths) + "/IEC411Template.docx";
    EXPECT_EQ(FindReportTemplate(program.paths, "IEC411Template"), copy);
    ASSERT_EQ(fixture.prompt().messages().size(), 1);
    EXPECT_TRUE(fixture.prompt().messages()[0].contains(QDir::toNativeSeparators(copy)));
}

TEST(IecReportPrint, TheWindowsPrintAsksItsOwnQuestionsAndWritesTheChosenFormat) {
    ProgramFixture fixture;
    Program& program = fixture.program();
    program.settings.report.reportFormat = ReportTextFile;
    program.settings.report.reportFolder = fixture.tempPath("out");
    QWidget window;
    IecReportInput input;
    input.record[FieldReportTitle] = "EN 61000-4-11 Test Report";
    input.record[FieldTestResult] = "PASS";
    fixture.prompt().type(QString("dips run"));
    const ReportMade made = PrintIecReport(&window, program, input);
    ASSERT_TRUE(made.written);
    EXPECT_EQ(made.files, QStringList{fixture.tempPath("out/dips run.txt")});
    EXPECT_EQ(fixture.prompt().calls().front().owner, &window);
    QFile text(made.files[0]);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_TRUE(text.readAll().contains("IEC TEST RESULT      = PASS\r\n"));
}

} // namespace
