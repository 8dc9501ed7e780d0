#include "iec/IecTrendGraph.h"

#include "iec/IecRun.h"
#include "measure/GraphView.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace ostrel {

// The run's readings as the report's trend graph: voltage, and current on
// the second axis, against the time of each reading.
QByteArray IecTrendPng(const IecRunOutcome& run) {
    const int n = int(run.trend.size());
    if (n < 2) return {};
    GraphView graph;
    graph.reset();
    graph.setTitle(QStringLiteral("Output voltage and current"));
    graph.setAxisTitles(QStringLiteral("Time (s)"), QStringLiteral("Voltage (V)"));
    graph.setSecondAxisTitle(QStringLiteral("Current (A)"));
    graph.setColors(15, 15, 0);
    graph.setSize(2, n);
    graph.setSubsetLabel(0, QStringLiteral("Vrms"));
    graph.setSubsetLabel(1, QStringLiteral("Irms"));
    graph.setSubsetColor(0, 9);
    graph.setSubsetColor(1, 12);
    graph.setSubsetOnSecondAxis(1);
    graph.setGrid(true);
    graph.setKeys(0, run.trend.back().seconds / (n - 1));
    QVector<float> values(2 * n, GraphView::kNullValue);
    for (int i = 0; i < n; ++i) {
        if (run.trend[size_t(i)].volts) values[i] = float(*run.trend[size_t(i)].volts);
        if (run.trend[size_t(i)].amps) values[n + i] = float(*run.trend[size_t(i)].amps);
    }
    graph.setYData(values);
    graph.resize(900, 420);
    graph.redraw();
    QImage image(900, 420, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    graph.render(painter, image.rect());
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace ostrel
