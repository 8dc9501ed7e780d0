#pragma once
// Drawing a waveform with the mouse: positions in graph coordinates (x the
// sample index, y volts) become normalised samples along straight lines.
#include <QPointF>

#include <span>

namespace ostrel {

struct DrawState {
    bool drawing = false;
    int lastIndex = 0;
    double lastValue = 0; // volts
};

// Starts drawing when the position lies on the graph: 0 <= x, the whole
// part of x below the period's last index, |y| <= Vpk.
bool StartDrawing(DrawState& state, QPointF position, int lastIndex, double vpk);
// Draws a straight line from the last position to this one, either way; a
// position off the graph draws nothing and leaves the state.
void DrawTo(DrawState& state, QPointF position, int lastIndex, double vpk, std::span<float> buffer);
inline void StopDrawing(DrawState& state) {
    state.drawing = false;
}

} // namespace ostrel
