#pragma once
// The test report as plain text: the record's fields, the test tables, the
// EUT readings per test frequency and each phase's harmonic table. An absent
// reading is printed as "-", never as 0.
#include "reports/TestReportRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ostrel {

QStringList PlainTextReportLines(const TestReportRecord& record, const QDateTime& printed,
                                 const QString& programVersion);
// Written whole or not at all (the old file is kept).
bool WritePlainTextReport(const QString& path, const TestReportRecord& record,
                          const QDateTime& printed, const QString& programVersion, QString& error);

} // namespace ostrel
