#pragma once
// Making a test's report in the format the settings ask for: "ReportFormat"
// 1 a text file, 2 a document (NAME.docx + NAME.pdf); 0 (printed) is the
// window's, which prints `IecPrintedReportLines`. The name comes from the
// operator or automatically ("FileNamePrompt"), in the report folder.
#include "core/Prompt.h"
#include "config/Paths.h"
#include "config/Settings.h"
#include "reports/DocumentReport.h"
#include "reports/DocxFill.h"
#include "reports/IecReport.h"

#include <QStringList>

namespace ostrel {

enum ReportFormat { ReportPrinted = 0, ReportTextFile = 1, ReportDocument = 2 };
// "Printed text report", "Text file (.txt)", "Word document (.docx + PDF)".
QStringList ReportFormatNames();

struct ReportMade {
    bool written = false; // false: cancelled (no name) or failed (the prompt was told)
    QStringList files;
};

// The files are written whole or not at all; a failure is shown through the
// prompt naming the template, part or file, and the input stays untouched so
// the report can be made again. A document is left open through the prompt.
struct DocumentReportJob {
    QString templateName; // without ".docx"
    QString prefix;       // automatic names: prefix + "000000"
    int limit = 100;      // automatic numbers start below it
    QString title;        // the PDF's title
    DocumentContent content;
};
// "The report template NAME.docx is in neither ... nor ...": the lab's folder and the shipped one.
QString MissingTemplateMessage(const Paths& paths, const QString& templateName);
// A document report (format 2) of any test window.
ReportMade MakeDocumentReport(Prompt& prompt, const ReportSettings& settings, const Paths& paths,
                              const DocumentReportJob& job, int randomStart);

// The command line's document report: named automatically in `folder` by the
// job's prefix. False with the message; `written` names both files.
bool WriteAutomaticDocumentReport(const QString& templatePath, const DocumentReportJob& job, const QString& folder,
                                  DocumentReportOutcome& written, QString& error);

ReportMade MakeIecReport(Prompt& prompt, const ReportSettings& settings, const Paths& paths,
                         const IecReportInput& input, int randomStart);

} // namespace ostrel
