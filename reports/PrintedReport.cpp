#include "reports/PrintedReport.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

namespace ostrel {

namespace {

// The marked text as lines; a line starting "/r" is right-aligned.
QStringList splitLines(const QStringList& marked) {
    QStringList lines;
    for (const QString& chunk : marked) {
        const QStringList parts = chunk.split(QStringLiteral("/n"));
        if (parts.first().isEmpty() && parts.size() > 1) {
            for (qsizetype i = 1; i < parts.size(); ++i)
                lines << parts[i];
        } else {
            if (lines.isEmpty()) lines << QString();
            lines.last() += parts.first();
            for (qsizetype i = 1; i < parts.size(); ++i)
                lines << parts[i];
        }
    }
    return lines;
}

} // namespace

bool PaintReportLines(const QStringList& marked, const QString& title, const QDateTime& printed,
                      QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(9);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &device);
    const double margin = device.logicalDpiX() * 0.6;
    const double width = device.width() - 2 * margin;
    const double bottom = device.height() - margin;
    const double step = metrics.lineSpacing();
    const QString heading =
        title + QStringLiteral(" - Printed on: ") + printed.toString(QStringLiteral("yyyy-MM-dd"));
    int page = 0;
    double y = 0;
    auto startPage = [&] {
        if (page > 0) device.newPage();
        ++page;
        y = margin + metrics.ascent();
        painter.drawText(QPointF(margin, y), heading);
        const QString number = QStringLiteral("Page #") + QString::number(page);
        painter.drawText(QPointF(margin + width - metrics.horizontalAdvance(number), y), number);
        y += 2 * step;
    };
    startPage();
    for (const QString& line : splitLines(marked)) {
        if (y > bottom) startPage();
        if (line.startsWith(QLatin1String("/r"))) {
            const QString text = line.mid(2);
            painter.drawText(QPointF(margin + width - metrics.horizontalAdvance(text), y), text);
        } else {
            painter.drawText(QPointF(margin, y), line);
        }
        y += step;
    }
    return painter.end();
}

} // namespace ostrel
