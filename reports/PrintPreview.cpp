#include "reports/PrintPreview.h"

#include "reports/PrintedReport.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace ostrel {

void PrintReportWithPreview(QWidget* parent, const QStringList& markedLines, const QString& title,
                            const QDateTime& printed) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("Printing ") + title +
                           QStringLiteral(" - Click Cancel to quit"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&](QPrinter* p) { PaintReportLines(markedLines, title, printed, *p); });
    preview.exec();
}

} // namespace ostrel
