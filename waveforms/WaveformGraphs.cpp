#include "waveforms/WaveformGraphs.h"

#include "measure/GraphView.h"

#include <QVector>

namespace ostrel {

void ShowPeriod(GraphView& graph, std::span<const float> volts, double vpk, bool grid) {
    const int points = static_cast<int>(volts.size());
    graph.setAxisTitles(QString(), QStringLiteral("Voltage"));
    graph.setGrid(grid);
    graph.setSize(1, points);
    graph.setSubsetColor(0, 9);
    QList<QPair<int, QString>> ticks;
    for (int i = 0; i <= 8; ++i)
        ticks.append({i == 8 ? points - 1 : i * points / 8, QString::number(i * 45) + QChar(0x00b0)});
    graph.setTickLabels(ticks);
    const double span = vpk > 0 ? vpk * 1.05 : 1;
    graph.setManualYScale(-span, span);
    graph.setYData(QVector<float>(volts.begin(), volts.end()));
    graph.redraw();
}

} // namespace ostrel
