#include "standards/PhaseAngles.h"

#include "link/Numbers.h"
#include "link/OutputState.h"
#include "standards/TestSteps.h"

namespace ostrel {

namespace {

const QString kPhaseB = QStringLiteral("PhsB");
const QString kPhaseC = QStringLiteral("PhsC");

// The coupling goes off first: the list modes left every output selected.
QString angleLine(int phase, double degrees, bool first) {
    return (first ? QStringLiteral("inst:coup none;:") : QString()) +
           QStringLiteral("inst:nsel %1;:phas ").arg(phase) + FormatNumber(degrees, u"##0.0");
}

} // namespace

QStringList PhaseAngleLines(const StepGrid& grid, int row, QChar sep) {
    QStringList lines;
    int phase = 2;
    for (const QString& header : {kPhaseB, kPhaseC}) {
        const int column = FindColumn(grid, header);
        const std::optional<double> v = column ? CellNumber(grid.cell(row, column), sep) : std::nullopt;
        if (v) lines << angleLine(phase, *v, lines.isEmpty());
        ++phase;
    }
    return lines;
}

QString CheckPhaseAngles(const StepGrid& grid, QChar sep) {
    for (const QString& header : {kPhaseB, kPhaseC}) {
        const int column = FindColumn(grid, header);
        if (column == 0) continue;
        for (int r = 1; r <= grid.rowCount(); ++r) {
            const QString text = grid.cell(r, column);
            if (text.trimmed().isEmpty()) continue;
            const std::optional<double> v = CellNumber(text, sep);
            if (!v || *v < 0 || *v > 360)
                return QStringLiteral("ERROR: Row %1, column \"%2\": \"%3\" is not a phase angle.")
                    .arg(r)
                    .arg(header, text);
        }
    }
    return {};
}

QStringList RestorePhaseAngleLines(const OutputState& out) {
    return {angleLine(2, out.Phase[1].PhaseAngle, true), angleLine(3, out.Phase[2].PhaseAngle, false)};
}

} // namespace ostrel
