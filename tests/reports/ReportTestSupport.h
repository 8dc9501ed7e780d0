#pragma once
// Helpers of the report tests: the shipped templates, a filled IEC input,
// the text of a bookmark in a filled part, and pdftotext / pdfimages.
#include "reports/DocxPackage.h"
#include "reports/IecReport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ostrel::test {

QString ShippedTemplate(const QString& name); // the build's NAME.docx
IecReportInput SampleIecInput();
// The text inside the bookmark (its runs' w:t, w:tab as TAB, w:br as LF); null when absent.
QString BookmarkText(const QByteArray& partXml, const QString& name);
// The part with every bookmark's contents removed: what must stay as the template had it.
QByteArray WithoutBookmarkContents(const QByteArray& partXml);
bool WellFormedXml(const QByteArray& xml);
QString PdfText(const QString& pdfPath);       // pdftotext -layout
QStringList PdfImages(const QString& pdfPath); // pdfimages -list rows: "page width height"
QByteArray SolidPng(int width, int height, const char* colour);

} // namespace ostrel::test
