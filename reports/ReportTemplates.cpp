#include "reports/ReportTemplates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ostrel {

namespace {
QString docx(const QString& folder, const QString& name) {
    return folder + QLatin1Char('/') + name + QStringLiteral(".docx");
}
} // namespace

QString UserTemplateFolder(const Paths& paths) {
    return paths.userFile(QStringLiteral("Templates"));
}

QString ShippedTemplateFolder(const Paths& paths) {
    const QString installed = paths.shippedFile(QStringLiteral("reports"));
    if (QFileInfo::exists(docx(installed, QStringLiteral("IEC411Template")))) return installed;
    return QStringLiteral(OSTREL_BUILT_TEMPLATES_DIR);
}

QStringList ShippedTemplateNames(const Paths& paths) {
    QStringList names;
    const QDir folder(ShippedTemplateFolder(paths));
    for (const QFileInfo& f :
         folder.entryInfoList({QStringLiteral("*.docx")}, QDir::Files, QDir::Name))
        names << f.completeBaseName();
    return names;
}

QString FindReportTemplate(const Paths& paths, const QString& name) {
    for (const QString& folder : {UserTemplateFolder(paths), ShippedTemplateFolder(paths)})
        if (QFileInfo::exists(docx(folder, name))) return docx(folder, name);
    return {};
}

bool CopyTemplateToUserFolder(const Paths& paths, const QString& name, QString& copied,
                              QString& error) {
    copied = docx(UserTemplateFolder(paths), name);
    if (QFileInfo::exists(copied)) return true;
    const QString shipped = docx(ShippedTemplateFolder(paths), name);
    if (!QDir().mkpath(UserTemplateFolder(paths)) || !QFile::copy(shipped, copied)) {
        error = QStringLiteral("Template %1 cannot be copied to %2.")
                    .arg(shipped, UserTemplateFolder(paths));
        return false;
    }
    QFile(copied).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                 QFile::ReadOther);
    return true;
}

QString ReportFolder(const ReportSettings& settings, const Paths& paths) {
    QString folder = settings.reportFolder.trimmed();
    if (folder.isEmpty()) folder = paths.userFile(QStringLiteral("Reports"));
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    QDir().mkpath(folder);
    return folder;
}

} // namespace ostrel
