#include "automation/ModulationRun.h"

#include "app/EntryRejection.h"
#include "core/Program.h"
#include "link/Readback.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kEntryConflict = QStringLiteral("Modulation aborted, data entry conflict.");

} // namespace

ModulationRun::ModulationRun(Program& program, ModulationSettings settings, ModulationTab tab,
                             ModulationRunHooks hooks)
    : program_(program), settings_(std::move(settings)), tab_(tab), hooks_(std::move(hooks)) {}

ModulationRun::~ModulationRun() = default;

std::array<bool, 3> ModulationRun::phases() const {
    std::array<bool, 3> p{};
    if (tab_ != ModulationTab::Voltage) return p;
    const int outputs = program_.outputState.MultiPhaseOutput == 1 ? 3 : 1;
    for (int i = 0; i < outputs; ++i)
        p[size_t(i)] = (settings_.phaseMask >> i) & 1;
    return p;
}

ModulationLimits ModulationRun::limits() const {
    ModulationLimits l;
    l.freqMin = program_.sourceModel.FreqMin;
    l.freqMax = program_.sourceModel.FreqMax;
    const std::array<bool, 3> p = phases();
    bool any = false;
    for (size_t i = 0; i < 3; ++i)
        if (p[i]) {
            const double v = program_.maxVoltage[i];
            l.maxVoltage = any ? std::min(l.maxVoltage, v) : v;
            any = true;
        }
    return l;
}

QString ModulationRun::check() const {
    const ModulationEntry& e = settings_.entry(tab_);
    if (!ModulationTimingValid(e)) return kEntryRejected;
    if (tab_ == ModulationTab::Frequency && program_.outputState.OutputMode == ModeDC)
        return QStringLiteral("[Freq n/a in DC mode]");
    return ModulationRangeError(tab_, e, limits());
}

bool ModulationRun::refuse(ModulationRunOutcome& outcome, const QString& text,
                           const QString& status) {
    if (text == kEntryRejected)
        ReportRejectedEntry(program_);
    else
        program_.prompt().showMessage(text, PromptIcon::Exclamation);
    program_.prompt().setStatus(1, status);
    outcome.refused = true;
    outcome.message = status;
    return false;
}

ModulationRunOutcome ModulationRun::run() {
    ModulationRunOutcome outcome;
    if (running_) return outcome;
    const std::array<bool, 3> taking = phases();
    if (tab_ == ModulationTab::Voltage &&
        std::none_of(taking.begin(), taking.end(), [](bool b) { return b; })) {
        refuse(outcome,
               QStringLiteral("No phase was selected. Nothing to do.") + kCrLf +
                   QStringLiteral("Please select at least one phase") + kCrLf +
                   QStringLiteral("to modulate. Run aborted."),
               QStringLiteral("Modulation aborted, no phase selected."));
        return outcome;
    }
    if (const QString bad = check(); !bad.isEmpty()) {
        refuse(outcome, bad, kEntryConflict);
        return outcome;
    }

    const ModulationEntry& entry = settings_.entry(tab_);
    const bool dc = program_.outputState.OutputMode == ModeDC;
    const int outputs = program_.outputState.MultiPhaseOutput == 1 ? 3 : 1;
    outcome.list = ComputeModulationList(tab_, entry);
    const QString listLine = ModulationListLine(tab_, outcome.list);
    if (tab_ == ModulationTab::Voltage) {
        for (int phase = 1; phase <= outputs; ++phase)
            if (taking[size_t(phase - 1)])
                outcome.listLines << QStringLiteral("inst:coup none;:inst:nsel %1;:").arg(phase) +
                                         listLine;
    } else {
        outcome.listLines << QStringLiteral("inst:coup all;:") + listLine;
    }

    running_ = true;
    stopRequested_ = false;
    InstrumentLink& link = program_.link;
    Prompt& prompt = program_.prompt();
    link.Send(0, QStringLiteral("outp 1"));
    program_.outputState.OutputOn = 1;
    if (hooks_.relayClosed) hooks_.relayClosed();
    prompt.setStatus(1, QStringLiteral("Modulation started"));
    link.Send(0, ModulationSteadyLine(tab_, entry, dc));
    if (tab_ == ModulationTab::Voltage && !dc)
        link.Send(0, QStringLiteral("freq:mode fix;:freq:slew:mode fix"));

    if (program_.settings.link.bus == BusSimulation) {
        running_ = false;
        outcome.result = ListRunResult::Aborted;
        outcome.message = QStringLiteral("Simulation: no source ran the modulation.");
        prompt.setStatus(1, outcome.message);
        return outcome;
    }
    const QString errors = link.CheckError();
    if (link.Lost() || !errors.isEmpty()) {
        running_ = false;
        outcome.linkLost = link.Lost();
        if (outcome.linkLost) {
            outcome.message = link.state.lostReason;
        } else {
            outcome.sourceErrors = errors.split(kCrLf, Qt::SkipEmptyParts);
            outcome.message = outcome.sourceErrors.join(kCrLf) + QStringLiteral(" - Run aborted");
            prompt.showMessage(outcome.message, PromptIcon::Exclamation);
            ReadBackState(program_, program_.sourceModel.ModelIndex);
        }
        prompt.setStatus(1, outcome.message);
        return outcome;
    }

    ListRunPlan plan;
    plan.dc = dc;
    plan.frequencyLists = tab_ == ModulationTab::Frequency;
    plan.phases = taking;
    plan.outputs = outputs;
    plan.trigger = ListTrigger::Immediate;
    plan.listCount = outcome.list.count;
    plan.waveformLists = false;
    ListRunSegment segment;
    segment.loadLines = outcome.listLines;
    if (!dc) segment.startAngle = 0.0;
    segment.points = 2;
    plan.segments = {segment};
    ListRunHooks hooks;
    const double span = outcome.list.spanS;
    hooks.progress = [this, span](const ListRunProgress& p) {
        if (hooks_.progress) hooks_.progress(span > 0 ? std::min(1.0, p.elapsedS / span) : 1.0);
    };
    // Aborted while the relay closed: nothing is in list mode yet.
    if (stopRequested_) {
        running_ = false;
        outcome.result = ListRunResult::Aborted;
        outcome.message = QStringLiteral("Modulation aborted by operator");
        outcome.restored = true;
        ReadBackState(program_, program_.sourceModel.ModelIndex);
        prompt.setStatus(1, outcome.message);
        return outcome;
    }
    engine_ = std::make_unique<ListRun>(program_, std::move(plan), std::move(hooks));
    const ListRunOutcome r = engine_->run();
    running_ = false;

    outcome.result = r.result;
    outcome.sourceErrors = r.sourceErrors;
    outcome.restored = r.restored;
    outcome.linkLost = r.linkLost;
    switch (r.result) {
    case ListRunResult::Completed:
        outcome.message = QStringLiteral("Modulation run time completed");
        if (hooks_.progress) hooks_.progress(1.0);
        break;
    case ListRunResult::Aborted:
        outcome.message = QStringLiteral("Modulation aborted by operator");
        break;
    case ListRunResult::Failed:
        outcome.message = r.sourceErrors.isEmpty()
                              ? r.message
                              : r.sourceErrors.join(kCrLf) + QStringLiteral(" - Run aborted");
        break;
    }
    if (!r.linkLost) ReadBackState(program_, program_.sourceModel.ModelIndex);
    prompt.setStatus(1, outcome.message);
    return outcome;
}

void ModulationRun::stop() {
    stopRequested_ = true;
    if (engine_) engine_->stop();
}

} // namespace ostrel
