#pragma once
// One period on a graph, as every waveform window shows it: 1024 points in
// volts over "0°" to "360°", the y axis "Voltage".
#include <QString>

#include <span>

namespace ostrel {

class GraphView;

// `volts` are drawn as they are; the scale spans -Vpk..+Vpk. The angle
// labels are `labelStep` degrees apart (45, or 90 on a thumbnail).
void ShowPeriod(GraphView& graph, std::span<const float> volts, double vpk, bool grid,
                int labelStep = 45);

} // namespace ostrel
