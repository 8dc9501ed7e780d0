// Making an IEC report in the chosen format: automatic names in the report
// folder, the document left open, and a template that cannot be read
// refused with its name while the run's data stays for another try.
#include "ReportTestSupport.h"
#include "support/ScriptedPrompt.h"

#include "reports/ReportOutput.h"
#include "reports/ReportTemplates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

struct Output : ::testing::Test {
    QTemporaryDir dir;
    Paths paths{dir.filePath("data"), dir.filePath("user")};
    ScriptedPrompt prompt;
    ReportSettings settings;
    void SetUp() override { settings.fileNamePrompt = 0; }
};

TEST_F(Output, TextFileIsNamedAutomaticallyInTheUsersReportFolder) {
    settings.reportFormat = ReportTextFile;
    const ReportMade first = MakeIecReport(prompt, settings, paths, SampleIecInput(), 7);
    const ReportMade second = MakeIecReport(prompt, settings, paths, SampleIecInput(), 7);
    EXPECT_EQ(first.files, QStringList{paths.userFile("Reports/IEC411-000007.txt")});
    EXPECT_EQ(second.files, QStringList{paths.userFile("Reports/IEC411-000008.txt")});
    EXPECT_TRUE(prompt.calls().isEmpty());
}

TEST_F(Output, DocumentIsWrittenAndLeftOpen) {
    settings.reportFormat = ReportDocument;
    settings.reportFolder = dir.filePath("lab");
    const ReportMade made = MakeIecReport(prompt, settings, paths, SampleIecInput(), 42);
    ASSERT_TRUE(made.written) << prompt.messages().join("\n").toStdString();
    EXPECT_EQ(made.files, (QStringList{dir.filePath("lab/IEC411-000042.docx"),
                                       dir.filePath("lab/IEC411-000042.pdf")}));
    ASSERT_EQ(prompt.calls().size(), 1);
    EXPECT_EQ(prompt.calls()[0].kind, PromptCall::OpenDocument);
    EXPECT_EQ(prompt.calls()[0].text, made.files[0]);
}

TEST_F(Output, DamagedLabTemplateIsRefusedAndTheReportCanBeRetried) {
    settings.reportFormat = ReportDocument;
    QDir().mkpath(UserTemplateFolder(paths));
    QFile broken(UserTemplateFolder(paths) + "/IEC411Template.docx");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a document");
    broken.close();
    const IecReportInput input = SampleIecInput();
    EXPECT_FALSE(MakeIecReport(prompt, settings, paths, input, 1).written);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].contains("IEC411Template.docx"));
    EXPECT_TRUE(QDir(paths.userFile("Reports")).entryList(QDir::Files).isEmpty());
    broken.remove();
    EXPECT_TRUE(MakeIecReport(prompt, settings, paths, input, 1).written);
}

} // namespace

namespace {

TEST(ReportFiles, OnlyTheFilesAskedForAreWritten) {
    QTemporaryDir dir;
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteIecReportFiles(SampleIecInput(), ShippedTemplate("IEC411Template"), "",
                                    dir.filePath("only.pdf"), outcome, error))
        << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"only.pdf"});
    EXPECT_TRUE(PdfText(dir.filePath("only.pdf")).contains("PASS"));
}

} // namespace
