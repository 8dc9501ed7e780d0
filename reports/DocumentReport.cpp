#include "reports/DocumentReport.h"

#include "reports/DocxPdf.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ostrel {

namespace {
bool save(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    error = QStringLiteral("Report %1 cannot be written: %2").arg(path, file.errorString());
    return false;
}
} // namespace

bool WriteDocumentReport(const QString& templatePath, const DocumentContent& content,
                         const QString& basePath, const QString& title,
                         DocumentReportOutcome& outcome, QString& error) {
    outcome = {};
    const QString label = QFileInfo(templatePath).fileName();
    DocxPackage package;
    if (!ReadDocxPackage(templatePath, label, package, error)) return false;
    if (!FillDocx(package, content, label, outcome.missingBookmarks, error)) return false;
    bool zipped = false;
    const QByteArray docx = ZipDocxPackage(package, zipped);
    QByteArray pdf;
    if (!zipped) {
        error = QStringLiteral("Report %1.docx cannot be packed.").arg(basePath);
        return false;
    }
    if (!RenderDocxPdf(package, title, pdf, error)) return false;
    const QString docxPath = basePath + QStringLiteral(".docx");
    const QString pdfPath = basePath + QStringLiteral(".pdf");
    const bool hadDocx = QFileInfo::exists(docxPath);
    if (!save(docxPath, docx, error)) return false;
    if (!save(pdfPath, pdf, error)) {
        // A new .docx without its PDF would be half a report.
        if (!hadDocx) QFile::remove(docxPath);
        return false;
    }
    outcome.docxPath = docxPath;
    outcome.pdfPath = pdfPath;
    return true;
}

QString MissingBookmarksMessage(const QString& templatePath, const QStringList& missing) {
    if (missing.isEmpty()) return {};
    return QStringLiteral("The report was made, but the template %1 has no bookmark for:\n%2")
        .arg(QFileInfo(templatePath).fileName(), missing.join(QStringLiteral(", ")));
}

} // namespace ostrel
