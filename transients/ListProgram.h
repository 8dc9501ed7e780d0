#pragma once
// A transient as the source plays it: segments of list points, each point a
// dwell with its repeat and trigger-out, a frequency and its slew, and per
// phase a voltage, its slew and a waveform. The step-table compiler makes
// it; the list commands load it; the list run plays it.
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace ostrel {

constexpr int kListPhases = 3;

// How a dwell is written: times in seconds "###0.000", times that came in
// cycles "###0.0000", the minimum dwell of a return point "###0.0##".
enum class DwellForm { Seconds, Cycles, Minimum };

struct ListPoint {
    double dwell = 0; // seconds
    DwellForm dwellForm = DwellForm::Seconds;
    int repeat = 0;
    bool triggerOut = false;
    double frequency = 0;
    std::optional<double> frequencySlew; // none: "max"
    std::array<double, kListPhases> volt{};
    std::array<std::optional<double>, kListPhases> voltSlew{}; // none: "max"
    std::array<QString, kListPhases> waveform;
};

struct ListSegment {
    int firstRow = 1; // the 1-based table row that opens it
    // AC: the angle the segment starts at ("trig:sync:phas"); none: immediate.
    std::optional<double> startAngle;
    // DC: a non-empty "Break" cell opened the segment.
    bool dcBreak = false;
    std::vector<ListPoint> points;
};

struct ListProgram {
    bool dc = false;
    // Frequency and waveform lists go out (AC and AC+DC modes).
    bool frequencyLists = false;
    // The source has a trigger-out list (the Vk family).
    bool triggerOutList = false;
    std::array<bool, kListPhases> phases{}; // taking part
    int outputs = 1;                        // 1 or 3: phases the output addresses
    std::vector<ListSegment> segments;
};

} // namespace ostrel
