#pragma once
// The PDF of a filled .docx, rendered from the document itself so the two
// never disagree: page size and margins, paragraph and run styles, tabs,
// breaks, tables, inline pictures, and the default header and footer (with
// their page numbers) on every page. Anything else keeps its text.
// Needs a QGuiApplication (offscreen is enough).
#include "reports/DocxPackage.h"

#include <QString>

#include <QByteArray>

namespace ostrel {

bool RenderDocxPdf(const DocxPackage& package, const QString& title, QByteArray& pdf,
                   QString& error);
// Written whole or not at all.
bool WriteDocxPdf(const DocxPackage& package, const QString& pdfPath, const QString& title,
                  QString& error);

} // namespace ostrel
