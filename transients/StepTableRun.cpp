#include "transients/StepTableRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/Waits.h"
#include "transients/ListCommands.h"

#include <cmath>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

const QString kSimulationMessage = QStringLiteral("GUI program is operating in simulation mode.") +
                                   kCrLf +
                                   QStringLiteral("Establish connection to power source first") +
                                   kCrLf + QStringLiteral("before running a transient sequence.");
const QString kNoPhaseQuestion =
    QStringLiteral("WARNING : No phase selected for transient") + kCrLf +
    QStringLiteral("execution. Continue anyway?");
const QString kRelayQuestion =
    QStringLiteral("WARNING: Output relay is not closed. Running this test ") + kCrLf +
    QStringLiteral("will cause the output relay to close and power will") + kCrLf +
    QStringLiteral("be applied to the EUT. Do you wish to continue?");

QString waveformName(const Program& program, int phase) {
    const int index = program.outputState.Phase[size_t(phase)].WaveformIndex;
    const auto& names = program.sourceModel.WaveformNames;
    if (index >= 0 && index < int(names.size()) && !names[size_t(index)].isEmpty())
        return names[size_t(index)];
    return QStringLiteral("SINUSOID");
}

} // namespace

StepTableRun::StepTableRun(Program& program, const StepTable& table, ListRunHooks hooks)
    : program_(program), table_(table), hooks_(std::move(hooks)) {}

StepTableRun::~StepTableRun() = default;

bool StepTableRun::running() const {
    return engine_ && engine_->running();
}

void StepTableRun::stop() {
    stopRequested_ = true;
    if (engine_) engine_->stop();
}

// V_nom and F_nom, typed or from the steady state: positive numbers, never a 0
// that would run the table at 0 V.
bool StepTableRun::bases(QString& refusal) {
    vnom_ = fnom_ = 1;
    if (!table_.relative) return true;
    const OutputState& out = program_.outputState;
    if (table_.useSteadyState) {
        vnom_ = out.OutputMode == ModeDC ? out.Phase[0].DcVoltage : out.Phase[0].Voltage;
        fnom_ = out.Frequency;
    } else {
        float v = 0, f = 0;
        vnom_ = TryParseSingle(table_.vnomText.trimmed(), v) ? v : 0;
        fnom_ = TryParseSingle(table_.fnomText.trimmed(), f) ? f : 0;
    }
    if (out.OutputMode == ModeDC) vnom_ = std::abs(vnom_);
    if (vnom_ <= 0 || !std::isfinite(vnom_)) {
        refusal = QStringLiteral("V nom must be a positive number of volts in relative mode (%1).")
                      .arg(table_.useSteadyState ? QStringLiteral("the steady-state voltage is ") +
                                                       FormatNumber(vnom_, u"##0.0") + QStringLiteral(" V")
                                                 : QLatin1Char('"') + table_.vnomText + QLatin1Char('"'));
        return false;
    }
    if (out.OutputMode != ModeDC && (fnom_ <= 0 || !std::isfinite(fnom_))) {
        refusal = QStringLiteral("F nom must be a positive number of hertz in relative mode (\"%1\").")
                      .arg(table_.fnomText);
        return false;
    }
    return true;
}

CompileOptions StepTableRun::options(const ListRunPass* pass) const {
    const OutputState& out = program_.outputState;
    const SourceModel& m = program_.sourceModel;
    CompileOptions o;
    o.mode = out.OutputMode;
    o.frequency = pass ? pass->frequency : out.Frequency;
    for (int p = 0; p < kListPhases; ++p) {
        const double present = out.OutputMode == ModeDC ? out.Phase[size_t(p)].DcVoltage
                                                        : out.Phase[size_t(p)].Voltage;
        o.startLevel[size_t(p)] =
            pass && pass->startLevels[size_t(p)] ? *pass->startLevels[size_t(p)] : present;
        o.waveform[size_t(p)] = waveformName(program_, p);
    }
    o.vnom = vnom_;
    o.fnom = fnom_;
    o.listCapacity = m.ListCapacity;
    o.minimumDwell = m.MinimumDwell;
    o.model = m;
    o.triggerStep = table_.triggerStep;
    o.triggerOutList = m.SeriesFamily() == 1;
    o.outputs = out.MultiPhaseOutput ? 3 : 1;
    return o;
}

