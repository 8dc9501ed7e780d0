#include "reports/ReportNaming.h"

#include <QDir>
#include <QFileInfo>

namespace ostrel {

bool ReportExists(const QString& base, const QStringList& extensions) {
    for (const QString& ext : extensions)
        if (QFileInfo::exists(base + ext)) return true;
    return false;
}

QString AutomaticReportBase(const QString& folder, const QString& prefix, int start, int limit,
                            const QStringList& extensions) {
    limit = std::max(1, limit);
    auto base = [&](int n) {
        return folder + QLatin1Char('/') + prefix +
               QStringLiteral("%1").arg(n, 6, 10, QLatin1Char('0'));
    };
    for (int i = 0; i < limit; ++i) {
        const QString candidate = base(((start % limit) + limit + i) % limit);
        if (!ReportExists(candidate, extensions)) return candidate;
    }
    for (int n = limit;; ++n)
        if (!ReportExists(base(n), extensions)) return base(n);
}

QString ReportNameProblem(const QString& answer) {
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (answer == QLatin1String(".") || answer == QLatin1String(".."))
        return QStringLiteral("\"%1\" is not a file name.").arg(answer);
    for (QChar c : answer) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("A file name cannot hold control characters.");
        if (forbidden.contains(c))
            return QStringLiteral("A file name cannot hold any of \\ / : * ? \" < > |.");
    }
    return {};
}

std::optional<QString> AskReportBase(Prompt& prompt, const QString& folder,
                                     const QStringList& extensions) {
    const QString text = QStringLiteral("Enter filename for test report. The '.docx'\n"
                                        "extension will be added automatically.\n"
                                        "Report will be saved in:\n") +
                         QDir::toNativeSeparators(folder);
    QString initial;
    for (;;) {
        const std::optional<QString> answer =
            prompt.inputText(QStringLiteral("Test Report Filename Input Request"), text, initial);
        if (!answer || answer->trimmed().isEmpty()) return std::nullopt;
        QString name = answer->trimmed();
        for (const QString& ext : extensions)
            if (name.endsWith(ext, Qt::CaseInsensitive)) name.chop(ext.size());
        initial = name;
        if (const QString problem = ReportNameProblem(name); !problem.isEmpty()) {
            prompt.showMessage(problem, PromptIcon::Exclamation);
            continue;
        }
        const QString base = folder + QLatin1Char('/') + name;
        if (ReportExists(base, extensions) &&
            prompt.ask(QStringLiteral("Report %1 already exists.\nReplace it?").arg(name),
                       PromptButtons::YesNo, 2) != PromptAnswer::Yes)
            continue;
        return base;
    }
}

std::optional<QString> ChooseReportBase(Prompt& prompt, const ReportNaming& naming) {
    if (naming.prompt) return AskReportBase(prompt, naming.folder, naming.extensions);
    return AutomaticReportBase(naming.folder, naming.prefix, naming.start, naming.limit,
                               naming.extensions);
}

} // namespace ostrel
