#include "vsource/ModelLimits.h"

#include <algorithm>
#include <cmath>

namespace ostrel::vsource {

ModelLimits modelLimits(int index) {
    ModelLimits m;
    m.row = &kModelTable[static_cast<size_t>(std::clamp(index, 0, int(kModelTable.size()) - 1))];
    if (!m.row->vkFamily) {
        m.freqMin = 40;
        m.freqMax = 500;
    }
    m.listCapacity = m.row->listCapacity;
    m.minimumDwell = m.row->minimumDwell;
    m.currentBase = std::round(5.0 * m.row->currentMultiplier * 100) / 100;
    m.currentMaxLow = std::round(6.5 * m.row->currentMultiplier * 100) / 100;

    m.defaultOptions.fill(1);
    for (int off : {0, 5, 7, 8, 11, 12, 16})
        m.defaultOptions[size_t(off)] = 0;
    m.defaultOptions[1] = m.row->modeSwitchable ? 1 : 0;
    m.defaultOptions[2] = m.row->vkFamily ? 1 : 0;
    return m;
}

double currentMax(const ModelLimits& limits, int range) {
    return range == 0 ? limits.currentMaxLow : limits.currentMaxLow / 2;
}

std::string defaultOptionText(const ModelLimits& limits) {
    std::string text;
    for (int v : limits.defaultOptions) {
        if (!text.empty()) text += ',';
        text += char('0' + v);
    }
    return text;
}

} // namespace ostrel::vsource
