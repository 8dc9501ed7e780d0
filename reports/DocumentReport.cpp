#include "reports/DocumentReport.h"

#include "reports/DocxPdf.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ostrel {

namespace {
bool save(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("Report %1 cannot be written: %2").arg(path, file.errorString());
    return false;
}
} // namespace

bool WriteDocumentFiles(const QString& templatePath, const DocumentContent& content,
                        const QString& docxPath, const QString& pdfPath, const QString& title,
                        DocumentReportOutcome& outcome, QString& error) {
    outcome = {};
    const QString label = QFileInfo(templatePath).fileName();
    DocxPackage package;
    if (!ReadDocxPackage(templatePath, label, package, error)) return false;
    if (!FillDocx(package, content, label, outcome.missingBookmarks, error)) return false;
    QByteArray docx, pdf;
    if (!docxPath.isEmpty()) {
        bool zipped = false;
        docx = ZipDocxPackage(package, zipped);
        if (!zipped) {
            error = QStringLiteral("Report %1 cannot be packed.").arg(docxPath);
            return false;
        }
    }
    if (!pdfPath.isEmpty() && !RenderDocxPdf(package, title, pdf, error)) return false;
    const bool hadDocx = QFileInfo::exists(docxPath);
    if (!docxPath.isEmpty() && !save(docxPath, docx, error)) return false;
    if (!pdfPath.isEmpty() && !save(pdfPath, pdf, error)) {
        // A new .docx without its PDF would be half a report.
        if (!docxPath.isEmpty() && !hadDocx) QFile::remove(docxPath);
        return false;
    }
    outcome.docxPath = docxPath;
    outcome.pdfPath = pdfPath;
    return true;
}

bool WriteDocumentReport(const QString& templatePath, const DocumentContent& content,
                         const QString& basePath, const QString& title,
                         DocumentReportOutcome& outcome, QString& error) {
    return WriteDocumentFiles(templatePath, content, basePath + QStringLiteral(".docx"),
                              basePath + QStringLiteral(".pdf"), title, outcome, error);
}

QString MissingBookmarksMessage(const QString& templatePath, const QStringList& missing) {
    if (missing.isEmpty()) return {};
    return QStringLiteral("The report was made, but the template %1 has no bookmark for:\n%2")
        .arg(QFileInfo(templatePath).fileName(), missing.join(QStringLiteral(", ")));
}

} // namespace ostrel
