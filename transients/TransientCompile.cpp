#include "transients/TransientCompile.h"

#include "link/Numbers.h"

#include <cmath>

namespace ostrel {

namespace {

constexpr int kMaxRepeat = 65535;
constexpr double kTolerance = 1e-9;

// One row's cells read as the step they describe, in volts, hertz and seconds.
struct Step {
    StepType type = StepType::Empty;
    double seconds = 0;
    DwellForm form = DwellForm::Seconds;
    double volt = 0;
    double freq = 0;
    int repeat = 0;
    QString waveform; // empty: the one in force
    std::optional<double> angle;
    bool dcBreak = false;
};

bool usesVoltage(StepType t) {
    return t == StepType::VStep || t == StepType::VSurgeSag || t == StepType::VSweep ||
           t == StepType::VfStep || t == StepType::VfSweep;
}

bool usesFrequency(StepType t) {
    return t == StepType::FStep || t == StepType::FSurgeSag || t == StepType::FSweep ||
           t == StepType::VfStep || t == StepType::VfSweep;
}

bool hasReturnPoint(StepType t) {
    return t == StepType::VDrop || t == StepType::VSurgeSag || t == StepType::FSurgeSag;
}

bool sweepsVoltage(StepType t) {
    return t == StepType::VSweep || t == StepType::VfSweep;
}
bool sweepsFrequency(StepType t) {
    return t == StepType::FSweep || t == StepType::VfSweep;
}

QString volts(double v) {
    return FormatNumber(v, u"##0.0#") + QStringLiteral(" V");
}
QString hertz(double f) {
    return FormatNumber(f, u"###0.0#") + QStringLiteral(" Hz");
}
QString seconds(double s) {
    return FormatNumber(s, u"###0.0#####") + QStringLiteral(" s");
}

// Reads and checks the cells of one row; the first fault is kept.
class RowReader {
public:
    RowReader(const StepTable& table, const CompileOptions& options, int rowNumber)
        : table_(table), options_(options), row_(table.rows[rowNumber - 1]), rowNumber_(rowNumber),
          dc_(options.mode == ModeDC) {}

    std::optional<Step> read(StepType type, double frequencyInForce) {
        Step s;
        s.type = type;
        if (dc_ && !AllowedInDc(type)) {
            fail(ColType, QStringLiteral("\"%1\" cannot be used in DC mode, which offers %2")
                              .arg(row_[ColType].trimmed(),
                                   DcStepTypeNames().mid(1).join(QStringLiteral(", "))));
            return std::nullopt;
        }
        const std::optional<double> time = number(ColTime);
        if (!time) return std::nullopt;
        if (usesVoltage(type)) {
            const std::optional<double> v = number(ColVoltage);
            if (!v || !voltageWithinLimits(*v)) return std::nullopt;
            s.volt = *v * (table_.relative ? options_.vnom / 100 : 1);
        }
        if (usesFrequency(type)) {
            const std::optional<double> f = number(ColFrequency);
            if (!f || !frequencyWithinLimits(*f)) return std::nullopt;
            s.freq = *f * (table_.relative ? options_.fnom / 100 : 1);
        }
        if (!readDwell(*time, s, frequencyInForce)) return std::nullopt;
        if (!readRepeat(s)) return std::nullopt;
        if (!dc_ && !readWaveform(s)) return std::nullopt;
        if (!readStart(s)) return std::nullopt;
        return s;
    }

    QString error() const { return error_; }

private:
    QString heading(int column) const {
        return StepColumnHeading(column, table_.relative, table_.cycles, dc_);
    }
    QString cell(int column) const { return row_[column].trimmed(); }

    void fail(int column, const QString& why) {
        error_ = QStringLiteral("Row %1, \"%2\": %3.").arg(rowNumber_).arg(heading(column), why);
    }

    std::optional<double> number(int column) {
        float single = 0;
        if (!TryParseSingle(cell(column), single)) {
            fail(column, cell(column).isEmpty()
                             ? QStringLiteral("a %1 needs a number here")
                                   .arg(StepTypeName(*StepTypeFromName(row_[ColType])))
                             : QStringLiteral("\"%1\" is not a number").arg(cell(column)));
            return std::nullopt;
        }
        // The double keeps 0.01 exactly as typed for the comparisons below.
        bool ok = false;
        const double value = cell(column).toDouble(&ok);
        return ok ? value : static_cast<double>(single);
    }

    // The cell as typed, with its absolute value when it is relative.
    QString described(int column, double absolute, const QString& unit) const {
        if (!table_.relative) return cell(column) + QLatin1Char(' ') + unit;
        const QString base = column == ColVoltage ? volts(options_.vnom) : hertz(options_.fnom);
        const QString value = column == ColVoltage ? volts(absolute) : hertz(absolute);
        return QStringLiteral("%1 % of %2 (%3)").arg(cell(column), base, value);
    }

