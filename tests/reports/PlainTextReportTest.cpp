// The test report record as the run and the operator fill it, and its
// plain-text report: fields, tables, readings (absent ones shown as "-").
#include "reports/PlainTextReport.h"
#include "link/OutputState.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(9, 5, 7));
const QDateTime kEnd(QDate(2026, 3, 2), QTime(9, 6, 0));

TestReportRecord startedRecord(int mode = ModeAC) {
    TestReportRecord r;
    BeginReport(r, {"Ostrel", "RTCA/DO160 Test Report", "/data/DO160_RevF/ACF115_Normal.ini", mode,
                    115.04f, 400, kStart});
    r.library = "DO160_RevF";
    r.revision = "F";
    r.groupName = "A(CF) 115V";
    r.testLabel = "16Ex 1\tnormal steady state";
    r.structureTable = {{"", "Section", "Test File"}, {"1", "16", "ACF115_Normal"}};
    r.stepTable = {{"", "Freq", "Volt_A"}, {"1", "400.0", "115.0"}};
    return r;
}

TEST(TestReportRecord, TheRunAndTheOperatorFillTheirFields) {
    TestReportRecord r = startedRecord();
    EXPECT_EQ(r[FieldTestFile], "ACF115_Normal.ini");
    EXPECT_EQ(r[FieldTestType], "AC Frequency and Voltage test");
    EXPECT_EQ(r[FieldNominalVoltage], "115.0");
    EXPECT_EQ(r[FieldTestResult], "Test completed");
    EXPECT_EQ(r[FieldTimeStarted], "Monday, March 2, 2026 09:05:07");
    EXPECT_EQ(r[FieldTimeEnded], "NONE");
    EXPECT_EQ(TestTypeText(ModeDC), "DC Voltage test");
    EXPECT_EQ(TestTypeText(7), "Unknown");

    EndReport(r, "User Abort", kEnd);
    EXPECT_EQ(r[FieldTestResult], "User Abort");
    EXPECT_EQ(r[FieldTimeEnded], "Monday, March 2, 2026 09:06:00");

    for (const QString& name : UserDataFieldNames())
        EXPECT_TRUE(SetUserDataField(r, name, name + " text")) << name.toStdString();
    EXPECT_FALSE(SetUserDataField(r, "colour", "x"));
    EXPECT_EQ(r[FieldEutDescription], "eut text");
    EXPECT_EQ(r[FieldPressure], "pressure text");
    EXPECT_EQ(r[FieldObservations],
              "User comments\r\n" + QString(72, '-') + "\r\nobservations text");
}

TEST(PlainTextReport, ShowsTheRunTheTablesAndEveryReadingOrADash) {
    TestReportRecord r = startedRecord();
    r.threePhase = true;
    EndReport(r, "User Abort", kEnd);
    SetUserDataField(r, "operator", "J. Doe");
    EutAcquisition a;
    a.complete = true;
    a.entry = 2;
    a.phases = 3;
    a.measuredFrequency = 400.04f;
    for (EutPhaseReadings& p : a.phase) {
        p.voltage = 115;
        p.current = 2.3f;
        p.power = 264.5f;
        p.currentThd = 3;
    }
    a.phase[1].power.reset();
    a.thdLimit = 5;
    a.verdict = DistortionVerdict::Pass;
    DistortionLimits limits;
    limits.harmonic[2] = 4;
    HarmonicData spectrum;
    spectrum.current.amplitude[1] = 2.3f;
    spectrum.voltage.amplitude[1] = 115;
    a.harmonics[0] = BuildHarmonicTable(spectrum, true, 400, true, limits);
    r.eut << a;

    const QStringList lines = PlainTextReportLines(r, kEnd, "0.1.0");
    // Table columns are compared with single blanks between them.
    QStringList simplified;
    for (const QString& l : lines)
        simplified << l.simplified();
    const auto has = [&](const QString& line) {
        return lines.contains(line) || simplified.contains(line)
                   ? testing::AssertionSuccess()
                   : testing::AssertionFailure() << line.toStdString();
    };
    EXPECT_EQ(lines[0], "Ostrel");
    EXPECT_EQ(lines[1], "RTCA/DO160 Test Report");
    EXPECT_TRUE(has("TEST RESULT          = User Abort"));
    EXPECT_TRUE(has("Time test aborted    = Monday, March 2, 2026 09:06:00"));
    EXPECT_TRUE(has("Power group          = A(CF) 115V, Rev F"));
    EXPECT_TRUE(has("Selected test        = 16Ex 1 normal steady state"));
    EXPECT_TRUE(has("Test operator        = J. Doe"));
    EXPECT_TRUE(has("Nominal voltage      = 115.0 V AC"));
    EXPECT_TRUE(has("Output configuration = Three phase mode"));
    EXPECT_TRUE(has("1 400.0 115.0"));
    // A blank first header keeps the columns under their headers.
    const qsizetype header = lines.indexOf("TEST TABLE:") + 2;
    EXPECT_EQ(lines[header].indexOf("Section"), lines[header + 1].indexOf("16"));
    EXPECT_TRUE(has("EUT MEASUREMENTS @ 400_Hz:"));
    // Phase B's power did not come back: a dash, and no total.
    EXPECT_TRUE(has("B 115.00 2.300 - - - 3.00 -"));
    EXPECT_TRUE(has("Total VA             = -"));
    EXPECT_TRUE(has("Current THD verdict  = Pass"));
    EXPECT_TRUE(has("3 1200.0 0.000 0.00 4.00 0.00 4.00 Pass"));
    EXPECT_TRUE(has("17 6800.0 BWL"));
}

TEST(PlainTextReport, AFileThatCannotBeWrittenLeavesTheOldOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath("report.txt");
    QString error;
    ASSERT_TRUE(WritePlainTextReport(path, startedRecord(), kEnd, "0.1.0", error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("Ostrel\r\nRTCA/DO160 Test Report\r\n"));
    EXPECT_FALSE(WritePlainTextReport(dir.filePath("missing/report.txt"), startedRecord(), kEnd,
                                      "0.1.0", error));
    EXPECT_TRUE(error.contains("missing/report.txt")) << error.toStdString();
}

} // namespace
