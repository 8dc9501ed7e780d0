#pragma once
// Which power group fits the source's output mode, the default group of the
// window start, and the fall-back when the mode changed under a chosen group.
#include <QString>

namespace ostrel {

struct OutputState;
struct TestStandard;

bool GroupFitsMode(const TestStandard& standard, int group, int outputMode);
// In DC mode the first DC group; in AC modes by frequency and range. Sets
// that start on their fall-back group take it by mode and phase count.
int DefaultGroup(const TestStandard& standard, const OutputState& out);

// Choosing a group: "" when it is taken, else the warning (the choice stays).
QString GroupRefusal(const TestStandard& standard, int group, int outputMode);

struct GroupFallback {
    int group = 0;
    QString warning; // "" when the group still fits
};
// On activation: the group to fall back to, and the warning to show.
GroupFallback FallbackGroup(const TestStandard& standard, int group, int outputMode,
                            bool threePhase = false);

} // namespace ostrel
