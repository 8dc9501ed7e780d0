#pragma once
// The report record of an IEC 61000-4-11 run: the numbered fields, the step
// table (parameters, repetitions, lowest V and highest I read, result) and
// the inrush line, for the text report and the report documents.
#include "iec/IecPlan.h"
#include "iec/IecRun.h"
#include "reports/TestReportRecord.h"

namespace ostrel {

extern const QString kIecReportTitle; // "EN 61000-4-11 Test Report"

// "Voltage dips test", "Voltage variations test"
QString IecTestTypeText(IecTable table);

TestReportRecord IecReportRecord(const IecTestFile& file, const QString& path, IecTable table,
                                 const IecRunOutcome& run);
// The command line's --user keys (TestedBy, Test_Location, EUT, Comment,
// Temperature, Humidity, Pressure, Observations); false for another key.
bool SetIecUserField(TestReportRecord& record, const QString& key, const QString& value);

} // namespace ostrel
