#pragma once
// A test window's `cmdPrint` for the IEC tests: the report in the format of
// the settings ("ReportFormat" 0 printed with a preview, 1 a text file, 2 a
// document), named and placed as the settings say.
#include "reports/IecReport.h"
#include "reports/ReportOutput.h"

class QWidget;

namespace ostrel {

struct Program;

ReportMade PrintIecReport(QWidget* window, Program& program, const IecReportInput& input);

} // namespace ostrel
