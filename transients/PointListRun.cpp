#include "transients/PointListRun.h"

#include "core/Program.h"
#include "link/Readback.h"
#include "link/Waits.h"

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kInProgress = QStringLiteral("Transient in progress, polling status...");
const QString kCompleted = QStringLiteral("Transient execution completed.");
const QString kAborted = QStringLiteral("Transient Execution aborted by operator");
const QString kFailed = QStringLiteral("Transient Execution failed: ");

constexpr int kFirstPollDelayMs = 300;
constexpr int kPollIntervalMs = 500;
constexpr int kAbortGapMs = 200;
// A source that gives no state this many times in a row has gone.
constexpr int kUnansweredPollsToFail = 3;

// CheckError's text without its leading line break; its lines.
QString errorText(const QString& errors) {
    return errors.split(kCrLf, Qt::SkipEmptyParts).join(kCrLf);
}

class PointListRunner {
public:
    PointListRunner(Program& program, Prompt& prompt, const PointTable& table,
                    const PointListRunHooks& hooks)
        : program_(program), prompt_(prompt), table_(table), hooks_(hooks),
          target_(PointListTargetOf(program)) {}

    PointListRunOutcome run() {
        const PointListLines lists = PointListWriteCommands(table_, target_);
        if (!lists.refusal.isEmpty()) {
            prompt_.showMessage(lists.refusal, PromptIcon::Exclamation);
            outcome_.refused = true;
            outcome_.message = lists.refusal;
            return outcome_;
        }
        InstrumentLink& link = program_.link;
        for (const QString& line :
             PointListRunSetup(table_, target_, program_.settings.waveAcquisition.offset))
            link.Send(0, line);
        for (const QString& line : lists.lines)
            link.Send(0, line);
        if (program_.settings.link.bus == BusSimulation) {
            outcome_.result = ListRunResult::Aborted;
            outcome_.message = QStringLiteral("Simulation: no source ran the transient.");
            prompt_.setStatus(1, outcome_.message);
            return outcome_;
        }
        // A refused list must not play: the relay stays as it is.
        const QString programming = link.CheckError();
        if (link.Lost()) return failLost();
        if (!programming.isEmpty()) {
            noteErrors(programming);
            prompt_.showMessage(errorText(programming) + kCrLf +
                                    QStringLiteral("Programming Error. Transient run aborted."),
                                PromptIcon::Exclamation);
            failure_ = QStringLiteral("the source refused the lists.");
            finish();
            return outcome_;
        }
        if (hooks_.started) hooks_.started();
        closeRelay();
        // Stopped while the relay closed: nothing starts.
        if (!stopRequested() && start()) poll();
        finish();
        return outcome_;
    }

private:
    bool stopRequested() const { return hooks_.stopRequested && hooks_.stopRequested(); }

    void closeRelay() {
        program_.link.Send(0, QStringLiteral("outp 1"));
        Delay(program_.sourceModel.RelayHold / 1000.0);
        program_.outputState.OutputOn = 1;
        if (hooks_.relayClosed) hooks_.relayClosed();
    }

    bool start() {
        InstrumentLink& link = program_.link;
        for (const QString& line : PointListStartCommands(table_)) {
            link.Send(0, line);
            if (line == QLatin1String(":init:seq3")) program_.measurements.acquisitionArmed = true;
        }
        const QString errors = link.CheckError();
        if (link.Lost()) return fail(link.state.lostReason);
        if (errors.isEmpty()) return true;
        noteErrors(errors);
        prompt_.showMessage(QStringLiteral("Source Error: ") + kCrLf + errorText(errors),
                            PromptIcon::Exclamation);
        return fail(QStringLiteral("the source refused the start."));
    }

