#include "waveforms/WaveformGraphs.h"

#include "measure/GraphView.h"

#include <QVector>

namespace ostrel {

void ShowPeriod(GraphView& graph, std::span<const float> volts, double vpk, bool grid,
                int labelStep) {
    const int points = static_cast<int>(volts.size());
    graph.setAxisTitles(QString(), QStringLiteral("Voltage"));
    graph.setGrid(grid);
    graph.setSize(1, points);
    graph.setSubsetColor(0, 9);
    QList<QPair<double, QString>> ticks;
    for (int degrees = 0; degrees <= 360; degrees += labelStep)
        ticks.append({degrees == 360 ? points - 1.0 : double(degrees) * points / 360,
                      QString::number(degrees) + QChar(0x00b0)});
    graph.setTickLabels(ticks);
    const double span = vpk > 0 ? vpk * 1.05 : 1;
    graph.setManualYScale(-span, span);
    graph.setYData(QVector<float>(volts.begin(), volts.end()));
    graph.redraw();
}

} // namespace ostrel
