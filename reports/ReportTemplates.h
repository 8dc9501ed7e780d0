#pragma once
// Where report templates and reports live. A lab's own template (in the
// per-user template folder) wins over the shipped one of the same name.
#include "config/Paths.h"
#include "config/Settings.h"

#include <QString>
#include <QStringList>

namespace ostrel {

QString UserTemplateFolder(const Paths& paths);
// The shipped .docx templates: the installed data's reports/ folder, else the build's.
QString ShippedTemplateFolder(const Paths& paths);
// Every shipped template's name (without ".docx"), in name order.
QStringList ShippedTemplateNames(const Paths& paths);
// `name` without ".docx"; empty when neither folder has it.
QString FindReportTemplate(const Paths& paths, const QString& name);
// Copies the shipped template into the user folder (an existing copy is kept).
bool CopyTemplateToUserFolder(const Paths& paths, const QString& name, QString& copied,
                              QString& error);

// "ReportFolder", or the per-user "Reports" folder when it is empty (the
// program's folder is read-only). Made when missing.
QString ReportFolder(const ReportSettings& settings, const Paths& paths);

} // namespace ostrel
