#pragma once
// The EUT acquisitions and the report record of a standard test as JSON, for
// ostrel-cli run-test. A reading that did not come back is null.
#include "reports/TestReportRecord.h"
#include "standards/EutMeasurement.h"

#include <QJsonObject>

namespace ostrel {

// entry, frequency, measuredFrequency, complete, error, phases (per phase the
// readings and failingHarmonics), totalPower, unbalancePercent, thdLimit, verdict.
QJsonObject AcquisitionJson(const EutAcquisition& acquisition);
// fields by number (the non-empty ones), library, revision, group, testLabel, testPath.
QJsonObject ReportRecordJson(const TestReportRecord& record);

} // namespace ostrel
