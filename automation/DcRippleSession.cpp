#include "automation/DcRippleSession.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/Waits.h"
#include "link/WaveformTransfer.h"

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

int outputsOf(const Program& program) {
    return program.outputState.MultiPhaseOutput == 1 ? 3 : 1;
}

// Phases the output addresses: all three under coupling ALL, or phase 1.
QString allPhases(const Program& program) {
    return outputsOf(program) == 3 ? QStringLiteral("inst:coup all")
                                   : QStringLiteral("inst:nsel 1");
}

QString modeCommand(int mode) {
    return mode == ModeDC     ? QStringLiteral("sour:mode dc")
           : mode == ModeACDC ? QStringLiteral("sour:mode acdc")
                              : QStringLiteral("sour:mode ac");
}

} // namespace

DcRippleSession::DcRippleSession(Program& program, DcRippleHooks hooks)
    : program_(program), hooks_(std::move(hooks)) {}

DcRippleSession::~DcRippleSession() = default;

void DcRippleSession::load() {
    if (loaded_) return;
    loaded_ = true;
    InstrumentLink& link = program_.link;
    program_.prompt().setStatus(1, QStringLiteral("Setting up power source, please wait..."));
    link.Send(0, QStringLiteral("trac:lim off"));
    // A readback while the window is open must not change what the close restores.
    outputMode_ = program_.outputState.OutputMode;
    for (int phase = 1; phase <= outputsOf(program_); ++phase) {
        const QueryResult r =
            link.TryQuery(0, QStringLiteral("inst:coup none;:inst:nsel %1;:func?").arg(phase));
        if (r.ok()) waveforms_[size_t(phase - 1)] = r.text.trimmed();
    }
    link.Send(0, QStringLiteral("inst:coup all"));
}

bool DcRippleSession::activate() {
    if (activated_) return downloaded_.size() == kRippleWaveforms.size();
    activated_ = true;
    load();
    const int periods[] = {2, 16};
    bool ok = true;
    for (qsizetype i = 0; i < kRippleWaveforms.size(); ++i) {
        if (i > 0) Delay(program_.settings.link.arbDownloadDelay / 1000.0);
        const std::vector<float> table = RippleTable(periods[i]);
        if (DownloadWaveform(program_, kRippleWaveforms[i], int(table.size()) - 1, table) &&
            !program_.link.Lost())
            downloaded_ << kRippleWaveforms[i];
        else
            ok = false;
        if (program_.link.Lost()) break;
    }
    if (!ok && !program_.link.Lost())
        program_.prompt().showMessage(QStringLiteral("Waveform download failed."),
                                      PromptIcon::Exclamation);
    program_.link.Send(0, QStringLiteral("source:mode acdc"));
    program_.outputState.OutputMode = ModeACDC;
    program_.prompt().setStatus(1, QStringLiteral("Ready..."));
    return ok;
}

DcRippleOutcome DcRippleSession::start(const DcRippleChoice& choice) {
    DcRippleOutcome outcome;
    if (running_ || closed_) return outcome;
    InstrumentLink& link = program_.link;
    Prompt& prompt = program_.prompt();
    const RippleProgram& p =
        RippleProgramOf(RippleTestNumber(choice.nominalIndex, choice.categoryIndex));
    const int outputs = outputsOf(program_);

    link.Send(0, QStringLiteral("inst:coup all"));
    link.Send(0, choice.nominalIndex == 1 ? QStringLiteral("volt:ac 0;:volt:offs 14")
                                          : QStringLiteral("volt:ac 0;:volt:offs 28"));
    if (program_.outputState.OutputOn == 0) {
        const PromptAnswer answer = prompt.ask(
            QStringLiteral("WARNING: Output relay is not closed. Running this test ") + kCrLf +
                QStringLiteral("will cause the output relay to close and power will") + kCrLf +
                QStringLiteral("be applied to the EUT. Do you wish to continue?"),
            PromptButtons::OkCancel, 0, PromptIcon::Exclamation);
        if (answer != PromptAnswer::Ok) {
            outcome.refused = true;
            outcome.result = ListRunResult::Aborted;
            outcome.message = QStringLiteral("Ready...");
            prompt.setStatus(1, outcome.message);
            return outcome;
        }
        closeRelay();
    }

    ListRunPlan plan;
    plan.frequencyLists = true;
    plan.outputs = outputs;
    plan.trigger = ListTrigger::Immediate;
    for (int i = 0; i < outputs; ++i)
        plan.phases[size_t(i)] = choice.phases[size_t(i)];
    ListRunSegment segment;
    segment.loadLines = {p.frequency, p.frequencySlew, p.dwell};
    for (int phase = 1; phase <= outputs; ++phase)
        if (plan.phases[size_t(phase - 1)])
            segment.loadLines << QStringLiteral("inst:coup none;:inst:nsel %1").arg(phase)
                              << p.voltage << p.voltageSlew << p.shape;
    segment.points = p.points;
    plan.segments = {segment};
    outcome.listLines = segment.loadLines;

    if (program_.settings.link.bus == BusSimulation) {
        for (const QString& line : outcome.listLines)
            link.Send(0, line);
        outcome.result = ListRunResult::Aborted;
        outcome.message = QStringLiteral("Simulation: no source ran the transient.");
        prompt.setStatus(1, outcome.message);
        return outcome;
    }

    ListRunHooks hooks;
    const double total = p.totalS;
    hooks.progress = [this, total](const ListRunProgress& r) {
        if (hooks_.progress) hooks_.progress(r.elapsedS, total);
    };
    running_ = true;
    openRelayAfterRun_ = false;
    engine_ = std::make_unique<ListRun>(program_, std::move(plan), std::move(hooks));
    prompt.setStatus(1, QStringLiteral("Transient in progress, polling status..."));
    const ListRunOutcome r = engine_->run();
    running_ = false;

    outcome.result = r.result;
    outcome.sourceErrors = r.sourceErrors;
    switch (r.result) {
    case ListRunResult::Completed:
        outcome.message = QStringLiteral("Transient execution completed.");
        if (hooks_.progress) hooks_.progress(total, total);
        break;
    case ListRunResult::Aborted:
        outcome.message = r.message;
        if (!r.sourceErrors.isEmpty())
            prompt.showMessage(QStringLiteral("Source Error: ") + kCrLf +
                                   r.sourceErrors.join(kCrLf),
                               PromptIcon::Exclamation);
        break;
    case ListRunResult::Failed:
        outcome.message = QStringLiteral("Transient execution failed.");
        break;
    }
    prompt.setStatus(1, outcome.message);
    if (openRelayAfterRun_ && !link.Lost()) {
        openRelayAfterRun_ = false;
        openRelay();
    }
    return outcome;
}

