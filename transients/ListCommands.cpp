#include "transients/ListCommands.h"

#include "link/Numbers.h"

namespace ostrel {

namespace {

QString dwellText(const ListPoint& p) {
    switch (p.dwellForm) {
    case DwellForm::Cycles:
        return FormatNumber(p.dwell, u"###0.0000");
    case DwellForm::Minimum:
        return FormatNumber(p.dwell, u"###0.0##");
    case DwellForm::Seconds:
        break;
    }
    return FormatNumber(p.dwell, u"###0.000");
}

// Enough decimals that a slow but real rate never reads as 0.
QString slewText(const std::optional<double>& rate) {
    return rate ? FormatNumber(*rate, u"###0.000###") : QStringLiteral("max");
}

template <typename Value> QString listOf(const ListSegment& segment, Value value) {
    QStringList values;
    values.reserve(static_cast<qsizetype>(segment.points.size()));
    for (const ListPoint& p : segment.points)
        values.append(value(p));
    return values.join(QLatin1Char(','));
}

} // namespace

bool PhaseAddressed(const ListProgram& program, int phase) {
    return phase >= 0 && phase < kListPhases && program.phases[phase] &&
           (phase == 0 || program.outputs == 3);
}

QStringList SegmentListCommands(const ListProgram& program, const ListSegment& segment) {
    QStringList lines;
    lines.append(QStringLiteral(":list:dwel ") + listOf(segment, dwellText));
    for (int phase = 0; phase < kListPhases; ++phase) {
        if (!PhaseAddressed(program, phase)) continue;
        lines.append(QStringLiteral(":inst:nsel %1;:list:volt ").arg(phase + 1) +
                     listOf(segment, [phase](const ListPoint& p) {
                         return FormatNumber(p.volt[phase], u"##0.0#");
                     }));
        lines.append(
            QStringLiteral(":list:volt:slew ") +
            listOf(segment, [phase](const ListPoint& p) { return slewText(p.voltSlew[phase]); }));
        if (program.frequencyLists)
            lines.append(
                QStringLiteral(":list:shap ") +
                listOf(segment, [phase](const ListPoint& p) { return p.waveform[phase]; }));
    }
    lines.append(QStringLiteral(":list:rep ") +
                 listOf(segment, [](const ListPoint& p) { return QString::number(p.repeat); }));
    if (program.triggerOutList)
        lines.append(QStringLiteral(":list:ttlt ") + listOf(segment, [](const ListPoint& p) {
                         return p.triggerOut ? QStringLiteral("1") : QStringLiteral("0");
                     }));
    if (program.frequencyLists) {
        lines.append(QStringLiteral(":list:freq ") + listOf(segment, [](const ListPoint& p) {
                         return FormatNumber(p.frequency, u"###0.0#");
                     }));
        lines.append(QStringLiteral(":list:freq:slew ") +
                     listOf(segment, [](const ListPoint& p) { return slewText(p.frequencySlew); }));
    }
    return lines;
}

} // namespace ostrel
