#pragma once
// What an IEC 61000-4-11 run hands to its report: the numbered fields, the
// parameters, the step table (parameters, repetitions, lowest V and highest I
// read, result) and the inrush text, as the report documents take them.
#include "iec/IecPlan.h"
#include "iec/IecRun.h"
#include "reports/IecReport.h"

namespace ostrel {

struct Program;

extern const QString kIecReportTitle; // "EN 61000-4-11 Test Report"

// "Voltage dips test", "Voltage variations test"
QString IecTestTypeText(IecTable table);

IecReportInput IecRunReportInput(const Program& program, const IecTestFile& file,
                                 const QString& path, IecTable table, const IecRunOutcome& run);
// The command line's --user keys (TestedBy, Test_Location, EUT, Comment,
// Temperature, Humidity, Pressure, Observations); false for another key.
bool SetIecUserField(TestReportRecord& record, const QString& key, const QString& value);

} // namespace ostrel