void DcRippleSession::abort() {
    if (running_ && engine_) engine_->stop();
}

void DcRippleSession::closeRelay() {
    program_.link.Send(0, QStringLiteral("outp 1"));
    Delay(program_.sourceModel.RelayHold / 1000.0);
    program_.outputState.OutputOn = 1;
    if (hooks_.relayChanged) hooks_.relayChanged();
}

bool DcRippleSession::openRelay() {
    if (running_) {
        const PromptAnswer answer = program_.prompt().ask(
            QStringLiteral("WARNING: Test is in progress. Opening output relay") + kCrLf +
                QStringLiteral("will cause test to be aborted.") + kCrLf +
                QStringLiteral("Do you wish to proceed anyway?"),
            PromptButtons::YesNo, 1, PromptIcon::Exclamation);
        if (answer != PromptAnswer::Yes) return false;
        // The relay opens once the test's own finish has run.
        openRelayAfterRun_ = true;
        abort();
        return true;
    }
    program_.link.Send(0, QStringLiteral("outp 0"));
    program_.outputState.OutputOn = 0;
    if (hooks_.relayChanged) hooks_.relayChanged();
    return true;
}

bool DcRippleSession::mayClose() {
    if (!running_) return true;
    const PromptAnswer answer =
        program_.prompt().ask(QStringLiteral("WARNING: Test is in progress. Closing form") + kCrLf +
                                  QStringLiteral("now will cause test to be aborted.") + kCrLf +
                                  QStringLiteral("Do you wish to proceed anyway?"),
                              PromptButtons::YesNo, 1, PromptIcon::Exclamation);
    if (answer != PromptAnswer::Yes) return false;
    abort();
    return true;
}

DcRippleClose DcRippleSession::close() {
    DcRippleClose result;
    if (closed_ || running_) return result;
    closed_ = true;
    InstrumentLink& link = program_.link;
    Prompt& prompt = program_.prompt();
    const auto check = [&] {
        const QString errors = link.CheckError();
        if (link.Lost() || errors.isEmpty()) return;
        const QString text = errors.split(kCrLf, Qt::SkipEmptyParts).join(kCrLf);
        result.errors << text;
        prompt.showMessage(QStringLiteral("Source Error: ") + kCrLf + text,
                           PromptIcon::Exclamation);
    };
    if (!loaded_ || link.Lost()) {
        if (!link.Lost() && program_.settings.link.bus != BusSimulation)
            ReadBackState(program_, program_.sourceModel.ModelIndex);
        return result;
    }
    link.Send(0, QStringLiteral("abort"));
    link.Send(0, QStringLiteral("freq:mode fix;:freq:slew:mode fix"));
    link.Send(0, allPhases(program_) +
                     QStringLiteral(";:volt:mode fix;:volt:slew:mode fix;:func:mode fix"));
    // An abort leaves the point's ripple on the phase, and a register in use
    // cannot be deleted.
    for (int phase = 1; phase <= outputsOf(program_); ++phase)
        if (!waveforms_[size_t(phase - 1)].isEmpty())
            link.Send(0, QStringLiteral("inst:coup none;:inst:nsel %1;:func %2")
                             .arg(phase)
                             .arg(waveforms_[size_t(phase - 1)]));
    link.Send(0, QStringLiteral("inst:coup all"));
    link.Send(0, QStringLiteral("list:volt 0;:list:volt:slew max"));
    link.Send(0, QStringLiteral("list:freq ") +
                     FormatNumber(program_.outputState.Frequency, u"##0.0") +
                     QStringLiteral(";:list:freq:slew max"));
    link.Send(0, QStringLiteral("list:shap sin"));
    link.Send(0, QStringLiteral("list:ttlt 0;:list:rep 0"));
    check();
    for (const QString& name : downloaded_) {
        link.Send(0, QStringLiteral("trac:del ") + name);
        check();
    }
    downloaded_.clear();
    link.Send(0, program_.settings.protection.arbRestriction ? QStringLiteral("trac:lim off")
                                                             : QStringLiteral("trac:lim on"));
    link.Send(0, modeCommand(outputMode_));
    check();
    if (!link.Lost() && program_.settings.link.bus != BusSimulation)
        ReadBackState(program_, program_.sourceModel.ModelIndex);
    result.restored = result.errors.isEmpty() && !link.Lost();
    return result;
}

} // namespace ostrel
