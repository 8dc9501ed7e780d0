#include "reports/ReportOutput.h"

#include "reports/ReportNaming.h"
#include "reports/ReportTemplates.h"

namespace ostrel {

namespace {
constexpr int kIecAutomaticNames = 100;
}

QStringList ReportFormatNames() {
    return {QStringLiteral("Printed text report"), QStringLiteral("Text file (.txt)"),
            QStringLiteral("Word document (.docx + PDF)")};
}

ReportMade MakeIecReport(Prompt& prompt, const ReportSettings& settings, const Paths& paths,
                         const IecReportInput& input, int randomStart) {
    ReportMade made;
    const bool document = settings.reportFormat == ReportDocument;
    const QString title = input.record[FieldReportTitle];
    QString templatePath;
    if (document) {
        templatePath = FindReportTemplate(paths, IecTemplateName(title));
        if (templatePath.isEmpty()) {
            prompt.showMessage(QStringLiteral("The report template %1.docx is missing from %2 and %3.")
                                   .arg(IecTemplateName(title), UserTemplateFolder(paths), ShippedTemplateFolder(paths)),
                               PromptIcon::Exclamation);
            return made;
        }
    }
    const QStringList extensions = document ? QStringList{QStringLiteral(".docx"), QStringLiteral(".pdf")}
                                            : QStringList{QStringLiteral(".txt")};
    const ReportNaming naming{settings.fileNamePrompt != 0, ReportFolder(settings, paths), IecReportPrefix(title),
                              randomStart, kIecAutomaticNames, extensions};
    const std::optional<QString> base = ChooseReportBase(prompt, naming);
    if (!base) return made;
    QString error;
    if (!document) {
        const QString path = *base + QStringLiteral(".txt");
        if (!WriteIecTextReport(path, input, error)) {
            prompt.showMessage(error, PromptIcon::Exclamation);
            return made;
        }
        made.written = true;
        made.files << path;
        return made;
    }
    DocumentReportOutcome outcome;
    if (!WriteIecDocumentReport(input, templatePath, *base, outcome, error)) {
        prompt.showMessage(error, PromptIcon::Exclamation);
        return made;
    }
    made.written = true;
    made.files << outcome.docxPath << outcome.pdfPath;
    if (!outcome.missingBookmarks.isEmpty())
        prompt.showMessage(MissingBookmarksMessage(templatePath, outcome.missingBookmarks), PromptIcon::Information);
    prompt.openDocument(outcome.docxPath);
    return made;
}

} // namespace ostrel
