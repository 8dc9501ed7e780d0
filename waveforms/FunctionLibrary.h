#pragma once
// The function library's standard shapes, written into one period of the
// waveform buffer.
#include <QString>

#include <functional>
#include <span>

namespace ostrel {

enum class Shape { Sine, Triangle, Stepped, NoisySine, ClippedSine, LevelSegment };
inline constexpr int kShapeCount = 6;
QString ShapeCaption(Shape shape);

struct ShapeSettings {
    int multiplierIndex = 0;    // 2^index sine periods per buffer, index 0..5
    double sinePercent = 100;   // 0..100
    double noisePercent = 10;   // 1..50
    double clippedPercent = 10; // 1..50
    double angle = 0;           // segment start, 0..360 degrees
    double width = 90;          // segment width, 0..360 degrees
    int levelPercent = 100;     // segment level, -100..100 % of full scale
};
inline constexpr int kMaxMultiplierIndex = 5;

// The settings within their ranges, so no shape leaves full scale and no
// segment index leaves the period.
ShapeSettings Limited(ShapeSettings s);

// Writes `period` (1024 samples). The level segment changes only its own
// samples, wrapping past the period's end; every other shape writes them
// all. `random` gives uniform numbers in [0, 1) for the noise.
void FillShape(Shape shape, const ShapeSettings& settings, std::span<float> period,
               const std::function<double()>& random);

} // namespace ostrel
