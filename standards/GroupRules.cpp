#include "standards/GroupRules.h"

#include "link/OutputState.h"
#include "standards/TestStandard.h"

namespace ostrel {

bool GroupFitsMode(const TestStandard& standard, int group, int outputMode) {
    if (group < 0 || group >= int(standard.groups.size())) return false;
    return standard.groups[size_t(group)].dc == (outputMode == ModeDC);
}

int DefaultGroup(const TestStandard& s, const OutputState& out) {
    if (s.defaultGroupIsFallback) {
        const GroupFallback f = FallbackGroup(s, -1, out.OutputMode, out.MultiPhaseOutput != 0);
        return f.group;
    }
    if (out.OutputMode == ModeDC) return s.firstDcGroup;
    const bool high = out.HighRange != 0;
    if (out.Frequency <= s.defaultGroupFrequencyHz)
        return high ? s.lowFrequencyHighRange : s.lowFrequencyGroup;
    return high ? s.highFrequencyHighRange : s.highFrequencyGroup;
}

QString GroupRefusal(const TestStandard& s, int group, int outputMode) {
    if (GroupFitsMode(s, group, outputMode)) return {};
    if (group < 0 || group >= int(s.groups.size())) return QStringLiteral("Unknown power group.");
    return s.groups[size_t(group)].dc ? s.dcGroupInAcWarning : s.acGroupInDcWarning;
}

GroupFallback FallbackGroup(const TestStandard& s, int group, int outputMode, bool threePhase) {
    if (GroupFitsMode(s, group, outputMode)) return {group, {}};
    if (outputMode == ModeDC) return {s.dcFallbackGroup, s.dcFallbackWarning};
    if (threePhase && s.acFallbackGroupThreePhase >= 0)
        return {s.acFallbackGroupThreePhase, s.acFallbackWarningThreePhase};
    return {s.acFallbackGroup, s.acFallbackWarning};
}

} // namespace ostrel
