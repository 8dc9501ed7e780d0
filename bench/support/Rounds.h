#pragma once
// Alternating measurement rounds and their medians, so that a figure and its
// floor see the same machine load.
#include <functional>
#include <string>
#include <vector>

namespace ostrel::bench {

struct Contender {
    std::string name;
    // Runs `count` operations; returns false when one failed.
    std::function<bool(int count)> run;
    std::vector<double> perSecond = {}; // one figure per round
};

// Each round runs every contender once, in turn. False when one failed.
bool runRounds(std::vector<Contender>& contenders, int rounds, int count);

double median(std::vector<double> values);

} // namespace ostrel::bench
