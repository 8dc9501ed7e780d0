#pragma once
// The report record of a resident run: the title by the file's standard, the
// test site and user data of the set-up, and one row per catalogue entry
// with its command, frequencies and "SELECTED", "SKIPPED" or "NOT RUN".
#include "reports/ReportOutput.h"
#include "reports/TestReportRecord.h"
#include "standards/ResidentRun.h"

namespace ostrel {

TestReportRecord ResidentReportRecord(const ResidentOption& option, const ResidentSetup& setup,
                                      const ResidentOutcome& outcome, const QString& programTitle,
                                      const QString& setupPath);
// "SELECTED", "SKIPPED" or "NOT RUN".
QString ResidentReportStatus(const ResidentTestReport& test);
// The report file name: Reports/<prefix><number>.txt in the user folder.
QString ResidentReportName(const ResidentOption& option, const ResidentSetup& setup, int number);

// Who made the document report, for its print line.
struct ResidentReportSource {
    QString programVersion;
    QString model;
    QString serialNumber;
    QDateTime printed;
};

// The document report: the option's template (by group for MS704), named
// by the option's prefix, with the record's fields and one table row per
// catalogue entry at "BkTests".
DocumentReportJob ResidentReportJob(const ResidentOption& option, const ResidentSetup& setup,
                                    const TestReportRecord& record, const ResidentReportSource& source);

} // namespace ostrel
