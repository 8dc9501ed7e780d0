#pragma once
// What each model of the family can do: ranges, currents, frequency limits and
// the installed options it reports by default. Names and identification texts
// come from the shared model table.
#include "link/ModelTable.h"

#include <array>
#include <string>

namespace ostrel::vsource {

constexpr int kOptionCount = 21;

struct ModelLimits {
    const ModelRow* row = nullptr;
    double freqMin = 16;
    double freqMax = 1000;
    std::array<double, 2> acRange{150, 300}; // V rms, low and high range
    std::array<double, 2> dcRange{200, 400}; // V, low and high range (negative mirrors it)
    double currentBase = 5.0;                // "lim:curr?": full-scale current per phase, A
    double currentMaxLow = 6.5;              // maximum current per phase in the low range, A
    int relayHoldMs = 100;
    double impedanceMax = 1000; // programmable output resistance, milliohms
    int listCapacity = 100;     // points per transient list
    double minimumDwell = 0.001; // seconds: a shorter list point is out of range
    std::array<int, kOptionCount> defaultOptions{};
};

// Limits of a model index 0..12; any other index is clamped into that span.
ModelLimits modelLimits(int index);

// Highest current of a range: the high range delivers half the low range's current.
double currentMax(const ModelLimits& limits, int range);

// The "*OPT?" items of a model, comma-separated.
std::string defaultOptionText(const ModelLimits& limits);

} // namespace ostrel::vsource
