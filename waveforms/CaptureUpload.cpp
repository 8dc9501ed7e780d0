#include "waveforms/CaptureUpload.h"

#include "waveforms/AbwFile.h"

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

constexpr double kTwoPi = 8 * 0.78539816339744830962;

// Linear interpolation at position t of a record (clamped at its last sample).
double at(const QVector<float>& x, double t) {
    const qsizetype i = static_cast<qsizetype>(std::floor(t));
    if (i + 1 >= x.size()) return x.back();
    const double f = t - double(i);
    return x[i] + (x[i + 1] - x[i]) * f;
}

// Circular linear interpolation over one period.
double around(const std::vector<double>& x, double t) {
    const double n = double(x.size());
    t = std::fmod(t, n);
    if (t < 0) t += n;
    const size_t i = static_cast<size_t>(std::floor(t)) % x.size();
    const double f = t - std::floor(t);
    return x[i] + (x[(i + 1) % x.size()] - x[i]) * f;
}

} // namespace

std::optional<std::vector<float>> PeriodFromCapture(const Capture& capture, int channel,
                                                    double frequency, const QString& file,
                                                    QString& error) {
    const QVector<float> record =
        channel >= 0 && channel < capture.channels() ? capture.channel(channel) : QVector<float>();
    const double interval = capture.intervalUs * 1e-6;
    const double period = frequency > 0 && interval > 0 ? 1 / (frequency * interval) : 0;
    if (!(frequency > 0) || period < kMinUploadSamples || period > record.size()) {
        error = file + QStringLiteral("\r\ndoes not hold one whole period of ") +
                QString::number(frequency) + QStringLiteral(" Hz with at least 64 samples.");
        return std::nullopt;
    }
    const int n = kWaveformPeriod;
    std::vector<double> x(n);
    for (int j = 0; j < n; ++j)
        x[j] = at(record, j * period / n);

    // x ~ A sin(theta + phi): shift it back by phi.
    double re = 0, im = 0;
    for (int j = 0; j < n; ++j) {
        re += x[j] * std::sin(kTwoPi * j / n);
        im += x[j] * std::cos(kTwoPi * j / n);
    }
    const double shift = std::atan2(im, re) / kTwoPi * n;
    std::vector<double> y(n);
    for (int j = 0; j < n; ++j)
        y[j] = around(x, j - shift);

    double mean = 0;
    for (const double v : y)
        mean += v;
    mean /= n;
    double peak = 0;
    for (double& v : y) {
        v -= mean;
        peak = std::max(peak, std::abs(v));
    }
    std::vector<float> out(n);
    for (int j = 0; j < n; ++j)
        out[j] = peak > 0 ? static_cast<float>(y[j] / peak) : 0.0f;
    return out;
}

} // namespace ostrel
