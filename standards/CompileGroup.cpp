#include "standards/CompileGroup.h"

#include "link/Numbers.h"
#include "link/OutputState.h"
#include "standards/TestSteps.h"

namespace ostrel {

namespace {

QString slewText(const QString& cell, double factor, QChar sep, bool& ok) {
    if (IsMax(cell)) return QStringLiteral("max");
    const std::optional<double> v = CellNumber(cell, sep);
    ok = ok && v.has_value();
    return FormatNumber(v.value_or(0) * factor, u"####0.0000");
}

QString shapeText(const QString& cell) {
    const QString shape = cell.trimmed();
    if (shape.isEmpty() || shape.compare(QLatin1String("SINE"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("sin");
    return shape;
}

} // namespace

CompiledGroup CompileGroup(const StepGrid& grid, int firstRow, int lastRow,
                           const CompileOptions& o) {
    CompiledGroup out;
    const QChar sep = o.decimalSeparator;
    const int phases = o.threePhase ? 3 : 1;
    QStringList freq, freqSlew, dwell;
    std::array<QStringList, 3> volt, voltSlew, shape;
    bool ok = true;
    int badRow = 0;
    for (int r = firstRow; r <= lastRow; ++r) {
        const bool before = ok;
        const std::optional<double> f = CellNumber(grid.cell(r, ColFreq), sep);
        if (!o.dc) {
            ok = ok && f.has_value();
            freq << FormatNumber(f.value_or(0), u"##0.0");
            freqSlew << slewText(grid.cell(r, ColFreqSlew), 1.0, sep, ok);
        }
        const double hz = f.value_or(0);
        for (int p = 1; p <= phases; ++p) {
            const double factor = o.factors.at(hz, p - 1, o.dc);
            const std::optional<double> v = CellNumber(grid.cell(r, 3 * p), sep);
            ok = ok && v.has_value();
            volt[size_t(p - 1)] << FormatNumber(v.value_or(0) * factor, u"##0.0");
            voltSlew[size_t(p - 1)] << slewText(grid.cell(r, 3 * p + 1), factor, sep, ok);
            shape[size_t(p - 1)] << shapeText(grid.cell(r, 3 * p + 2));
        }
        const std::optional<double> d = CellNumber(grid.cell(r, ColDwell), sep);
        ok = ok && d.has_value();
        dwell << FormatNumber(d.value_or(0), u"###0.0000");
        out.dwellSum += d.value_or(0);
        if (before && !ok) badRow = r;
        ++out.points;
    }
    bool loopOk = false;
    const int loop = grid.cell(firstRow, ColLoop).trimmed().toInt(&loopOk);
    out.count = loopOk && loop > 0 ? loop : 1;
    if (!ok) {
        out.error = QStringLiteral("Row %1 holds a value that is not a number.").arg(badRow);
        return out;
    }
    const QString comma = QStringLiteral(",");
    if (!o.dc)
        out.lines << QStringLiteral("list:freq ") + freq.join(comma) + QStringLiteral(";:list:freq:slew ") +
                         freqSlew.join(comma);
    for (int p = 1; p <= phases; ++p) {
        out.lines << (p == 1 ? QStringLiteral("inst:coup none;:inst:nsel 1")
                             : QStringLiteral("inst:nsel %1").arg(p));
        out.lines << QStringLiteral("list:volt ") + volt[size_t(p - 1)].join(comma) +
                         QStringLiteral(";:list:volt:slew ") + voltSlew[size_t(p - 1)].join(comma);
        if (!o.dc) out.lines << QStringLiteral("list:shap ") + shape[size_t(p - 1)].join(comma);
    }
    out.lines << QStringLiteral("list:dwell ") + dwell.join(comma) + QStringLiteral(";:list:coun ") +
                     QString::number(out.count);
    out.lines << (o.triggerOutBot ? QStringLiteral("list:ttlt 0;:list:rep 0")
                                  : QStringLiteral("list:ttlt 1;:list:rep 0"));
    return out;
}

QStringList SetListModesLines(bool dc, bool threePhase) {
    return {dc ? QStringLiteral("freq:mode fix;:freq:slew:mode fix")
               : QStringLiteral("freq:mode list;:freq:slew:mode list"),
            threePhase ? QStringLiteral("inst:coup all") : QStringLiteral("inst:coup none;:inst:nsel 1"),
            QStringLiteral("volt:mode list;:volt:slew:mode list"),
            dc ? QStringLiteral("func:mode fix") : QStringLiteral("func:mode list")};
}

QStringList SetTriggeringLines(bool dc, bool triggerOutBot, double angle, int count) {
    return {QStringLiteral("trig:tran:source imm;:list:step auto;:list:coun %1").arg(count),
            QStringLiteral("trig:coun none"), QStringLiteral("outp:ttlt:mode trig;:outp:ttlt 1"),
            triggerOutBot ? QStringLiteral("outp:ttlt:sour bot") : QStringLiteral("outp:ttlt:sour list"),
            dc ? QStringLiteral(":init:cont 0;:trig:sync:sour imm")
               : QStringLiteral(":init:cont 0;:trig:sync:phas ") + FormatNumber(angle, u"##0.0") +
                     QStringLiteral(";:trig:sync:sour phas")};
}

QStringList ResetListsLines(bool dc, double steadyFrequency) {
    QStringList lines{QStringLiteral("inst:coup all"), QStringLiteral("list:volt 0;:list:volt:slew max")};
    if (!dc)
        lines << QStringLiteral("list:freq ") + FormatNumber(steadyFrequency, u"##0.0") +
                     QStringLiteral(";:list:freq:slew max")
              << QStringLiteral("list:shap sin");
    lines << QStringLiteral("list:ttlt 0;:list:rep 0");
    return lines;
}

QStringList SetFixedModesLines(int mode) {
    QStringList lines;
    if (mode == ModeAC || mode == ModeACDC) lines << QStringLiteral("freq:mode fix;:freq:slew:mode fix");
    lines << QStringLiteral("inst:coup all") << QStringLiteral("volt:mode fix;:volt:slew:mode fix");
    if (mode != ModeDC) lines << QStringLiteral("func:mode fix");
    return lines;
}

QStringList SteadyStateLines(const OutputState& out, bool threePhase) {
    const auto v = [&](int p) {
        const PhaseState& s = out.Phase[size_t(p)];
        return FormatNumber(out.OutputMode == ModeDC ? s.DcVoltage : s.Voltage, u"##0.0");
    };
    const QString f = FormatNumber(out.Frequency, u"##0.00");
    if (out.OutputMode != ModeDC) {
        if (threePhase)
            return {QStringLiteral("inst:coup none;:inst:nsel 1;:volt:mode fix;:volt:ac ") + v(0) +
                        QStringLiteral(";:func sine"),
                    QStringLiteral("inst:nsel 2;:volt:mode fix;:volt:ac ") + v(1) + QStringLiteral(";:func sin"),
                    QStringLiteral("inst:nsel 3;:volt:mode fix;:volt:ac ") + v(2) + QStringLiteral(";:func sin"),
                    QStringLiteral("freq:mode fix;:freq ") + f};
        return {QStringLiteral("volt:mode fix;:volt:ac ") + v(0), QStringLiteral("func sin"),
                QStringLiteral("freq:mode fix;:freq ") + f};
    }
    if (threePhase)
        return {QStringLiteral("inst:coup none;:inst:nsel 1;:volt:mode fix;:volt:dc ") + v(0),
                QStringLiteral("inst:nsel 2;:volt:mode fix;:volt:dc ") + v(1),
                QStringLiteral("inst:nsel 3;:volt:mode fix;:volt:dc ") + v(2)};
    return {QStringLiteral("volt:dc ") + v(0)};
}

} // namespace ostrel
