#include "iec/IecRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "transients/SourceIdle.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace ostrel {

const QString kIecVerdictQuestion = QStringLiteral("Is the equipment under test still functional?");

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kInitFailed = QStringLiteral("WARNING: Failed to initialize AC Source.\r\n"
                                           "Check selected voltage range and Vnom\r\n"
                                           "settings.");
const QString kPauseTitle = QStringLiteral("EN 61000-4-11 TEST SEQUENCE PAUSED");
const QString kNoComment = QStringLiteral("No comment recorded");
// A started list may take this much longer than planned before the run fails.
constexpr double kIdleMarginSeconds = 5;
constexpr double kIdleMarginShare = 0.2;
// After "outp 1", before its errors are read.
constexpr double kRelaySettleSeconds = 0.2;

std::optional<double> reading(Program& program, const QString& query) {
    const QueryResult r = program.link.TryQuery(0, query);
    if (!r.ok()) return std::nullopt;
    const std::optional<float> x = r.number();
    if (!x) return std::nullopt;
    return double(*x);
}

} // namespace

QString IecStepResultName(IecStepResult result) {
    switch (result) {
    case IecStepResult::Done:
        return QStringLiteral("done");
    case IecStepResult::Error:
        return QStringLiteral("error");
    case IecStepResult::Aborted:
        return QStringLiteral("aborted");
    case IecStepResult::NotRun:
        break;
    }
    return QStringLiteral("not run");
}

IecReading ReadIecMeasurement(Program& program) {
    IecReading r;
    if (program.link.state.queryInProgress || program.link.Lost() ||
        program.settings.link.bus == BusSimulation)
        return r;
    r.volts = reading(program, QStringLiteral("meas:volt:ac?"));
    r.amps = reading(program, QStringLiteral("fetc:curr:ac?"));
    return r;
}

IecRun::IecRun(Program& program, IecRunCallbacks callbacks)
    : program_(program), callbacks_(std::move(callbacks)) {}

bool IecRun::connected() const {
    return program_.settings.link.bus != BusSimulation && !program_.link.Lost();
}

void IecRun::status(const QString& text) {
    if (callbacks_.status) callbacks_.status(text);
    program_.prompt().setStatus(1, text);
}

void IecRun::fail(const QString& reason) {
    if (!failed_) outcome_.reason = reason;
    failed_ = true;
    status(reason);
}

bool IecRun::send(const QStringList& lines) {
    for (const QString& line : lines) {
        program_.link.Send(0, line);
        outcome_.sentAnything = true;
        if (program_.link.Lost()) {
            fail(program_.link.state.lostReason.isEmpty() ? IdleWaitFailure(IdleWait::Lost)
                                                          : program_.link.state.lostReason);
            return false;
        }
    }
    return true;
}

QString IecRun::checkError() {
    const QString errors = program_.link.CheckError();
    if (program_.link.Lost()) fail(IdleWaitFailure(IdleWait::Lost));
    return errors.trimmed();
}

void IecRun::measure() {
    if (programming_ || !connected()) return;
    const IecReading r = ReadIecMeasurement(program_);
    if (program_.link.Lost()) return;
    if (current_) {
        if (r.volts)
            current_->vMin = current_->vMin ? std::min(*current_->vMin, *r.volts) : *r.volts;
        if (r.amps) current_->iMax = current_->iMax ? std::max(*current_->iMax, *r.amps) : *r.amps;
    }
    if (r.volts || r.amps) {
        const double scale =
            program_.engineClock.timeScale > 0 ? program_.engineClock.timeScale : 1.0;
        outcome_.trend.push_back({double(sinceStart_.elapsed()) / 1000.0 * scale, r.volts, r.amps});
    }
    if (callbacks_.reading) callbacks_.reading(r);
}

// The pacing clock's seconds, with the readings at their rate meanwhile.
bool IecRun::wait(double seconds) {
    const double tick = measureMs_ / 1000.0;
    for (double left = seconds; left > 0; left -= tick) {
        if (program_.engineClock.wait(std::min(left, tick), [this] { return stop(); }))
            return false;
        measure();
    }
    return !stop();
}