std::vector<ListRunSegment> StepTableRun::segmentsOf(const ListProgram& program) const {
    std::vector<ListRunSegment> segments;
    for (const ListSegment& s : program.segments) {
        ListRunSegment r;
        r.loadLines = SegmentListCommands(program, s);
        r.startAngle = program.dc ? std::nullopt : s.startAngle;
        r.points = int(s.points.size());
        for (const ListPoint& p : s.points)
            r.holdsTriggerStep = r.holdsTriggerStep || p.triggerOut;
        segments.push_back(std::move(r));
    }
    return segments;
}

StepTableRunOutcome StepTableRun::check(std::vector<QStringList>& lines) {
    StepTableRunOutcome outcome;
    outcome.refused = true;
    if (!bases(outcome.refusal)) return outcome;
    const CompileResult compiled = CompileStepTable(table_, options(nullptr));
    if (!compiled.program) {
        outcome.refusal = compiled.nothingToDo ? kNothingToDoMessage : compiled.error;
        return outcome;
    }
    const int passes = table_.continuous ? 1 : std::max(1, table_.runCount);
    for (const ListSegment& s : compiled.program->segments) {
        lines.push_back(SegmentListCommands(*compiled.program, s));
        outcome.points.push_back(int(s.points.size()));
        for (const ListPoint& p : s.points)
            outcome.nominalS += p.dwell * (1 + p.repeat) * passes;
    }
    outcome.segments = int(compiled.program->segments.size());
    outcome.refused = false;
    return outcome;
}

StepTableRunOutcome StepTableRun::run() {
    Prompt& prompt = program_.prompt();
    std::vector<QStringList> firstLines;
    StepTableRunOutcome outcome = check(firstLines);
    const auto refuse = [&](const QString& why, bool tell) {
        outcome.refused = true;
        outcome.refusal = why;
        outcome.run.result = ListRunResult::Failed;
        outcome.run.message = why;
        if (tell) prompt.showMessage(why, PromptIcon::Exclamation);
        return outcome;
    };
    if (outcome.refused) return refuse(outcome.refusal, true);
    if (program_.settings.link.bus == 0) return refuse(kSimulationMessage, true);
    const bool anyPhase = table_.phases[0] || table_.phases[1] || table_.phases[2];
    if (!anyPhase && prompt.ask(kNoPhaseQuestion, PromptButtons::YesNo, 2,
                                PromptIcon::Exclamation) != PromptAnswer::Yes)
        return refuse(QStringLiteral("No phase selected: the transient was not run."), false);
    if (!program_.outputState.OutputOn) {
        if (prompt.ask(kRelayQuestion, PromptButtons::YesNo, 2, PromptIcon::Exclamation) !=
            PromptAnswer::Yes)
            return refuse(QStringLiteral("The output relay stays open: the transient was not run."),
                          false);
        program_.link.Send(0, QStringLiteral("outp 1"));
        Delay(program_.sourceModel.RelayHold / 1000.0);
        program_.outputState.OutputOn = 1;
    }
    if (stopRequested_) return refuse(QStringLiteral("Transient Execution aborted by operator"), false);

    const CompileResult first = CompileStepTable(table_, options(nullptr));
    ListRunPlan plan;
    plan.dc = first.program->dc;
    plan.frequencyLists = first.program->frequencyLists;
    plan.phases = table_.phases;
    plan.outputs = first.program->outputs;
    plan.trigger = ListTrigger(int(table_.triggerSource));
    plan.stepOnce = !table_.autoPacing;
    plan.passes = std::max(1, table_.runCount);
    plan.continuous = table_.continuous;
    plan.monitor = table_.monitor;
    plan.acquisitionOffsetS = program_.settings.waveAcquisition.offset / 1000.0;
    plan.acquisitionIntervalS = program_.settings.waveAcquisition.period * 1e-6;
    plan.popupWhenDone = table_.popup;
    plan.segments = segmentsOf(*first.program);

    ListRunHooks hooks = hooks_;
    hooks.preparePass = [this, outer = hooks_.preparePass](const ListRunPass& pass,
                                                           std::vector<ListRunSegment>& segments) {
        const CompileResult compiled = CompileStepTable(table_, options(&pass));
        if (!compiled.program) return compiled.error;
        segments = segmentsOf(*compiled.program);
        return outer ? outer(pass, segments) : QString();
    };
    engine_ = std::make_unique<ListRun>(program_, std::move(plan), std::move(hooks));
    if (stopRequested_) engine_->stop();
    outcome.run = engine_->run();
    if (!outcome.run.linkLost) ReadBackState(program_, program_.sourceModel.ModelIndex);
    return outcome;
}

} // namespace ostrel
