// The report set-up window: it shows the stored settings, OK stores the
// three (the default folder as empty), and a lab copies a template to its
// own folder, where the lookup then finds it first.
// With OSTREL_SCREENSHOT_DIR set the window is also saved as a picture.
#include "app/Program.h"
#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"
#include "reports/frmIEC_Report_setup.h"
#include "support/ProgramFixture.h"

#include <QCheckBox>
#include <QComboBox>
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
    window.findChild<QComboBox*>("cboTemplate")->setCurrentText("IEC411Template");
    window.findChild<QPushButton*>("cmdCopyTemplate")->click();
    const QString copy = UserTemplateFolder(program.paths) + "/IEC411Template.docx";
    EXPECT_EQ(FindReportTemplate(program.paths, "IEC411Template"), copy);
    ASSERT_EQ(fixture.prompt().messages().size(), 1);
    EXPECT_TRUE(fixture.prompt().messages()[0].contains(QDir::toNativeSeparators(copy)));
}

} // namespace
