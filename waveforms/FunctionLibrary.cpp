#include "waveforms/FunctionLibrary.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {
constexpr double kTwoPi = 8 * 0.78539816339744830962;
} // namespace

QString ShapeCaption(Shape shape) {
    static const char* const captions[kShapeCount] = {
        "Sine", "Triangle", "Stepped", "Sine with noise", "Clipped sine", "Level segment"};
    return QString::fromLatin1(captions[static_cast<int>(shape)]);
}

ShapeSettings Limited(ShapeSettings s) {
    s.multiplierIndex = std::clamp(s.multiplierIndex, 0, kMaxMultiplierIndex);
    s.sinePercent = std::clamp(s.sinePercent, 0.0, 100.0);
    s.noisePercent = std::clamp(s.noisePercent, 1.0, 50.0);
    s.clippedPercent = std::clamp(s.clippedPercent, 1.0, 50.0);
    s.angle = std::clamp(s.angle, 0.0, 360.0);
    s.width = std::clamp(s.width, 0.0, 360.0);
    s.levelPercent = std::clamp(s.levelPercent, -100, 100);
    return s;
}

void FillShape(Shape shape, const ShapeSettings& settings, std::span<float> b,
               const std::function<double()>& random) {
    const ShapeSettings s = Limited(settings);
    const int n = static_cast<int>(b.size());
    const auto set = [&](int k, double v) { b[static_cast<size_t>(k)] = static_cast<float>(v); };
    switch (shape) {
    case Shape::Sine: {
        const double m = std::pow(2.0, s.multiplierIndex);
        const double a = s.sinePercent / 100;
        for (int k = 0; k < n; ++k)
            set(k, a * std::sin(kTwoPi * k * m / n));
        break;
    }
    case Shape::Triangle: {
        const int quarter = n / 4, threeQuarters = n * 3 / 4;
        for (int k = 0; k <= quarter; ++k)
            set(k, 4.0 * k / n);
        for (int k = quarter; k <= threeQuarters; ++k)
            set(k, 1 - 4.0 * (k - quarter) / n);
        for (int k = threeQuarters; k < n; ++k)
            set(k, 4.0 * (k - threeQuarters) / n - 1);
        break;
    }
    case Shape::Stepped: {
        // Ten steps of a tenth of the period; where two writes meet, the
        // later one stays, as the steps' start indices show.
        const int offsets[5] = {0, n / 10, n * 2 / 10, n * 3 / 10, n * 4 / 10};
        const double levels[5] = {0.25, 0.75, 1.0, 0.75, 0.25};
        for (const int half : {0, 1}) {
            const int start = half * n / 2;
            const double sign = half ? -1 : 1;
            for (int k = start; k <= start + n / 10; ++k)
                for (int i = 0; i < 5; ++i)
                    set((k + offsets[i]) % n, sign * levels[i]);
        }
        break;
    }
    case Shape::NoisySine: {
        const double p = s.noisePercent / 100;
        for (int k = 0; k < n; ++k)
            set(k, (2 * random() - 1) * p + (1 - p) * std::sin(kTwoPi * k / n));
        break;
    }
    case Shape::ClippedSine: {
        const double c = 1 - s.clippedPercent / 100;
        for (int k = 0; k < n; ++k)
            set(k, std::clamp(std::sin(kTwoPi * k / n), -c, c));
        break;
    }
    case Shape::LevelSegment: {
        const double start = n * s.angle / 360;
        const long first = std::lrint(start);
        const long last = std::lrint(std::floor(double(n) / 360 * s.width) + start);
        for (long k = first; k <= last; ++k)
            set(static_cast<int>(k % n), s.levelPercent * 0.01);
        break;
    }
    }
}

} // namespace ostrel
