#include "transients/StepTable.h"

namespace ostrel {

const QStringList& AcStepTypeNames() {
    static const QStringList names{
        QStringLiteral("Empty"),     QStringLiteral("V Drop"),  QStringLiteral("V Step"),
        QStringLiteral("V Srg/Sag"), QStringLiteral("V Sweep"), QStringLiteral("F Step"),
        QStringLiteral("F Srg/Sag"), QStringLiteral("F Sweep"), QStringLiteral("VF Step"),
        QStringLiteral("VF Sweep"),  QStringLiteral("Delay")};
    return names;
}

const QStringList& DcStepTypeNames() {
    static const QStringList names{QStringLiteral("Empty"),   QStringLiteral("V Drop"),
                                   QStringLiteral("V Step"),  QStringLiteral("V Srg/Sag"),
                                   QStringLiteral("V Sweep"), QStringLiteral("Delay")};
    return names;
}

std::optional<StepType> StepTypeFromName(QStringView name) {
    const QStringView t = name.trimmed();
    if (t.isEmpty()) return StepType::Empty;
    const QStringList& names = AcStepTypeNames();
    for (int code = 0; code < names.size(); ++code)
        if (t.compare(names[code], Qt::CaseInsensitive) == 0) return static_cast<StepType>(code);
    return std::nullopt;
}

QString StepTypeName(StepType type) {
    return AcStepTypeNames()[static_cast<int>(type)];
}

bool AllowedInDc(StepType type) {
    switch (type) {
    case StepType::Empty:
    case StepType::VDrop:
    case StepType::VStep:
    case StepType::VSurgeSag:
    case StepType::VSweep:
    case StepType::Delay:
        return true;
    default:
        return false;
    }
}

QString StepColumnHeading(int column, bool relative, bool cycles, bool dc) {
    switch (column) {
    case ColType:
        return QStringLiteral("Type");
    case ColTime:
        return cycles ? QStringLiteral("Cycles") : QStringLiteral("Time (s)");
    case ColVoltage:
        return relative ? QStringLiteral("Volt (%)") : QStringLiteral("Voltage");
    case ColFrequency:
        return relative ? QStringLiteral("Freq. (%)") : QStringLiteral("Freq.");
    case ColRepeat:
        return QStringLiteral("Repeat");
    case ColWaveform:
        return QStringLiteral("Waveform");
    case ColStartPhase:
        return dc ? QStringLiteral("Break") : QStringLiteral("Strt Phs");
    default:
        return QString();
    }
}

} // namespace ostrel
