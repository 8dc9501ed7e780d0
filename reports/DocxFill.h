#pragma once
// Fills a .docx template's bookmarks in the body, headers and footers. Only
// the bookmarks' contents change (and what is inserted after them); every
// other byte of every part stays as the template had it.
#include "reports/DocxPackage.h"
#include "reports/TestReportRecord.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace ostrel {

struct DocumentContent {
    // The bookmark's text; empty becomes " " so the bookmark survives. Line
    // breaks and TABs are kept.
    QMap<QString, QString> text;
    // A table inserted after the bookmark's paragraph; row 0 is the header
    // row, repeated on each page.
    QMap<QString, ReportTable> tables;
    // Paragraphs inserted after the bookmark's paragraph.
    QMap<QString, QStringList> paragraphsAfter;
    // A PNG shown inline at the bookmark.
    QMap<QString, QByteArray> pictures;
};

// Bookmarks named in `content` that no part of the template has are listed in
// `missing`. False (and the package unchanged) for a bookmark that crosses
// paragraphs or a part that is not well-formed XML; the message names the
// template (`label`), the part and the bookmark.
bool FillDocx(DocxPackage& package, const DocumentContent& content, const QString& label,
              QStringList& missing, QString& error);

// The bookmark names in a part, in document order.
QStringList BookmarkNames(const QByteArray& partXml);

} // namespace ostrel
