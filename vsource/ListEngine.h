#pragma once
// The list-transient system as plain data: the run a transient is making, the
// checks at initiate, the values of a point and the order of points.
#include "vsource/InstrumentState.h"

#include <array>
#include <string>

namespace ostrel::vsource {

enum class RunState { Idle, Armed, Syncing, Running };

struct Position {
    int pass = 1;   // 1-based
    int point = 0;  // 0-based
    int repeat = 0; // 0 = the point's first execution
};

struct RunModes {
    bool freq = false;
    bool freqSlew = false;
    std::array<bool, 3> volt{};
    std::array<bool, 3> voltSlew{};
    std::array<bool, 3> func{};
};

struct TransientRun {
    RunState state = RunState::Idle;
    ListSettings lists; // as they were at initiate
    RunModes modes;
    int points = 0;
    Position at;
    double nextTime = kInfinity; // when the run next moves by itself
    bool awaitingStep = false;   // "list:step once": waiting for a trigger to go on
};

struct PointValues {
    double dwell = 0;
    double freq = 0;
    double freqSlew = kInfinity;
    int repeat = 0;
    bool ttl = false;
    std::array<double, 3> volt{};
    std::array<double, 3> voltSlew{};
    std::array<std::string, 3> shape;
};

// Checks the lists in use and counts the points: 0, or -221 when a list in use
// is empty, -226 when lists longer than one point differ in length.
int validateLists(const InstrumentState& state, const RunModes& modes, int outputs, int& points);

RunModes runModes(const SteadySettings& steady);

// Values of point k; a one-point list applies to every point, an unused list
// gives the present immediate value.
PointValues pointValues(const TransientRun& run, const SteadySettings& steady, int k);

// Where the run goes after `at`; false when the last pass has ended.
bool nextPosition(const TransientRun& run, Position& at);

} // namespace ostrel::vsource
