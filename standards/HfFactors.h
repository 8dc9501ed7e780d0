#pragma once
// High-frequency voltage correction: per phase three factors, keys "0VF",
// "1VF", "2VF" of each phase's section of "HFVolt_CalFactors.ini", chosen
// by the step's frequency. DC steps and steps at or below 500 Hz use 1.
#include <QString>

#include <array>

namespace ostrel {

struct Paths;

struct HfFactors {
    std::array<std::array<double, 3>, 3> factor{{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}}; // [phase][band]

    // 1 for f <= 500 Hz; band 0 for 500 < f <= 600, band 1 up to 700, band 2 above.
    double at(double frequencyHz, int phase, bool dc) const;
};

// The operator's copy when there is one, else the shipped file; 1 where a key is missing.
HfFactors ReadHfFactors(const Paths& paths);
HfFactors ReadHfFactorsFile(const QString& path);

} // namespace ostrel