IecRunOutcome IecRun::run(const IecTestFile& file, const IecPlanOptions& options) {
    if (running_) {
        IecRunOutcome busy;
        busy.reason = QStringLiteral("A test is already running.");
        return busy;
    }
    outcome_ = {};
    abort_ = failed_ = programming_ = inrushStarted_ = false;
    current_ = nullptr;
    measureMs_ = std::max(100, file.measUpdateRate);
    running_ = true;
    program_.testRunning = true;
    outcome_.started = QDateTime::currentDateTime();
    sinceStart_.start();
    const IecPlan plan = PlanIecTest(file, options);
    for (const IecStep& s : plan.steps) {
        IecStepReport r;
        r.step = s;
        outcome_.steps.push_back(r);
    }
    const auto end = [this] {
        running_ = false;
        program_.testRunning = false;
        current_ = nullptr;
        outcome_.ended = QDateTime::currentDateTime();
        if (outcome_.endField.isEmpty()) outcome_.endField = outcome_.ended.toString(Qt::ISODate);
        return outcome_;
    };
    if (!connected()) {
        outcome_.reason = program_.link.Lost() ? IdleWaitFailure(IdleWait::Lost)
                                               : QStringLiteral("No power source is connected.");
        outcome_.endField = QStringLiteral("NONE, ") + outcome_.reason;
        return end();
    }
    const bool initialised = initialise(file, plan);
    if (!initialised && !stop()) {
        restore(plan);
        outcome_.end = IecRunEnd::NotStarted;
        outcome_.endField = QStringLiteral("NONE, ") + outcome_.reason;
        return end();
    }
    if (initialised && !stop() && file.includePeak) inrushTest(file);
    const int n = int(outcome_.steps.size());
    for (int i = 0; initialised && i < n && !stop(); ++i) {
        playStep(outcome_.steps[size_t(i)], i + 1);
        if (i + 1 < n && !stop() && !between(outcome_.steps[size_t(i)].step, i + 1)) break;
    }
    current_ = nullptr;
    for (IecStepReport& s : outcome_.steps)
        if (s.result == IecStepResult::NotRun && abort_) s.result = IecStepResult::Aborted;

    if (failed_ || abort_) {
        restore(plan);
        outcome_.end = failed_ ? IecRunEnd::Failed : IecRunEnd::Aborted;
        if (!failed_) {
            outcome_.reason = QStringLiteral("User abort");
            status(QStringLiteral("Test aborted..."));
        }
        outcome_.result = QStringLiteral("ABORT");
        outcome_.endField = QStringLiteral("NONE, ") + outcome_.reason;
        return end();
    }
    const bool allDone =
        std::all_of(outcome_.steps.begin(), outcome_.steps.end(),
                    [](const IecStepReport& s) { return s.result == IecStepResult::Done; });
    std::optional<bool> verdict;
    if (callbacks_.verdict) {
        verdict = callbacks_.verdict();
    } else {
        verdict = program_.prompt().ask(kIecVerdictQuestion, PromptButtons::YesNo, 1,
                                        PromptIcon::Question) == PromptAnswer::Yes;
    }
    restore(plan);
    outcome_.end = failed_ ? IecRunEnd::Failed : IecRunEnd::Completed;
    if (failed_) {
        outcome_.result = QStringLiteral("ABORT");
        outcome_.endField = QStringLiteral("NONE, ") + outcome_.reason;
    } else if (!verdict) {
        outcome_.result = QStringLiteral("NONE");
    } else if (!*verdict) {
        outcome_.result = QStringLiteral("FAIL");
    } else {
        outcome_.result = allDone ? QStringLiteral("PASS") : QStringLiteral("INCOMPLETE");
    }
    if (!allDone && outcome_.reason.isEmpty())
        outcome_.reason = QStringLiteral("One or more test rows were refused by the power source.");
    status(QStringLiteral("Test completed."));
    return end();
}

