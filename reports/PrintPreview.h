#pragma once
// The printed report: a print preview of the marked lines, then the printer.
#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

namespace ostrel {

void PrintReportWithPreview(QWidget* parent, const QStringList& markedLines, const QString& title,
                            const QDateTime& printed);

} // namespace ostrel
