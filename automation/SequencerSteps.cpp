#include "automation/SequencerSteps.h"

#include "link/Numbers.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <cmath>

namespace ostrel {

namespace {

const QChar kLetters[] = {u'A', u'B', u'C'};

std::optional<double> cellNumber(const QString& cell) {
    if (cell.trimmed().isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = cell.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

QString emptyCell(int step, int phase, int column, bool dc) {
    return QStringLiteral("Step %1, phase %2: %3 is empty.\r\nTest sequence not started.")
        .arg(step)
        .arg(kLetters[phase])
        .arg(SequenceHeading(column, dc));
}

QString notNumber(int step, int phase, int column, bool dc) {
    return QStringLiteral("Step %1, phase %2: %3 is not a number.\r\nTest sequence not started.")
        .arg(step)
        .arg(kLetters[phase])
        .arg(SequenceHeading(column, dc));
}

} // namespace

SequencerPlan PlanSequence(const SequenceTable& table, int outputMode, bool threePhase) {
    SequencerPlan plan;
    const bool dc = outputMode == ModeDC;
    const auto& a = table.phases[0];
    const int phases = threePhase ? 3 : 1;
    for (size_t r = 0; r < a.size() && !a[r][SeqVolt].trimmed().isEmpty(); ++r) {
        SequencerStep step;
        step.number = int(r) + 1;
        const auto need = [&](int phase, const SequenceRow& row, int column, double& out) {
            if (row[size_t(column)].trimmed().isEmpty()) {
                plan.refusal = emptyCell(step.number, phase, column, dc);
                return false;
            }
            const std::optional<double> v = cellNumber(row[size_t(column)]);
            if (!v) {
                plan.refusal = notNumber(step.number, phase, column, dc);
                return false;
            }
            out = *v;
            return true;
        };
        if (!need(0, a[r], SeqDwell, step.dwell)) return {{}, plan.refusal};
        if (step.dwell < 0) {
            plan.refusal = QStringLiteral("Step %1, phase A: %2 is below 0.\r\nTest sequence not started.")
                               .arg(step.number)
                               .arg(SequenceHeading(SeqDwell, dc));
            return {{}, plan.refusal};
        }
        if (!dc && !need(0, a[r], SeqFreq, step.freq)) return {{}, plan.refusal};
        for (int p = 0; p < phases; ++p) {
            const auto& rows = table.phases[size_t(p)];
            if (r >= rows.size() || rows[r][SeqVolt].trimmed().isEmpty()) continue;
            const SequenceRow& row = rows[r];
            SequencerPhase ph;
            ph.phase = p;
            ph.row = int(r);
            if (!need(p, row, SeqVolt, ph.volt) || !need(p, row, SeqCurr, ph.curr))
                return {{}, plan.refusal};
            for (int k = 0; k < kSequenceReadings; ++k) {
                for (const int column : {HiColumn(k), LoColumn(k)}) {
                    const QString& cell = row[size_t(column)];
                    if (cell.trimmed().isEmpty()) continue;
                    const std::optional<double> v = cellNumber(cell);
                    if (!v) return {{}, notNumber(step.number, p, column, dc)};
                    (column == HiColumn(k) ? ph.hi : ph.lo)[size_t(k)] = v;
                }
            }
            step.phases.push_back(ph);
        }
        plan.steps.push_back(step);
    }
    if (plan.steps.empty())
        plan.refusal = QStringLiteral("Step 1, phase A: Volt is empty.\r\nTest sequence not started.");
    return plan;
}

int RangeNeeded(const SequencerStep& step, int outputMode, const SourceModel& model) {
    double highest = 0;
    for (const SequencerPhase& p : step.phases)
        highest = std::max(highest, std::fabs(p.volt));
    const double low = outputMode == ModeDC ? model.DcPosLow : model.VoltLowRange;
    return highest > low ? 1 : 0;
}

QString RangeCommand(int range, int outputMode, const SourceModel& model) {
    const double value = outputMode == ModeDC ? (range ? model.DcPosHigh : model.DcPosLow)
                                              : (range ? model.VoltHighRange : model.VoltLowRange);
    return QStringLiteral("volt:rang ") + FormatNumber(value, u"##0.0");
}

QString PhaseAddress(int phase, bool threePhase) {
    if (!threePhase) return {};
    return QStringLiteral(":INST:COUP NONE;:INST:NSEL ") + QString::number(phase + 1) +
           QStringLiteral(";:");
}

QStringList StepSettingLines(const SequencerStep& step, int outputMode, bool threePhase) {
    QStringList lines;
    for (const SequencerPhase& p : step.phases) {
        QStringList parts;
        if (outputMode != ModeDC && p.phase == step.phases.front().phase)
            parts << QStringLiteral("freq ") + FormatNumber(step.freq, u"##0.00");
        parts << (outputMode == ModeDC ? QStringLiteral("volt:dc ") : QStringLiteral("volt:ac ")) +
                     FormatNumber(p.volt, u"##0.00");
        parts << QStringLiteral("curr ") + FormatNumber(p.curr, u"##0.00");
        lines << PhaseAddress(p.phase, threePhase) + parts.join(QStringLiteral(";:"));
    }
    return lines;
}

QString PeakResetLine(bool threePhase) {
    // Under coupling ALL the reset reaches every phase at once.
    return threePhase ? QStringLiteral(":INST:COUP ALL;:meas:curr:ampl:res")
                      : QStringLiteral("meas:curr:ampl:res");
}

QStringList ReadingQueries(int phase, int outputMode, bool threePhase) {
    const QString kind = outputMode == ModeDC ? QStringLiteral("dc?") : QStringLiteral("ac?");
    return {PhaseAddress(phase, threePhase) + QStringLiteral("meas:volt:") + kind,
            QStringLiteral("fetc:curr:") + kind, QStringLiteral("fetc:curr:ampl:max?"),
            QStringLiteral("fetc:pow:") + kind, QStringLiteral("fetc:pow:ac:pfac?")};
}

std::optional<double> ReadingValue(int reading, const QString& reply) {
    float raw = 0;
    if (reply.trimmed().isEmpty() || !TryParseSingle(reply, raw) || !std::isfinite(raw))
        return std::nullopt;
    // Power replies are watts; the grid shows kW.
    const double value = reading == SeqReadPower ? double(raw) / 1000.0 : double(raw);
    return ReadingText(reading, value).toDouble();
}

QString ReadingText(int reading, double value) {
    return reading <= SeqReadCurrent ? FormatNumber(value, u"###0.00") : FormatNumber(value, u"##0.000");
}

bool ReadingPasses(std::optional<double> value, std::optional<double> hi, std::optional<double> lo) {
    if (!hi && !lo) return true;
    if (!value) return false;
    return !(hi && *value > *hi) && !(lo && *value < *lo);
}

} // namespace ostrel