// Errors are checked before the relay closes and again after it; a refusal
// leaves the relay as it was.
bool IecRun::initialise(const IecTestFile& file, const IecPlan& plan) {
    Prompt& prompt = program_.prompt();
    OutputState& out = program_.outputState;
    status(QStringLiteral("Initializing Source with nominal values..."));
    programming_ = true;
    checkError(); // what an earlier conversation left behind is not this run's
    const bool wasOpen = out.OutputOn == 0;
    const auto refused = [&](const QString& errors) {
        programming_ = false;
        prompt.showMessage(kInitFailed, PromptIcon::Exclamation);
        outcome_.reason = QStringLiteral("Initialization refused: ") + errors;
        outcome_.warnings << kInitFailed;
        return false;
    };
    if (!send(plan.init)) return false;
    if (const QString errors = checkError(); failed_ || !errors.isEmpty())
        return failed_ ? false : refused(errors);
    if (!send(plan.closeRelay)) return false;
    if (program_.engineClock.wait(kRelaySettleSeconds, [this] { return stop(); })) return false;
    if (const QString errors = checkError(); failed_ || !errors.isEmpty()) {
        if (failed_) return false;
        if (wasOpen) send({QStringLiteral("outp 0")});
        return refused(errors);
    }
    programming_ = false;
    outcome_.relayClosed = wasOpen;
    out.OutputOn = 1;
    const int phases = out.MultiPhaseOutput == 1 ? 3 : 1;
    for (int p = 0; p < phases; ++p)
        out.Phase[size_t(p)].Voltage = float(file.voltage);
    out.Frequency = float(file.frequency);
    if (callbacks_.outputChanged) callbacks_.outputChanged();

    if (!send(plan.check)) return false;
    if (program_.engineClock.wait(kInitSettleSeconds, [this] { return stop(); })) return false;
    const std::optional<double> v = reading(program_, QStringLiteral("meas:volt:ac?"));
    if (program_.link.Lost()) {
        fail(IdleWaitFailure(IdleWait::Lost));
        return false;
    }
    if (!v || std::abs(*v - file.voltage) > kVoltageTolerance) {
        const QString text = QStringLiteral("WARNING: Output voltage out of spec. Expected ") +
                             FormatNumber(file.voltage, u"##0.00") + kCrLf +
                             QStringLiteral("V, found ") +
                             (v ? FormatNumber(*v, u"##0.00") : QStringLiteral("no reading")) +
                             QStringLiteral(" V.");
        prompt.showMessage(text, PromptIcon::Exclamation);
        outcome_.warnings << text;
    }
    if (file.preTestDelay > 0) {
        status(QStringLiteral("Executing %1 second Pre-test delay...").arg(file.preTestDelay));
        if (!wait(file.preTestDelay)) return false;
    }
    return true;
}

void IecRun::inrushTest(const IecTestFile& file) {
    outcome_.inrushTested = true;
    inrushStarted_ = true;
    outcome_.inrushLimit = IecInrushCapability(program_.sourceModel.CurrentMax);
    if (callbacks_.inrushText) callbacks_.inrushText(QStringLiteral("TESTING"));
    const double currentMax = program_.sourceModel.CurrentMax;
    double highest = 0;
    for (int i = 0; i < 2; ++i) {
        const double angle = kInrushAngles[i];
        const IecInrushPlan p = PlanIecInrush(file, angle);
        if (i == 1) {
            status(QStringLiteral("Executing 1 minute delay between inrush tests..."));
            if (!send(p.pause) || !wait(kInrushPauseSeconds)) return;
        }
        if (!send(p.zero) || !wait(kInrushZeroSeconds)) return;
        programming_ = true;
        if (!send(p.attempt)) return;
        const QString errors = checkError();
        programming_ = false;
        if (failed_) return;
        if (!errors.isEmpty()) {
            fail(QStringLiteral("The inrush pre-test was refused: ") + errors);
            return;
        }
        IdleWaitOptions o;
        o.limitSeconds = kInrushPointSeconds + kIdleMarginSeconds;
        o.stop = [this] { return stop(); };
        const IdleWait w = WaitSourceIdle(program_, o).state;
        if (w == IdleWait::Stopped) return;
        if (w != IdleWait::Idle) {
            fail(IdleWaitFailure(w));
            return;
        }
        IecInrushAttempt attempt;
        attempt.angle = angle;
        attempt.peak = reading(program_, p.peakQuery);
        outcome_.attempts.push_back(attempt);
        if (program_.link.Lost()) {
            fail(IdleWaitFailure(IdleWait::Lost));
            return;
        }
        if (!attempt.peak) {
            fail(QStringLiteral("No reply to the peak inrush current query."));
            return;
        }
        highest = std::max(highest, *attempt.peak);
        outcome_.inrushText = IecInrushText(highest, currentMax);
        if (callbacks_.inrushText) callbacks_.inrushText(outcome_.inrushText);
        if (IecInrushTooHigh(*attempt.peak, currentMax)) {
            const QString text =
                QStringLiteral("The source can not handle the peak inrush") + kCrLf +
                (i == 0 ? QStringLiteral("current of the UUT. This test may be invalid!")
                        : QStringLiteral("current of the EUT. This test may be invalid!")) +
                kCrLf + QStringLiteral("The peak current is = ") +
                FormatNumber(*attempt.peak, u"###0.000") + QStringLiteral(" Amps.") + kCrLf +
                QStringLiteral("Click OK to continue or Cancel to abort ");
            if (program_.prompt().ask(text, PromptButtons::OkCancel, 2, PromptIcon::Exclamation) !=
                PromptAnswer::Ok) {
                abort_ = true;
                return;
            }
        }
    }
    // The inrush lists' TTL and count give way to the test's own.
    send(PlanIecInrush(file, 0).finish);
}

