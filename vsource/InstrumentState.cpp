#include "vsource/InstrumentState.h"

namespace ostrel::vsource {

void resetSettings(InstrumentState& state, const ModelLimits& limits) {
    state.steady = SteadySettings{};
    constexpr std::array<double, 3> kAngles{0, 240, 120};
    for (size_t p = 0; p < 3; ++p) {
        state.steady.phase[p].current = limits.currentMaxLow;
        state.steady.phase[p].angle = kAngles[p];
    }
    state.lists = ListSettings{};
    state.trigger = TriggerSettings{};
    state.selection = Selection{};
    state.status.esr = 0;
    state.thdRms = false;
    state.waveformLimit = true;
}

double maxVoltage(const SteadySettings& steady, const ModelLimits& limits) {
    size_t r = size_t(steady.range);
    return steady.mode == OutputMode::Dc ? limits.dcRange[r] : limits.acRange[r];
}

} // namespace ostrel::vsource