    bool voltageWithinLimits(double cellValue) {
        const double v = cellValue * (table_.relative ? options_.vnom / 100 : 1);
        const SourceModel& m = options_.model;
        const QString what = described(ColVoltage, v, QStringLiteral("V"));
        if (dc_) {
            if (v < m.DcNegHigh - kTolerance || v > m.DcPosHigh + kTolerance) {
                fail(ColVoltage, QStringLiteral("%1 is outside the DC voltage limits of %2 to %3")
                                     .arg(what, volts(m.DcNegHigh), volts(m.DcPosHigh)));
                return false;
            }
        } else if (v < 0) {
            fail(ColVoltage,
                 QStringLiteral("%1 is negative; an AC voltage is 0 V or more").arg(what));
            return false;
        } else if (v > m.VoltHighRange + kTolerance) {
            fail(ColVoltage, QStringLiteral("%1 is above the highest AC voltage of %2")
                                 .arg(what, volts(m.VoltHighRange)));
            return false;
        }
        return true;
    }

    bool frequencyWithinLimits(double cellValue) {
        const double f = cellValue * (table_.relative ? options_.fnom / 100 : 1);
        const SourceModel& m = options_.model;
        if (f < m.FreqMin - kTolerance || f > m.FreqMax + kTolerance) {
            fail(ColFrequency, QStringLiteral("%1 is outside the frequency limits of %2 to %3")
                                   .arg(described(ColFrequency, f, QStringLiteral("Hz")),
                                        hertz(m.FreqMin), hertz(m.FreqMax)));
            return false;
        }
        return true;
    }

    // A time in cycles becomes seconds at the frequency the row plays at.
    bool readDwell(double time, Step& s, double frequencyInForce) {
        if (!table_.cycles) {
            s.seconds = time;
            s.form = DwellForm::Seconds;
        } else {
            double rate = frequencyInForce;
            if (s.type == StepType::FStep || s.type == StepType::FSurgeSag ||
                s.type == StepType::VfStep)
                rate = s.freq;
            else if (sweepsFrequency(s.type))
                rate = (frequencyInForce + s.freq) / 2;
            if (rate <= 0) {
                fail(ColTime, QStringLiteral("%1 cycles need a frequency, and the frequency in "
                                             "force is %2")
                                  .arg(cell(ColTime), hertz(rate)));
                return false;
            }
            s.seconds = time / rate;
            s.form = DwellForm::Cycles;
        }
        const QString what =
            table_.cycles ? QStringLiteral("%1 cycles (%2)").arg(cell(ColTime), seconds(s.seconds))
                          : cell(ColTime) + QStringLiteral(" s");
        if (s.seconds <= 0) {
            fail(ColTime, QStringLiteral("%1 is not a duration above 0 s").arg(what));
            return false;
        }
        if (s.seconds < options_.minimumDwell - kTolerance) {
            fail(ColTime, QStringLiteral("%1 is below the minimum dwell of %2")
                              .arg(what, seconds(options_.minimumDwell)));
            return false;
        }
        return true;
    }

    bool readRepeat(Step& s) {
        if (cell(ColRepeat).isEmpty()) return true;
        float v = 0;
        if (!TryParseSingle(cell(ColRepeat), v) || v != std::trunc(v) || v < 0 || v > kMaxRepeat) {
            fail(ColRepeat, QStringLiteral("\"%1\" is not a whole number of repeats from 0 to %2")
                                .arg(cell(ColRepeat))
                                .arg(kMaxRepeat));
            return false;
        }
        s.repeat = static_cast<int>(v);
        return true;
    }

    // The name goes into a comma-separated list, so it cannot hold a separator.
    bool readWaveform(Step& s) {
        const QString name = cell(ColWaveform);
        if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char(';')) ||
            name.contains(QLatin1Char('"'))) {
            fail(ColWaveform,
                 QStringLiteral("\"%1\" is not a waveform name: it holds a comma, a semicolon "
                                "or a quote")
                     .arg(name));
            return false;
        }
        s.waveform = name;
        return true;
    }

    bool readStart(Step& s) {
        if (cell(ColStartPhase).isEmpty()) return true;
        if (dc_) {
            s.dcBreak = true;
            return true;
        }
        const std::optional<double> angle = number(ColStartPhase);
        if (!angle) return false;
        if (*angle < 0 || *angle > 360) {
            fail(ColStartPhase,
                 QStringLiteral("%1 degrees is outside 0 to 360 degrees").arg(cell(ColStartPhase)));
            return false;
        }
        s.angle = angle;
        return true;
    }

    const StepTable& table_;
    const CompileOptions& options_;
    const StepRow& row_;
    int rowNumber_;
    bool dc_;
    QString error_;
};

std::optional<double> slewTo(double target, double from, double seconds) {
    const double change = std::fabs(target - from);
    if (change < kTolerance) return std::nullopt;
    return change / seconds;
}

} // namespace

