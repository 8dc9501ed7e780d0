#pragma once
// The IEC test report: one plain input that the IEC test windows (and the
// command-line run) fill, turned into a document report (NAME.docx + NAME.pdf
// from the template) or a plain-text report (a file or the printer's lines).
#include "reports/DocumentReport.h"
#include "reports/TestReportRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ostrel {

struct IecReportInput {
    // Fields 1-17 and 19 as the run left them (field 7 "PASS", "FAIL", ...;
    // field 17 "NONE, " + reason when the run did not end normally).
    TestReportRecord record;
    QString programVersion;
    QString model; // identification, for "Bk302"
    QString serialNumber;
    QString header0; // "Header0" / "Header1" settings, for the page header
    QString header1;
    QString parameters; // the test's parameters, one per line ("BkParams")
    // "BkSteps": row 0 the headers, then one row per step with its parameters,
    // repetitions, lowest V and highest I read and its result.
    ReportTable steps;
    bool eosUsed = false; // the electronic output switch option
    QByteArray trendPng;  // the V and I trend graph ("GbkTrend"); empty: none
    QDateTime printed;    // the time the report is made
};

// "IEC411Template" / "IEC414Template" / "IEC428Template" by the report title
// (field 2 names the part: "4-11", "4-14", ...), and the file name prefix
// that goes with it ("IEC411-", ...).
QString IecTemplateName(const QString& reportTitle);
QString IecReportPrefix(const QString& reportTitle);

// The bookmarks and their values (and tables and pictures) of an IEC report.
DocumentContent IecDocumentContent(const IecReportInput& input);

// Writes basePath + ".docx" and basePath + ".pdf" from the template (a .docx
// file). Both files are written whole or not at all. False with a message
// naming the template and its part, or the file that could not be written.
// Making the PDF needs a QGuiApplication (offscreen is enough).
bool WriteIecDocumentReport(const IecReportInput& input, const QString& templatePath,
                            const QString& basePath, DocumentReportOutcome& outcome,
                            QString& error);

// The same with each file named on its own; an empty path is not written.
bool WriteIecReportFiles(const IecReportInput& input, const QString& templatePath,
                         const QString& docxPath, const QString& pdfPath,
                         DocumentReportOutcome& outcome, QString& error);

// The plain-text report's lines (written UTF-8 with CR LF).
QStringList IecTextReportLines(const IecReportInput& input);
bool WriteIecTextReport(const QString& path, const IecReportInput& input, QString& error);
// The printed variant: lines starting "/n" (a new line); "/r" right-aligns.
QStringList IecPrintedReportLines(const IecReportInput& input);

} // namespace ostrel
