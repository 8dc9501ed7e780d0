#include "automation/Modulation.h"

#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

double roundTo(double value, double step) {
    return std::round(value / step) * step;
}

} // namespace

ModulationEntry RoundedModulationEntry(const ModulationEntry& entry) {
    return {roundTo(entry.average, 0.1), roundTo(entry.depth, 0.01), roundTo(entry.rate, 0.01),
            roundTo(entry.runTime, 0.01)};
}

QString ModulationRangeError(ModulationTab tab, const ModulationEntry& entry,
                             const ModulationLimits& limits) {
    const double a = entry.average;
    const double d = std::abs(entry.depth);
    if (tab == ModulationTab::Voltage) {
        if (d > a)
            return QStringLiteral("Data entry error. Requested modulation") + kCrLf +
                   QStringLiteral("depth exceeds average voltage.");
        if (a > limits.maxVoltage)
            return QStringLiteral("Data entry error. Requested average") + kCrLf +
                   QStringLiteral("voltage exceeds voltage range limit.");
        if (a + d > limits.maxVoltage)
            return QStringLiteral("Data entry error. Requested voltage") + kCrLf +
                   QStringLiteral("modulation will exceed voltage range limit.");
        return {};
    }
    if (a < limits.freqMin || a > limits.freqMax)
        return QStringLiteral("Data entry error. Requested average frequency") + kCrLf +
               QStringLiteral("is outside AC source frequency range.");
    if (a - d < limits.freqMin)
        return QStringLiteral("Data entry error. Requested frequency modulation") + kCrLf +
               QStringLiteral("is below AC source frequency range low limit.");
    if (a + d > limits.freqMax)
        return QStringLiteral("Data entry error. Requested frequency modulation") + kCrLf +
               QStringLiteral("is above AC source frequency range high limit.");
    return {};
}

bool ModulationTimingValid(const ModulationEntry& entry) {
    if (!std::isfinite(entry.rate) || !std::isfinite(entry.runTime)) return false;
    if (entry.rate <= 0 || entry.runTime <= 0) return false;
    return FormatNumber(1.0 / (2.0 * entry.rate), u"#0.00000") != QLatin1String("0.00000");
}

ModulationList ComputeModulationList(ModulationTab tab, const ModulationEntry& entry) {
    const bool voltage = tab == ModulationTab::Voltage;
    const QStringView levelMask = voltage ? u"#0.0" : u"#0.00";
    const double a = entry.average;
    const double d = entry.depth;
    ModulationList list;
    list.levels =
        FormatNumber(a + d, levelMask) + QLatin1Char(',') + FormatNumber(a - d, levelMask);
    list.dwellS = 1.0 / (2.0 * entry.rate);
    list.dwell = FormatNumber(list.dwellS, u"#0.00000");
    // The ramp ends a millisecond before the point does, where there is room.
    const double ramp = list.dwellS > 0.001 ? list.dwellS - 0.001 : list.dwellS;
    list.slew = FormatNumber(2.0 * std::abs(d) / ramp, u"#0.0000");
    const double passes = std::round(entry.runTime * entry.rate);
    list.count = passes < 1 ? 1 : passes > 1e9 ? 1000000000 : int(passes);
    list.spanS = list.count / entry.rate;
    return list;
}

QString ModulationListLine(ModulationTab tab, const ModulationList& list) {
    const bool voltage = tab == ModulationTab::Voltage;
    return (voltage ? QStringLiteral("list:volt ") : QStringLiteral("list:freq ")) + list.levels +
           QStringLiteral(";:list:dwell ") + list.dwell + QLatin1Char(',') + list.dwell +
           (voltage ? QStringLiteral(";:list:volt:slew ") : QStringLiteral(";:list:freq:slew ")) +
           list.slew + QLatin1Char(',') + list.slew;
}

QString ModulationSteadyLine(ModulationTab tab, const ModulationEntry& entry, bool dc) {
    if (tab == ModulationTab::Frequency)
        return QStringLiteral("freq ") + FormatNumber(entry.average, u"#0.0");
    return (dc ? QStringLiteral("inst:coup all;:volt:dc ")
               : QStringLiteral("inst:coup all;:volt ")) +
           FormatNumber(entry.average, u"#0.0");
}

} // namespace ostrel
