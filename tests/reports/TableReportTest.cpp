// A table window's run in its power group's template: summary fields, the
// test table rows (and the rows past the last bookmark), the EUT readings of
// the first test frequency, every frequency's table and the harmonic table;
// every set's groups have their template, and each set's report is written
// under its group's prefix with no placeholder left.
#include "ReportTestSupport.h"

#include "support/ScriptedPrompt.h"

#include "reports/DocumentReport.h"
#include "reports/ReportTemplates.h"
#include "reports/TableReport.h"
#include "standards/TestStandard.h"

#include <QDir>
#include <QFileInfo>

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

TableReportInput sampleInput() {
    TableReportInput in;
    TestReportRecord& r = in.record;
    r[FieldProgramTitle] = "Ostrel";
    r[FieldReportTitle] = "RTCA/DO160 Test Report";
    r[FieldTestFile] = "ACF115_Ex1_SteadyState.ini";
    r[FieldTestType] = "AC Frequency and Voltage test";
    r[FieldNominalVoltage] = "115.0";
    r[FieldNominalFrequency] = "400.0";
    r[FieldTestResult] = "User Abort";
    r[FieldOperator] = "J. Smith";
    r[FieldTimeStarted] = "Monday, March 2, 2026 09:05:07";
    r[FieldTimeEnded] = "Monday, March 2, 2026 09:06:00";
    r.groupName = "A(CF) 115V";
    r.revision = "F";
    r.library = "DO160_RevF";
    r.testLabel = "16Ex 1\tnormal steady state";
    r.structureTable = {{"Sect", "Test"}};
    for (int i = 1; i <= 22; ++i)
        r.structureTable << QStringList{QString::number(i), QString("test %1").arg(i)};
    r.stepTable = {{"Step", "Freq", "Volt_A"}, {"1", "400.0", "115.0"}};
    EutAcquisition a;
    a.complete = true;
    a.entry = 2;
    a.phases = 1;
    a.measuredFrequency = 400.2f;
    a.phase[0].voltage = 115.3f;
    a.phase[0].current = 2.5f;
    a.totalPower = 288.2f;
    a.thdLimit = 10;
    a.verdict = DistortionVerdict::Pass;
    a.harmonics[0][0].order = 1;
    a.harmonics[0][0].frequency = 400;
    a.harmonics[0][0].current = 2.5f;
    r.eut = {a};
    in.printed = QDateTime(QDate(2026, 3, 2), QTime(9, 15, 0));
    in.waveformPng[0] = SolidPng(200, 100, "#208020");
    return in;
}

TEST(Do160Report, FixtureFillsItsBookmarks) {
    const TableReportInput in = sampleInput();
    const TestStandard& do160 = Do160Standard();
    ASSERT_EQ(ReportTemplateName(do160.groups[1].reportTemplate), "DO160_ACF_Template");
    EXPECT_EQ(do160.groups[size_t(do160.groupIndex("ZDC14"))].reportPrefix, "DO160_ZDC-");
    QTemporaryDir dir;
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteDocumentReport(ShippedTemplate("DO160_ACF_Template"), TableDocumentContent(in),
                                    dir.filePath("r"), "DO-160", outcome, error))
        << error.toStdString();
    EXPECT_TRUE(outcome.missingBookmarks.isEmpty())
        << outcome.missingBookmarks.join(",").toStdString();
    DocxPackage p;
    ASSERT_TRUE(ReadDocxPackage(outcome.docxPath, "r", p, error));
    const QByteArray doc = *p.find("word/document.xml");
    const struct {
        const char* bookmark;
        const char* value;
    } expected[] = {
        {"Bk102", "RTCA/DO160 Test Report"},
        {"Bk107", "User Abort"},
        {"Bk112", "ACF115_Ex1_SteadyState.ini"},
        {"Bk113", "AC Frequency and Voltage test"},
        {"Bk103", "Monday, March 2, 2026 09:05:07"},
        {"Bk104", "Monday, March 2, 2026 09:06:00"},
        {"Bk109", "J. Smith"},
        {"Bk105", "115.0 V AC"},
        {"Bk106", "400.0 Hz"},
        {"Bk114", "Phase A"},
        {"Bk504", "A(CF) 115V, Rev F"},
        {"Bk512", "16Ex 1\tnormal steady state"},
        {"01Ts", "Sect\tTest"},
        {"20Ts", "19\ttest 19"},
        {"01S", "Step\tFreq\tVolt_A"},
        {"03S", " "},
        {"Bk1m2", "115.30"},
        {"Bk0m2", "115.30"},
        {"Bk1m10", "400.2"},
        {"Bk0m50", "288.2"},
        {"Bk0m92", "Pass"},
        {"Bk108", " "},
    };
    for (const auto& e : expected)
        EXPECT_EQ(BookmarkText(doc, e.bookmark), e.value) << e.bookmark;
    // Rows 21 and 22 (the header is row 0) follow the last table bookmark.
    const qsizetype last = doc.indexOf("w:name=\"20Ts\"");
    const qsizetype row21 = doc.indexOf("20</w:t><w:tab/><w:t xml:space=\"preserve\">test 20");
    const qsizetype row22 = doc.indexOf("22</w:t><w:tab/><w:t xml:space=\"preserve\">test 22");
    EXPECT_LT(last, row21);
    EXPECT_LT(row21, row22);
    EXPECT_LT(row22, doc.indexOf("w:name=\"01S\""));
    EXPECT_EQ(doc.count("<w:tblHeader/>"), 2); // every frequency, and phase A's harmonics
    EXPECT_TRUE(doc.contains("r:embed=\"rIdOstrel1\""));
    const QString pdf = PdfText(outcome.pdfPath);
    EXPECT_TRUE(pdf.contains("test 22"));
    EXPECT_TRUE(pdf.contains("% Fund [E]"));
}

} // namespace

