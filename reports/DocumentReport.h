#pragma once
// A document report: the template filled and saved as base + ".docx", and
// the PDF rendered from that same filled document as base + ".pdf".
#include "reports/DocxFill.h"

#include <QString>
#include <QStringList>

namespace ostrel {

struct DocumentReportOutcome {
    QString docxPath;
    QString pdfPath;
    QStringList missingBookmarks; // bookmarks this template does not have
};

// Both files are made in memory first; neither is left behind when either
// cannot be written. False with a message naming the template and its part,
// or the file that could not be written. Needs a QGuiApplication.
bool WriteDocumentReport(const QString& templatePath, const DocumentContent& content,
                         const QString& basePath, const QString& title,
                         DocumentReportOutcome& outcome, QString& error);

// The same with the two files named on their own; an empty path is not written
// (the command line writes only the files it is asked for).
bool WriteDocumentFiles(const QString& templatePath, const DocumentContent& content,
                        const QString& docxPath, const QString& pdfPath, const QString& title,
                        DocumentReportOutcome& outcome, QString& error);

// "The template ... has no bookmark for: ..." for a non-empty list.
QString MissingBookmarksMessage(const QString& templatePath, const QStringList& missing);

} // namespace ostrel
