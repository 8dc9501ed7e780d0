#include "waveforms/Drawing.h"

#include <cmath>

namespace ostrel {

namespace {

bool onGraph(QPointF p, int lastIndex, double vpk) {
    return std::isfinite(p.x()) && std::isfinite(p.y()) && p.x() >= 0 &&
           std::floor(p.x()) < lastIndex && std::abs(p.y()) <= vpk && vpk > 0;
}

} // namespace

bool StartDrawing(DrawState& state, QPointF position, int lastIndex, double vpk) {
    if (!onGraph(position, lastIndex, vpk)) return false;
    state.drawing = true;
    state.lastIndex = static_cast<int>(std::floor(position.x()));
    state.lastValue = position.y();
    return true;
}

void DrawTo(DrawState& state, QPointF position, int lastIndex, double vpk,
            std::span<float> buffer) {
    if (!state.drawing || !onGraph(position, lastIndex, vpk)) return;
    const int index = static_cast<int>(std::floor(position.x()));
    const double y = position.y();
    if (index == state.lastIndex) {
        buffer[size_t(index)] = static_cast<float>(y / vpk);
    } else {
        const int step = index > state.lastIndex ? 1 : -1;
        for (int i = state.lastIndex; i != index + step; i += step) {
            const double v = state.lastValue + (y - state.lastValue) * (i - state.lastIndex) /
                                                   (index - state.lastIndex);
            buffer[size_t(i)] = static_cast<float>(v / vpk);
        }
    }
    state.lastIndex = index;
    state.lastValue = y;
}

} // namespace ostrel
