#include "reports/ReportOutput.h"

#include "reports/DocumentReport.h"
#include "reports/ReportNaming.h"
#include "reports/ReportTemplates.h"

#include <QDir>
#include <QRandomGenerator>

namespace ostrel {

namespace {
constexpr int kIecAutomaticNames = 100;
}

QStringList ReportFormatNames() {
    return {QStringLiteral("Printed text report"), QStringLiteral("Text file (.txt)"),
            QStringLiteral("Word document (.docx + PDF)")};
}

QString MissingTemplateMessage(const Paths& paths, const QString& templateName) {
    return QStringLiteral("The report template %1.docx is in neither %2 nor %3.")
        .arg(templateName, UserTemplateFolder(paths), ShippedTemplateFolder(paths));
}

ReportMade MakeDocumentReport(Prompt& prompt, const ReportSettings& settings, const Paths& paths,
                              const DocumentReportJob& job, int randomStart) {
    ReportMade made;
    const QString templatePath = FindReportTemplate(paths, job.templateName);
    if (templatePath.isEmpty()) {
        prompt.showMessage(MissingTemplateMessage(paths, job.templateName),
                           PromptIcon::Exclamation);
        return made;
    }
    const ReportNaming naming{settings.fileNamePrompt != 0,
                              ReportFolder(settings, paths),
                              job.prefix,
                              randomStart,
                              job.limit,
                              {QStringLiteral(".docx"), QStringLiteral(".pdf")}};
    const std::optional<QString> base = ChooseReportBase(prompt, naming);
    if (!base) return made;
    DocumentReportOutcome outcome;
    QString error;
    if (!WriteDocumentReport(templatePath, job.content, *base, job.title, outcome, error)) {
        prompt.showMessage(error, PromptIcon::Exclamation);
        return made;
    }
    made.written = true;
    made.files << outcome.docxPath << outcome.pdfPath;
    if (!outcome.missingBookmarks.isEmpty())
        prompt.showMessage(MissingBookmarksMessage(templatePath, outcome.missingBookmarks),
                           PromptIcon::Information);
    prompt.openDocument(outcome.docxPath);
    return made;
}

bool WriteAutomaticDocumentReport(const QString& templatePath, const DocumentReportJob& job, const QString& folder,
                                  DocumentReportOutcome& written, QString& error) {
    const QString base =
        AutomaticReportBase(QDir(folder).absolutePath(), job.prefix,
                            int(QRandomGenerator::global()->bounded(job.limit)), job.limit,
                            {QStringLiteral(".docx"), QStringLiteral(".pdf")});
    return WriteDocumentReport(templatePath, job.content, base, job.title, written, error);
}

ReportMade MakeIecReport(Prompt& prompt, const ReportSettings& settings, const Paths& paths,
                         const IecReportInput& input, int randomStart) {
    const QString title = input.record[FieldReportTitle];
    if (settings.reportFormat == ReportDocument)
        return MakeDocumentReport(prompt, settings, paths,
                                  {IecTemplateName(title), IecReportPrefix(title),
                                   kIecAutomaticNames, title, IecDocumentContent(input)},
                                  randomStart);
    ReportMade made;
    const ReportNaming naming{settings.fileNamePrompt != 0, ReportFolder(settings, paths),
                              IecReportPrefix(title),       randomStart,
                              kIecAutomaticNames,           {QStringLiteral(".txt")}};
    const std::optional<QString> base = ChooseReportBase(prompt, naming);
    if (!base) return made;
    QString error;
    const QString path = *base + QStringLiteral(".txt");
    if (!WriteIecTextReport(path, input, error)) {
        prompt.showMessage(error, PromptIcon::Exclamation);
        return made;
    }
    made.written = true;
    made.files << path;
    return made;
}

} // namespace ostrel
