// Report names: automatic ones never collide, prompted ones are asked again
// until usable, and an existing report is replaced only after Yes.
#include "support/ScriptedPrompt.h"

#include "reports/ReportNaming.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QStringList kDocument{".docx", ".pdf"};

void touch(const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

TEST(ReportNaming, AutomaticNamesTakeTheNextFreeNumber) {
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(AutomaticReportBase(folder, "DO160_ANF-", 4711, 30000, kDocument),
              folder + "/DO160_ANF-004711");
    touch(folder + "/IEC411-000042.docx");
    touch(folder + "/IEC411-000043.pdf");
    EXPECT_EQ(AutomaticReportBase(folder, "IEC411-", 42, 100, kDocument),
              folder + "/IEC411-000044");
    touch(folder + "/IEC411-000099.docx");
    EXPECT_EQ(AutomaticReportBase(folder, "IEC411-", 99, 100, kDocument),
              folder + "/IEC411-000000");
    for (int n = 0; n < 100; ++n)
        touch(folder + QString("/IEC411-%1.docx").arg(n, 6, 10, QChar('0')));
    EXPECT_EQ(AutomaticReportBase(folder, "IEC411-", 7, 100, kDocument), folder + "/IEC411-000100");
}

TEST(ReportNaming, BadNamesAreRefused) {
    for (const char* bad :
         {"a/b", "a\\b", "c:x", "x*", "q?", "\"q\"", "<a>", "a|b", ".", "..", "tab\there"})
        EXPECT_FALSE(ReportNameProblem(bad).isEmpty()) << bad;
    for (const QString& good : {QString("run 1"), QString("IEC411-report.v2"), QString(61, u'n')})
        EXPECT_TRUE(ReportNameProblem(good).isEmpty()) << good.toStdString();
}

TEST(ReportNaming, PromptedNameIsAskedAgainUntilUsable) {
    QTemporaryDir dir;
    touch(dir.filePath("kept.pdf"));
    ScriptedPrompt prompt;
    prompt.type(QString("bad/name"));
    prompt.type(QString("kept"));
    prompt.answer(PromptAnswer::No); // do not replace
    prompt.type(QString("fresh.docx"));
    const auto base = AskReportBase(prompt, dir.path(), kDocument);
    ASSERT_TRUE(base);
    EXPECT_EQ(*base, dir.filePath("fresh"));
    ASSERT_EQ(prompt.questions().size(), 1);
    EXPECT_EQ(prompt.questions()[0], "Report kept already exists.\nReplace it?");
    const PromptCall* question = nullptr;
    for (const PromptCall& c : prompt.calls())
        if (c.kind == PromptCall::Question) question = &c;
    EXPECT_EQ(question->defaultButton, 2);
    EXPECT_EQ(prompt.messages().size(), 1);
    const PromptCall& first = prompt.calls().front();
    EXPECT_EQ(first.title, "Test Report Filename Input Request");
    EXPECT_TRUE(first.text.startsWith(
        "Enter filename for test report. The '.docx'\nextension will be added "
        "automatically.\nReport will be saved in:\n"));
}

TEST(ReportNaming, ReplacingAfterYesAndNoFileForAnEmptyAnswer) {
    QTemporaryDir dir;
    touch(dir.filePath("kept.docx"));
    ScriptedPrompt prompt;
    prompt.type(QString("kept"));
    prompt.answer(PromptAnswer::Yes);
    EXPECT_EQ(AskReportBase(prompt, dir.path(), kDocument), dir.filePath("kept"));
    prompt.type(QString("   "));
    EXPECT_FALSE(AskReportBase(prompt, dir.path(), kDocument));
    prompt.type(std::nullopt);
    EXPECT_FALSE(AskReportBase(prompt, dir.path(), kDocument));
}

} // namespace
