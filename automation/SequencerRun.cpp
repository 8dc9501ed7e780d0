#include "automation/SequencerRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/Readback.h"
#include "link/Waits.h"
#include "measure/SourceIo.h"

#include <QDateTime>

#include <cmath>

namespace ostrel {

namespace {

const QChar kLetters[] = {u'A', u'B', u'C'};

QString shownNumber(double value) {
    return QString::number(value, 'g', 10);
}

} // namespace

SequencerRun::SequencerRun(Program& program, SourceIo& io, SequenceTable table, QString sequenceFile,
                           SequenceUserData user, SequencerOptions options, SequencerHooks hooks)
    : program_(program), io_(io), table_(std::move(table)), file_(std::move(sequenceFile)),
      user_(std::move(user)), options_(options), hooks_(std::move(hooks)) {}

void SequencerRun::status(const QString& text) {
    if (hooks_.status) hooks_.status(simulated_ ? text + QStringLiteral(" (simulated)") : text);
}

void SequencerRun::send(const QString& line) {
    io_.send(line);
}

bool SequencerRun::lost() const {
    return !simulated_ && io_.lost();
}

void SequencerRun::clearReadings() {
    for (auto& rows : table_.phases)
        for (SequenceRow& row : rows) {
            row[SeqStatus].clear();
            for (int k = 0; k < kSequenceReadings; ++k)
                row[size_t(ReadingColumn(k))].clear();
        }
}

SequencerOutcome SequencerRun::run() {
    outcome_ = {};
    mode_ = program_.outputState.OutputMode;
    threePhase_ = program_.outputState.MultiPhaseOutput == 1;
    simulated_ = program_.settings.link.bus == 0;
    outcome_.simulated = simulated_;
    const SequencerPlan plan = PlanSequence(table_, mode_, threePhase_);
    if (!plan.refusal.isEmpty()) {
        outcome_.message = plan.refusal;
        program_.prompt().showMessage(plan.refusal, PromptIcon::Exclamation);
        return outcome_;
    }
    running_ = true;
    stopRequested_ = false;
    clearReadings();
    status(QStringLiteral("Running"));

    if (!threePhase_) send(QStringLiteral(":INST:COUP ALL"));
    bool anyFail = false;
    int stoppedAt = 1;
    StepEnd end = StepEnd::Next;
    for (int pass = 1; end == StepEnd::Next && (options_.passes == 0 || pass <= options_.passes);
         ++pass) {
        if (pass > 1) clearReadings();
        for (const SequencerStep& step : plan.steps) {
            stoppedAt = step.number;
            bool passed = true;
            end = runStep(step, pass, pass == 1 && step.number == plan.steps.front().number, passed);
            anyFail = anyFail || !passed;
            if (end != StepEnd::Next) break;
            if (!passed && options_.abortOnFail) {
                outcome_.stoppedOnFail = true;
                break;
            }
            if (options_.singleStep) {
                const PromptAnswer a = program_.prompt().askTitled(
                    QStringLiteral("SINGLE STEP MODE"),
                    QStringLiteral("Halted at step %1").arg(step.number), PromptButtons::OkCancel, 1,
                    PromptIcon::Information);
                if (a != PromptAnswer::Ok) stopRequested_ = true;
            }
            if (stopRequested_) {
                end = StepEnd::Stopped;
                break;
            }
        }
        if (outcome_.stoppedOnFail) break;
    }

    switch (end) {
    case StepEnd::Next:
        if (outcome_.stoppedOnFail) {
            outcome_.result = SequencerResult::Completed;
            outcome_.message = QStringLiteral("Test sequence aborted on FAIL at step %1").arg(stoppedAt);
            program_.prompt().showMessage(outcome_.message, PromptIcon::Exclamation);
        } else if (!unanswered_.isEmpty()) {
            outcome_.result = SequencerResult::Failed;
            outcome_.message = QStringLiteral("Test sequence ended with a reading the AC source did "
                                              "not give: ") +
                               unanswered_;
            program_.prompt().showMessage(outcome_.message, PromptIcon::Exclamation);
        } else {
            outcome_.result = SequencerResult::Completed;
            outcome_.message = QStringLiteral("Test sequence completed.");
        }
        break;
    case StepEnd::Stopped:
        outcome_.result = SequencerResult::Aborted;
        outcome_.message = QStringLiteral("Test sequence aborted by user at step %1").arg(stoppedAt);
        program_.prompt().showMessage(outcome_.message, PromptIcon::Information);
        break;
    case StepEnd::Failed:
        outcome_.result = SequencerResult::Failed;
        break;
    case StepEnd::Lost:
        outcome_.result = SequencerResult::Failed;
        outcome_.message = QStringLiteral("Test sequence aborted at step %1. The connection to the "
                                          "AC source was lost.")
                               .arg(stoppedAt);
        break;
    }
    if (anyFail)
        outcome_.passed = false;
    else if (outcome_.result == SequencerResult::Completed && !outcome_.steps.empty())
        outcome_.passed = true;

    endHandling(anyFail);
    running_ = false;
    return outcome_;
}

SequencerRun::StepEnd SequencerRun::runStep(const SequencerStep& step, int pass, bool first,
                                            bool& passed) {
    OutputState& out = program_.outputState;
    // The peak memory restarts before the settings, so "Ipeak (A)" is this step's own;
    // before step 1 the relay is still open and its closing counts.
    send(PeakResetLine(threePhase_));
    if (options_.autoRange && !setRange(step)) return lost() ? StepEnd::Lost : StepEnd::Failed;
    if (first) {
        send(QStringLiteral("outp 1"));
        out.OutputOn = 1;
        if (hooks_.outputChanged) hooks_.outputChanged();
    }
    for (const QString& line : StepSettingLines(step, mode_, threePhase_))
        send(line);
    const QString error = io_.checkError();
    if (lost()) return StepEnd::Lost;
    if (!error.isEmpty()) {
        outcome_.message =
            QStringLiteral("Test sequence aborted at step %1. Setting error occured.").arg(step.number) +
            error;
        program_.prompt().showMessage(outcome_.message, PromptIcon::Exclamation);
        return StepEnd::Failed;
    }
    if (mode_ != ModeDC) out.Frequency = float(step.freq);
    for (const SequencerPhase& p : step.phases) {
        for (int q = 0; q < 3; ++q) {
            // Coupled phases all take phase A's settings.
            if (threePhase_ && q != p.phase) continue;
            PhaseState& ph = out.Phase[size_t(q)];
            (mode_ == ModeDC ? ph.DcVoltage : ph.Voltage) = float(p.volt);
            ph.CurrentLimit = float(p.curr);
        }
    }
    if (hooks_.outputChanged) hooks_.outputChanged();
    if (!dwell(step)) return lost() ? StepEnd::Lost : StepEnd::Stopped;
    if (!measure(step, pass, passed)) return lost() ? StepEnd::Lost : StepEnd::Stopped;
    return StepEnd::Next;
}

bool SequencerRun::setRange(const SequencerStep& step) {
    OutputState& out = program_.outputState;
    const int range = RangeNeeded(step, mode_, program_.sourceModel);
    if (range == out.HighRange) return true;
    const QString command = RangeCommand(range, mode_, program_.sourceModel);
    const bool closed = out.OutputOn != 0;
    send(closed ? QStringLiteral("outp 0;:") + command : command);
    if (closed) send(QStringLiteral("outp 1"));
    const QString error = io_.checkError();
    if (lost()) return false;
    if (!error.isEmpty()) {
        outcome_.message =
            QStringLiteral("Test sequence aborted at step %1. Setting error occured.").arg(step.number) +
            error;
        program_.prompt().showMessage(outcome_.message, PromptIcon::Exclamation);
        return false;
    }
    out.HighRange = range;
    SetMaxVoltageFromModel(program_, 3);
    return true;
}

bool SequencerRun::dwell(const SequencerStep& step) {
    const auto stopped = [this] { return stopRequested_ || lost(); };
    const int whole = int(std::floor(step.dwell));
    for (int s = 1; s <= whole; ++s) {
        status(QStringLiteral("Executing %1 of %2 second dwell time for step %3")
                   .arg(s)
                   .arg(shownNumber(step.dwell))
                   .arg(step.number));
        if (WaitUntil(stopped, 1000)) return false;
    }
    const int rest = int(std::lround((step.dwell - whole) * 1000));
    if (rest > 0 && WaitUntil(stopped, rest)) return false;
    return !stopped();
}

bool SequencerRun::measure(const SequencerStep& step, int pass, bool& passed) {
    for (const SequencerPhase& p : step.phases) {
        status(QStringLiteral("Checking phase %1 output at %2 Volt...")
                   .arg(kLetters[p.phase])
                   .arg(FormatNumber(p.volt, u"##0.00")));
        SequencerStepResult result;
        result.pass = pass;
        result.step = step.number;
        result.phase = p.phase;
        if (mode_ != ModeDC) result.freq = step.freq;
        result.volt = p.volt;
        result.curr = p.curr;
        result.dwell = step.dwell;
        const QStringList queries = ReadingQueries(p.phase, mode_, threePhase_);
        SequenceRow& row = table_.phases[size_t(p.phase)][size_t(p.row)];
        for (int k = 0; k < kSequenceReadings; ++k) {
            const QString reply = io_.query(queries[k], 1.0);
            if (lost()) return false;
            SequencerReading& r = result.readings[size_t(k)];
            r.value = ReadingValue(k, reply);
            r.hi = p.hi[size_t(k)];
            r.lo = p.lo[size_t(k)];
            r.pass = ReadingPasses(r.value, r.hi, r.lo);
            if (!r.value && unanswered_.isEmpty())
                unanswered_ = QStringLiteral("step %1, phase %2, %3")
                                  .arg(step.number)
                                  .arg(kLetters[p.phase])
                                  .arg(SequenceHeading(ReadingColumn(k), mode_ == ModeDC));
            row[size_t(ReadingColumn(k))] = r.value ? ReadingText(k, *r.value) : QString();
            result.passed = result.passed && r.pass;
        }
        row[SeqStatus] = result.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
        passed = passed && result.passed;
        outcome_.steps.push_back(result);
        if (hooks_.rowChanged) hooks_.rowChanged(p.phase, p.row);
        if (stopRequested_) return false;
    }
    return true;
}

void SequencerRun::endHandling(bool anyFail) {
    status(QStringLiteral("End"));
    OutputState& out = program_.outputState;
    if (options_.outputOff) {
        send(QStringLiteral("outp 0"));
        out.OutputOn = 0;
        if (hooks_.outputChanged) hooks_.outputChanged();
    }
    const bool wanted = !options_.failOnly || anyFail;
    if (options_.saveData && wanted) {
        if (file_.isEmpty()) {
            program_.prompt().showMessage(
                QStringLiteral("No file name specific for saving test data. Data not saved."),
                PromptIcon::Exclamation);
            outcome_.dataFileFailed = true;
        } else {
            const QString path = UniqueSequenceDataFileName(file_, QDateTime::currentDateTime());
            QString error;
            if (WriteSequenceFile(path, table_, mode_ == ModeDC, error) &&
                WriteSequenceUserData(SequenceIniPath(path), user_, simulated_, error)) {
                outcome_.dataFile = path;
            } else {
                program_.prompt().showMessage(
                    QStringLiteral("Data save operation failed. Possible illegal file name."),
                    PromptIcon::Exclamation);
                outcome_.dataFileFailed = true;
            }
        }
    }
    if (options_.printReport && wanted && hooks_.printReport) {
        QString error;
        if (!hooks_.printReport(table_, error)) {
            outcome_.reportFailed = true;
            if (!error.isEmpty()) program_.prompt().showMessage(error, PromptIcon::Exclamation);
        }
    }
    // The mirror follows the source again: what the run left is read back.
    if (!simulated_ && !io_.lost()) ReadBackState(program_, program_.sourceModel.ModelIndex);
}

} // namespace ostrel