void IecRun::playStep(IecStepReport& report, int number) {
    const IecStep& step = report.step;
    if (callbacks_.stepStarted) callbacks_.stepStarted(step.row);
    status(QStringLiteral("Executing sequence %1 of %2").arg(number).arg(outcome_.steps.size()));
    current_ = &report;
    const auto refused = [&](const QString& errors) {
        programming_ = false;
        report.result = IecStepResult::Error;
        report.error = errors;
        outcome_.warnings << QStringLiteral("Row %1: ").arg(step.row + 1) + errors;
        program_.prompt().showMessage(QStringLiteral("Execution step aborted.") + kCrLf + errors,
                                      PromptIcon::Critical);
        send({QStringLiteral("abort")});
    };
    // The list is programmed and checked before it may start, so a refused
    // row never replays the previous one.
    programming_ = true;
    if (!send(step.program)) return;
    if (const QString errors = checkError(); failed_ || !errors.isEmpty())
        return failed_ ? void() : refused(errors);
    if (!send(step.start)) return;
    if (const QString errors = checkError(); failed_ || !errors.isEmpty())
        return failed_ ? void() : refused(errors);
    programming_ = false;
    IdleWaitOptions o;
    o.limitSeconds = step.seconds * (1 + kIdleMarginShare) + kIdleMarginSeconds;
    o.stop = [this] { return stop(); };
    QElapsedTimer since;
    since.start();
    const double scale = program_.engineClock.timeScale > 0 ? program_.engineClock.timeScale : 1.0;
    o.betweenPolls = [&] {
        if (double(since.elapsed()) * scale >= measureMs_) {
            since.restart();
            measure();
        }
    };
    const IdleWait w = WaitSourceIdle(program_, o).state;
    if (w == IdleWait::Stopped) {
        report.result = IecStepResult::Aborted;
        if (failed_) report.error = outcome_.reason;
        return;
    }
    if (w != IdleWait::Idle) {
        fail(IdleWaitFailure(w));
        report.result = IecStepResult::Error;
        report.error = outcome_.reason;
        return;
    }
    report.result = IecStepResult::Done;
    report.done = step.repetitions;
}

bool IecRun::between(const IecStep& step, int number) {
    current_ = nullptr;
    if (step.pause) {
        const std::optional<QString> said = program_.prompt().inputText(
            kPauseTitle,
            QStringLiteral("Waiting for user intervention after sequence %1").arg(number) + kCrLf +
                QStringLiteral("Enter any comment you want recorded."));
        const QString comment = said && !said->trimmed().isEmpty() ? said->trimmed() : kNoComment;
        outcome_.comments << comment;
        return !stop();
    }
    status(QStringLiteral("Executing %1 sec delay after sequence ").arg(step.delayAfter) +
           QString::number(number));
    return wait(step.delayAfter);
}

// "abort", then the end's restore; after the inrush pre-test its TTL and
// acquisition settings go back too.
void IecRun::restore(const IecPlan& plan) {
    programming_ = false;
    if (program_.link.Lost()) return;
    QStringList lines{QStringLiteral("abort")};
    lines += plan.end;
    if (inrushStarted_) {
        lines << QStringLiteral("outp:ttlt:sour eot;:outp:ttlt 0") << QStringLiteral("list:ttlt 0")
              << QStringLiteral("trig:acq:sour imm");
    }
    for (const QString& line : lines)
        program_.link.Send(0, line);
    outcome_.restored = !program_.link.Lost();
    if (outcome_.restored && callbacks_.outputChanged) callbacks_.outputChanged();
}

} // namespace ostrel