namespace {

QByteArray documentXml(const QString& docxPath) {
    DocxPackage p;
    QString error;
    if (!ReadDocxPackage(docxPath, "t", p, error) || !p.find("word/document.xml")) return {};
    return *p.find("word/document.xml");
}

// Every set the table windows are built from, B787 in both caption sets.
std::vector<const TestStandard*> tableSets() {
    return {&Do160Standard(), &Ms704Standard(), &Abd010018Standard(), &AbdA350Standard(),
            &Amd24Standard(), &B787Standard(),  &B787RevisionSet(2)};
}

TEST(TableReportTemplates, EveryGroupHasItsTemplateWithEveryBookmarkTheReportFills) {
    const QStringList base = BookmarkNames(documentXml(ShippedTemplate("DO160_ACF_Template")));
    ASSERT_GT(base.size(), 100);
    for (const TestStandard* set : tableSets())
        for (const PowerGroup& g : set->groups) {
            SCOPED_TRACE((set->key + " " + g.code).toStdString());
            const QString name = ReportTemplateName(g.reportTemplate);
            ASSERT_TRUE(name.endsWith("_Template")) << g.reportTemplate.toStdString();
            ASSERT_TRUE(QFileInfo::exists(ShippedTemplate(name))) << name.toStdString();
            const QByteArray xml = documentXml(ShippedTemplate(name));
            EXPECT_TRUE(WellFormedXml(xml));
            EXPECT_EQ(BookmarkNames(xml), base);
            EXPECT_TRUE(g.reportPrefix.endsWith('-'));
            // The group's own templates say which group they are for.
            if (set != &Do160Standard()) {
                EXPECT_TRUE(xml.contains(g.caption.toHtmlEscaped().toUtf8()));
            }
        }
}

TEST(TableReportTemplates, EveryResidentOptionsTemplateHasItsTestList) {
    for (const char* name :
         {"MS704F_SAC_Template", "MS704F_TAC_Template", "MS704F_SVF_Template",
          "MS704F_TVF_Template", "MS704F_SXF_Template", "MIL704Template", "DO160Template"}) {
        SCOPED_TRACE(name);
        const QStringList marks = BookmarkNames(documentXml(ShippedTemplate(name)));
        for (const char* mark : {"Bk102", "Bk107", "Bk103", "Bk104", "Bk300", "Bk301", "Bk302",
                                 "Bk105", "Bk106", "Bk114", "Bk500", "Bk503", "BkTests", "Bk510"})
            EXPECT_TRUE(marks.contains(mark)) << mark;
        EXPECT_FALSE(marks.contains("01Ts"));
        EXPECT_LT(marks.indexOf("BkTests"), marks.indexOf("Bk510"));
    }
}

struct SetCase {
    const char* name;
    const TestStandard& (*set)();
    const char* code;
    bool dc;
    bool threePhase;
};

// The case by its name in CTest's list, not as bytes.
void PrintTo(const SetCase& c, std::ostream* out) {
    *out << c.name;
}

const TestStandard& b787RevC() {
    return B787RevisionSet(2);
}

class SetReport : public ::testing::TestWithParam<SetCase> {
protected:
    QTemporaryDir dir;
    Paths paths{dir.filePath("data"), dir.filePath("user")};
    ScriptedPrompt prompt;
    ReportSettings settings;
    void SetUp() override {
        settings.reportFormat = 2;
        settings.fileNamePrompt = 0;
        settings.reportFolder = dir.filePath("lab");
    }
};

TEST_P(SetReport, IsWrittenUnderTheGroupsPrefixWithNoPlaceholderLeft) {
    const SetCase c = GetParam();
    const TestStandard& set = c.set();
    const int index = set.groupIndex(c.code);
    ASSERT_GE(index, 0);
    const PowerGroup& g = set.groups[size_t(index)];
    TableReportInput in = sampleInput();
    in.record[FieldReportTitle] = ReportTitle(set);
    in.record.groupName = g.reportName;
    in.record.dcMode = c.dc;
    in.record.threePhase = c.threePhase;
    if (c.dc) in.record.eut.clear(); // a DC run without acquisition: no readings at all
    const ReportMade made =
        MakeDocumentReport(prompt, settings, paths, TableReportJob(g, in), 4711);
    ASSERT_TRUE(made.written) << prompt.messages().join("\n").toStdString();
    const QString base = dir.filePath("lab/") + g.reportPrefix + "004711";
    EXPECT_EQ(made.files, (QStringList{base + ".docx", base + ".pdf"}));
    // No "missing bookmarks" message: the document was only left open.
    EXPECT_TRUE(prompt.messages().isEmpty()) << prompt.messages().join("\n").toStdString();

    const QByteArray xml = documentXml(base + ".docx");
    EXPECT_EQ(BookmarkText(xml, "Bk102"), ReportTitle(set));
    EXPECT_EQ(BookmarkText(xml, "Bk504"), g.reportName + ", Rev F");
    EXPECT_EQ(BookmarkText(xml, "Bk2m2"), " "); // phase B was not measured
    for (const QString& mark : BookmarkNames(xml))
        EXPECT_FALSE(BookmarkText(xml, mark).contains("[" + mark + "]")) << mark.toStdString();
    const QString pdf = PdfText(base + ".pdf");
    EXPECT_TRUE(pdf.contains(ReportTitle(set)));
    EXPECT_TRUE(pdf.contains(g.reportName));
    EXPECT_FALSE(pdf.contains("[Bk"));
}

INSTANTIATE_TEST_SUITE_P(
    OneGroupPerSet, SetReport,
    ::testing::Values(SetCase{"do160_ANF115", &Do160Standard, "ANF115", false, false},
                      SetCase{"ms704_TAC", &Ms704Standard, "TAC", false, true},
                      SetCase{"ms704_HDC", &Ms704Standard, "HDC", true, false},
                      SetCase{"abd010018_D", &Abd010018Standard, "D", true, false},
                      SetCase{"a350_SVFH", &AbdA350Standard, "SVFH", false, false},
                      SetCase{"amd24_SCF", &Amd24Standard, "SCF", false, false},
                      SetCase{"b787A_TYPE2DC", &B787Standard, "TYPE2DC", true, false},
                      SetCase{"b787C_TYPE2DC", &b787RevC, "TYPE2DC", true, false},
                      SetCase{"b787C_235VAC", &b787RevC, "235VAC", false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetReport, AGroupWhoseTemplateIsMissingNamesItAndWritesNothing) {
    PowerGroup g = Ms704Standard().groups[0];
    g.reportTemplate = "MS704_XYZ_Template.doc";
    const ReportMade made =
        MakeDocumentReport(prompt, settings, paths, TableReportJob(g, sampleInput()), 1);
    EXPECT_FALSE(made.written);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_TRUE(prompt.messages()[0].startsWith(
        "The report template MS704_XYZ_Template.docx is in neither"));
    EXPECT_TRUE(prompt.messages()[0].contains(UserTemplateFolder(paths)));
    EXPECT_FALSE(QDir(dir.filePath("lab")).exists() && !QDir(dir.filePath("lab")).isEmpty());
}

TEST_F(SetReport, ALabsTemplateInItsFolderWinsAndItsMissingBookmarksAreListed) {
    const PowerGroup& g = B787Standard().groups[8];
    const QString name = ReportTemplateName(g.reportTemplate);
    QString copied, error;
    ASSERT_TRUE(CopyTemplateToUserFolder(paths, name, copied, error)) << error.toStdString();
    // The lab drops the observations and the phase C graphs from its copy.
    DocxPackage p;
    ASSERT_TRUE(ReadDocxPackage(copied, name, p, error));
    QByteArray xml = *p.find("word/document.xml");
    for (const char* mark : {"Bk510", "Gbkvi3"}) {
        const qsizetype at = xml.indexOf(QByteArray("w:name=\"") + mark + "\"");
        ASSERT_GT(at, 0);
        const qsizetype start = xml.lastIndexOf("<w:p>", at);
        xml.remove(start, xml.indexOf("</w:p>", at) + 6 - start);
    }
    p.put("word/document.xml", xml);
    bool zipped = false;
    const QByteArray bytes = ZipDocxPackage(p, zipped);
    ASSERT_TRUE(zipped);
    QFile lab(copied);
    ASSERT_TRUE(lab.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lab.write(bytes);
    lab.close();

    const ReportMade made =
        MakeDocumentReport(prompt, settings, paths, TableReportJob(g, sampleInput()), 3);
    ASSERT_TRUE(made.written);
    ASSERT_EQ(prompt.messages().size(), 1);
    EXPECT_EQ(prompt.messages()[0], "The report was made, but the template " + name +
                                        ".docx has no bookmark for:\nBk510, Gbkvi3");
    EXPECT_TRUE(made.files[0].endsWith("/B787_DC270T5-000003.docx"));
}

} // namespace