    void poll() {
        InstrumentLink& link = program_.link;
        prompt_.setStatus(1, kInProgress);
        WaitUntil([this] { return stopRequested(); }, kFirstPollDelayMs);
        int unanswered = 0;
        for (;;) {
            if (stopRequested()) return;
            WaitUntil([this] { return stopRequested(); }, kPollIntervalMs);
            if (stopRequested()) return;
            const QueryResult r = link.TryQuery(0, QStringLiteral("trig:stat?"));
            if (r.status == ReplyStatus::LinkLost || link.Lost()) {
                fail(link.state.lostReason);
                return;
            }
            if (r.ok() && r.text.trimmed().left(4).toUpper() == QLatin1String("IDLE")) {
                idle_ = true;
                return;
            }
            if (r.ok() && !r.text.trimmed().isEmpty()) {
                unanswered = 0;
            } else if (++unanswered >= kUnansweredPollsToFail) {
                fail(QStringLiteral("the source gave no state to \"trig:stat?\" %1 times in a row.")
                         .arg(kUnansweredPollsToFail));
                return;
            }
        }
    }

    // Whatever ended the run: the source leaves list mode and the program
    // reads back what it now has.
    void finish() {
        InstrumentLink& link = program_.link;
        const bool stopped = failure_.isEmpty() && !idle_;
        if (!link.Lost()) {
            if (stopped || !failure_.isEmpty()) link.Send(0, QStringLiteral("abort"));
            if (stopped) {
                Delay(kAbortGapMs / 1000.0);
                link.Send(0, QStringLiteral("abort"));
            }
            // Left on, the source would initiate again after every run.
            if (table_.retrigger) link.Send(0, QStringLiteral("init:cont:seq1 0"));
            for (const QString& line : PointListRestoreLines(target_))
                link.Send(0, line);
            const QString errors = link.CheckError();
            if (!link.Lost() && !errors.isEmpty()) {
                noteErrors(errors);
                prompt_.showMessage(QStringLiteral("Source Error: ") + kCrLf + errorText(errors),
                                    PromptIcon::Exclamation);
                if (idle_) fail(QStringLiteral("the source reported an error."));
            }
        }
        if (link.Lost()) {
            fail(link.state.lostReason);
        } else {
            ReadBackState(program_, program_.sourceModel.ModelIndex);
        }
        // An abort disarms the source's acquisition: nothing to fetch.
        if (!failure_.isEmpty() || stopped) program_.measurements.acquisitionArmed = false;

        if (!failure_.isEmpty()) {
            outcome_.result = ListRunResult::Failed;
            outcome_.message = kFailed + failure_;
        } else if (stopped) {
            outcome_.result = ListRunResult::Aborted;
            outcome_.message = kAborted;
        } else {
            outcome_.result = ListRunResult::Completed;
            outcome_.message = kCompleted;
        }
        prompt_.setStatus(1, outcome_.message);
    }

    void noteErrors(const QString& errors) {
        outcome_.sourceErrors << errors.split(kCrLf, Qt::SkipEmptyParts);
    }

    // The first reason stays: what followed is its consequence.
    bool fail(const QString& reason) {
        if (failure_.isEmpty()) failure_ = reason;
        return false;
    }

    PointListRunOutcome failLost() {
        fail(program_.link.state.lostReason);
        finish();
        return outcome_;
    }

    Program& program_;
    Prompt& prompt_;
    const PointTable& table_;
    const PointListRunHooks& hooks_;
    const PointListTarget target_;
    PointListRunOutcome outcome_;
    QString failure_;
    bool idle_ = false;
};

} // namespace

PointListTarget PointListTargetOf(const Program& program) {
    PointListTarget t;
    t.dc = program.outputState.OutputMode == ModeDC;
    t.outputs = program.outputState.MultiPhaseOutput == 1 ? 3 : 1;
    t.vkFamily = program.sourceModel.SeriesFamily() == 1;
    return t;
}

QStringList PointListRestoreLines(const PointListTarget& target) {
    QStringList lines;
    if (!target.dc) lines << QStringLiteral("freq:mode fix;:freq:slew:mode fix");
    // Coupling ALL reaches every phase; a single output knows only phase 1.
    QString phases =
        target.outputs == 3 ? QStringLiteral(":inst:coup all") : QStringLiteral("inst:nsel 1");
    phases += QStringLiteral(";:volt:mode fix;:volt:slew:mode fix");
    if (target.vkFamily) phases += QStringLiteral(";:func:mode fix");
    lines << phases;
    return lines;
}

PointListRunOutcome RunPointLists(Program& program, Prompt& prompt, const PointTable& table,
                                  const PointListRunHooks& hooks) {
    return PointListRunner(program, prompt, table, hooks).run();
}

} // namespace ostrel
