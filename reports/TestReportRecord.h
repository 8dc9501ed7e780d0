#pragma once
// What a test window hands to its report: the numbered text fields every
// report document is built from, and beside them the tables, readings and
// arrays of the run. The run fills fields 1-7, 16 and 17, the operator's
// user data fields 8-15.
#include "standards/EutMeasurement.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

namespace ostrel {

enum ReportField {
    FieldProgramTitle = 1,
    FieldReportTitle = 2,
    FieldTestFile = 3, // file name without its folder
    FieldTestType = 4,
    FieldNominalVoltage = 5,
    FieldNominalFrequency = 6,
    FieldTestResult = 7,
    FieldEutDescription = 8,
    FieldOperator = 9,
    FieldComment = 10,
    FieldSite = 11,
    FieldTemperature = 12,
    FieldHumidity = 13,
    FieldPressure = 14,
    FieldObservations = 15, // heading, rule and the observations text
    FieldTimeStarted = 16,
    FieldTimeEnded = 17, // "NONE" while no end is known
    FieldInrush = 19,    // empty when no inrush test was made
};
constexpr int kReportFieldCount = 20;

// A grid as shown: row 0 holds the headers.
using ReportTable = QVector<QStringList>;

struct TestReportRecord {
    std::array<QString, kReportFieldCount> field{};

    QString library;   // the library entry ("DO160_RevF" or a user library)
    QString revision;  // its revision letter
    QString groupName; // the power group's report name ("A(CF) 115V")
    QString groupCaption;
    QString testLabel; // structure columns 1 and 2, a TAB, column 3
    QString testPath;  // the loaded test sequence file
    bool dcMode = false;
    bool threePhase = false;
    ReportTable structureTable;
    ReportTable stepTable;
    // One per test frequency measured, with harmonic tables, waveforms and spectra.
    QVector<EutAcquisition> eut;
    QString observations; // the operator's text, before the heading of field 15

    QString& operator[](ReportField f) { return field[static_cast<size_t>(f)]; }
    const QString& operator[](ReportField f) const { return field[static_cast<size_t>(f)]; }
};

// "dddddd ttttt": the long date and the time.
QString ReportTime(const QDateTime& when);
// "AC Frequency and Voltage test", "DC Voltage test" or "Unknown" by output mode.
QString TestTypeText(int outputMode);

struct ReportStart {
    QString programTitle;
    QString reportTitle; // "RTCA/DO160 Test Report"
    QString testPath;
    int outputMode = 0;
    float nominalVoltage = 0; // phase A, AC or DC value by mode
    float nominalFrequency = 0;
    QDateTime started;
};
// Fields 1-7, 16 and 17 at the start of a run: result "Test completed" until
// the run ends otherwise, end "NONE".
void BeginReport(TestReportRecord& record, const ReportStart& start);
// The result text ("Test completed", "User Abort", "Test failed") and the end time.
void EndReport(TestReportRecord& record, const QString& result, const QDateTime& ended);

// The user data fields by their command-line names: eut, operator, comment,
// site, temp, humidity, pressure, observations. False for an unknown name.
bool SetUserDataField(TestReportRecord& record, const QString& name, const QString& text);
QStringList UserDataFieldNames();

} // namespace ostrel
