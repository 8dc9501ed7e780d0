#pragma once
// Paints a printed report's lines onto pages (a printer, or a PDF writer):
// "/n" starts a new line and "/r" right-aligns the rest of it; every page is
// headed by the title + " - Printed on: " + date and its "Page #" number.
#include <QDateTime>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace ostrel {

// False when the device cannot be painted on.
bool PaintReportLines(const QStringList& lines, const QString& title, const QDateTime& printed,
                      QPagedPaintDevice& device);

} // namespace ostrel