QString CapacityMessage(int row) {
    return QStringList{QStringLiteral("ERROR: Analysis of the transient data you entered "),
                       QStringLiteral("reveals that the number of data points exceeds the "),
                       QStringLiteral("capability of the unit at row number %1.").arg(row),
                       QStringLiteral("Suggest putting a start phase angle in this row "),
                       QStringLiteral("which will cause the transient program to be broken "),
                       QStringLiteral("up into smaller lists.")}
        .join(QLatin1Char('\n'));
}

CompileResult CompileStepTable(const StepTable& table, const CompileOptions& o) {
    CompileResult result;
    ListProgram program;
    program.dc = o.mode == ModeDC;
    program.frequencyLists = !program.dc;
    program.triggerOutList = o.triggerOutList;
    program.outputs = o.outputs == 3 ? 3 : 1;
    // A single-phase output has only phase 1 to address.
    for (int p = 0; p < kListPhases; ++p)
        program.phases[p] = table.phases[p] && (p == 0 || program.outputs == 3);
    program.segments.emplace_back();
    // A base of 0 would turn every relative row into 0 V or 0 Hz.
    if (table.relative && !(o.vnom > 0 && o.fnom > 0)) {
        result.error = QStringLiteral("In relative mode V_nom and F_nom must be positive numbers; "
                                      "they are %1 and %2.")
                           .arg(volts(o.vnom), hertz(o.fnom));
        return result;
    }

    std::array<double, kListPhases> level = o.startLevel;
    double frequency = o.frequency;
    std::array<QString, kListPhases> waveform = o.waveform;

    int steps = 0;
    for (int i = 0; i < static_cast<int>(table.rows.size()); ++i) {
        const int rowNumber = i + 1;
        const QString typeName = table.rows[i][ColType].trimmed();
        const std::optional<StepType> type = StepTypeFromName(typeName);
        if (!type) {
            result.error = QStringLiteral("Row %1, \"Type\": \"%2\" is not a step type.")
                               .arg(rowNumber)
                               .arg(typeName);
            return result;
        }
        if (*type == StepType::Empty) break;
        ++steps;
        RowReader reader(table, o, rowNumber);
        const std::optional<Step> step = reader.read(*type, frequency);
        if (!step) {
            result.error = reader.error();
            return result;
        }

        if (i > 0 && (step->angle || step->dcBreak)) program.segments.emplace_back();
        ListSegment& segment = program.segments.back();
        if (segment.points.empty()) {
            segment.firstRow = rowNumber;
            segment.startAngle = step->angle;
            segment.dcBreak = step->dcBreak;
        }
        const int added = hasReturnPoint(*type) ? 2 : 1;
        if (static_cast<int>(segment.points.size()) + added > o.listCapacity) {
            result.error = CapacityMessage(rowNumber);
            return result;
        }

        ListPoint main;
        main.dwell = step->seconds;
        main.dwellForm = step->form;
        main.repeat = step->repeat;
        main.triggerOut = rowNumber == o.triggerStep;
        main.frequency = usesFrequency(*type) ? step->freq : frequency;
        if (sweepsFrequency(*type))
            main.frequencySlew = slewTo(step->freq, frequency, step->seconds);
        for (int p = 0; p < kListPhases; ++p) {
            if (!step->waveform.isEmpty() && program.phases[p]) waveform[p] = step->waveform;
            main.waveform[p] = waveform[p];
            main.volt[p] = level[p];
            if (!program.phases[p]) continue;
            if (*type == StepType::VDrop)
                main.volt[p] = 0;
            else if (usesVoltage(*type))
                main.volt[p] = step->volt;
            if (sweepsVoltage(*type))
                main.voltSlew[p] = slewTo(step->volt, level[p], step->seconds);
        }
        segment.points.push_back(main);

        if (hasReturnPoint(*type)) {
            ListPoint back;
            back.dwell = o.minimumDwell;
            back.dwellForm = DwellForm::Minimum;
            back.frequency = frequency;
            back.volt = level;
            back.waveform = main.waveform;
            segment.points.push_back(back);
        } else {
            level = main.volt;
            frequency = main.frequency;
        }
    }

    if (program.segments.front().points.empty()) {
        result.error = kNothingToDoMessage;
        result.nothingToDo = true;
        return result;
    }
    // Monitoring waits for the trigger-out of this step: without it the
    // acquisition would never be taken.
    if (table.monitor && (o.triggerStep < 1 || o.triggerStep > steps)) {
        result.error = QStringLiteral("Trigger Waveform Acquisition at step number %1: the table "
                                      "has steps 1 to %2.")
                           .arg(o.triggerStep)
                           .arg(steps);
        return result;
    }
    result.program = std::move(program);
    return result;
}

} // namespace ostrel
