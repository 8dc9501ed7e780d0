// A DO-160 run's record in its power group's template: summary fields, the
// test table rows (and the rows past the last bookmark), the EUT readings of
// the first test frequency, every frequency's table and the harmonic table.
#include "ReportTestSupport.h"

#include "reports/Do160Report.h"
#include "reports/DocumentReport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

Do160ReportInput sampleInput() {
    Do160ReportInput in;
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
    const Do160ReportInput in = sampleInput();
    ASSERT_EQ(Do160TemplateName(in.record.groupName), "DO160_ACF_Template");
    EXPECT_EQ(Do160ReportPrefix("Z DC 28V"), "DO160_ZDC-");
    QTemporaryDir dir;
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteDocumentReport(ShippedTemplate("DO160_ACF_Template"), Do160DocumentContent(in),
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
