#include "panel/PanelLimits.h"

namespace ostrel {

float MaxCurrent(const SourceModel& model, const OutputState& state) {
    return state.HighRange ? model.CurrentMax / 2 : model.CurrentMax;
}

float RangeValue(const SourceModel& model, int outputMode, int rangeIndex) {
    if (outputMode == ModeDC) return rangeIndex ? model.DcPosHigh : model.DcPosLow;
    return rangeIndex ? model.VoltHighRange : model.VoltLowRange;
}

ValueRange VoltageEntryRange(const OutputState& state, const UserLimits& limits) {
    if (state.OutputMode == ModeDC)
        return state.HighRange ? ValueRange{limits.vndcHigh, limits.vpdcHigh}
                               : ValueRange{limits.vndcLow, limits.vpdcLow};
    return {0, state.HighRange ? limits.vacHigh : limits.vacLow};
}

ValueRange VoltageSliderRange(const SourceModel& model, const OutputState& state) {
    const float range = RangeValue(model, state.OutputMode, state.HighRange);
    return state.OutputMode == ModeDC ? ValueRange{-range, range} : ValueRange{0, range};
}

ValueRange OffsetRange(const SourceModel& model, const OutputState& state) {
    const float range = RangeValue(model, ModeDC, state.HighRange);
    return {-range, range};
}

ValueRange CurrentRange(const SourceModel& model, const OutputState& state) {
    return {0, MaxCurrent(model, state)};
}

ValueRange PhaseRange() { return {0, 360}; }

ValueRange ModelFrequencyRange(const SourceModel& model) { return {model.FreqMin, model.FreqMax}; }

ValueRange UserFrequencyRange(const UserLimits& limits) { return {limits.freqMin, limits.freqMax}; }

QStringList PerPhaseCommands(bool threePhase, const std::array<bool, 3>& ticked, const QString& command) {
    if (!threePhase) return ticked[0] ? QStringList{command} : QStringList{};
    QStringList out;
    bool first = true;
    for (int p = 0; p < 3; ++p) {
        if (!ticked[p]) continue;
        const QString prefix = first ? QStringLiteral("inst:coup none;:inst:nsel ") : QStringLiteral("inst:nsel ");
        out.append(prefix + QString::number(p + 1) + QStringLiteral(";:") + command);
        first = false;
    }
    return out;
}

int ClipLevelOf(const PhaseState& phase) { return phase.ClipLevel > 0 ? phase.ClipLevel : kClipLevels[0]; }

QString WaveformArgument(int index, const SourceModel& model) {
    switch (index) {
    case 0:
        return QStringLiteral("sin");
    case 1:
        return QStringLiteral("squ");
    case 2:
        return QStringLiteral("csin");
    default:
        return index >= 0 && index < kWaveformSlots ? model.WaveformNames[index] : QString();
    }
}

} // namespace ostrel
