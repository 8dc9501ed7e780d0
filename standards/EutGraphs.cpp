#include "standards/EutGraphs.h"

#include "measure/GraphView.h"
#include "standards/EutMeasurement.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace ostrel {

namespace {
QString phaseName(int phase) {
    return QStringLiteral("Phase ") + QChar(u'A' + phase);
}

bool hasRecord(const Capture& w) {
    return w.samples > 0 && w.channels() >= 2;
}

bool hasSpectrum(const HarmonicVerdictTable& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const HarmonicVerdictRow& r) { return r.current.has_value(); });
}
} // namespace

void DrawPhaseRecord(GraphView& graph, const EutAcquisition& a, int phase) {
    const Capture& w = a.waveforms[static_cast<size_t>(phase)];
    graph.reset();
    graph.setTitle(phaseName(phase) + QStringLiteral(" Voltage and Current"));
    graph.setAxisTitles(QStringLiteral("Time (ms)"), QStringLiteral("Volts"));
    if (hasRecord(w)) {
        graph.setSize(2, w.samples);
        graph.setKeys(0, w.intervalUs / 1000.0);
        graph.setSubsetLabel(0, QStringLiteral("Voltage"));
        graph.setSubsetLabel(1, QStringLiteral("Current"));
        graph.setSubsetOnSecondAxis(1);
        graph.setSecondAxisTitle(QStringLiteral("Amps"));
        graph.setSubsetColor(1, 12);
        graph.setYData(w.values);
    }
    graph.redraw();
}

void DrawPhaseSpectrum(GraphView& graph, const EutAcquisition& a, int phase) {
    graph.reset();
    graph.setTitle(phaseName(phase) + QStringLiteral(" Harmonic Current"));
    graph.setAxisTitles(QStringLiteral("Harmonic"), QStringLiteral("% of fundamental"));
    graph.setStyle(GraphStyle::Bar);
    graph.setSize(1, kLimitedHarmonics);
    QVector<float> bars;
    QStringList labels;
    for (const HarmonicVerdictRow& row : a.harmonics[static_cast<size_t>(phase)]) {
        bars << row.percentFund.value_or(0);
        labels << QString::number(row.order);
    }
    graph.setPointLabels(labels);
    graph.setYData(bars);
    graph.redraw();
}

QByteArray GraphPng(const GraphView& graph) {
    QImage image(900, 450, QImage::Format_RGB32);
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

QByteArray PhaseGraphPng(const EutAcquisition& a, int phase, bool spectrum) {
    if (phase < 0 || phase >= a.phases) return {};
    const size_t i = static_cast<size_t>(phase);
    if (spectrum ? !hasSpectrum(a.harmonics[i]) : !hasRecord(a.waveforms[i])) return {};
    GraphView graph;
    spectrum ? DrawPhaseSpectrum(graph, a, phase) : DrawPhaseRecord(graph, a, phase);
    return GraphPng(graph);
}

} // namespace ostrel
