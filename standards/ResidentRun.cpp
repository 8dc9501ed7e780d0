#include "standards/ResidentRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "standards/RestoreOutput.h"
#include "standards/TestSteps.h"

#include <QElapsedTimer>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr double kPollS = 0.5;
constexpr double kReadyWaitS = 30;
constexpr double kAbortIdleS = 10;
constexpr int kMissedRepliesToFail = 3;
// A test may overrun its expected time this much before it counts as hung.
constexpr double kHungSlackS = 600;

const QString kNoReply =
    QStringLiteral("ERROR: No reply from the power source while waiting for test completion.");
const QString kLost = QStringLiteral("Communication with the power source lost.");

} // namespace

QString ResidentTestStatusName(ResidentTestStatus status) {
    switch (status) {
    case ResidentTestStatus::Completed:
        return QStringLiteral("completed");
    case ResidentTestStatus::NotRun:
        return QStringLiteral("not run");
    case ResidentTestStatus::Aborted:
        return QStringLiteral("aborted");
    case ResidentTestStatus::Skipped:
        break;
    }
    return QStringLiteral("skipped");
}

ResidentRun::ResidentRun(Program& program, const ResidentOption& option, ResidentCallbacks callbacks)
    : program_(program), option_(option), callbacks_(std::move(callbacks)) {}

QStringList ResidentRun::SetupLines(const ResidentOption& o, const ResidentSetup& s) {
    switch (o.kind) {
    case ResidentKind::Ms704:
        return {QStringLiteral("ms704:rev ") + s.revision, QStringLiteral("ms704:gro ") + s.group,
                QStringLiteral("ms704:freq ") + FormatNumber(s.frequency, u"##0"), QStringLiteral("ms704:step cont"),
                QStringLiteral("ms704:test:cond all")};
    case ResidentKind::Mil704:
        return {QStringLiteral("mil704:vers ") + s.revision, QStringLiteral("mil704:freq ") + s.group};
    case ResidentKind::Do160:
        break;
    }
    return {QStringLiteral("do160:stan ") + s.revision.toLower(), QStringLiteral("do160:gro ") + s.group};
}

QString ResidentRun::CouplingLine(const ResidentOption& o, const ResidentSetup& s, int outputs, bool threePhaseMode) {
    const int g = o.groupIndex(s.group);
    const bool groupThree = g >= 0 && o.groups[size_t(g)].threePhase;
    if (outputs >= 3 && threePhaseMode && (groupThree || s.phase == 0)) return QStringLiteral("inst:coup all");
    return QStringLiteral("inst:coup none;:inst:nsel ") + QString::number(std::clamp(s.phase, 1, std::max(1, outputs)));
}

double ResidentRun::NominalFrequency(const ResidentOption& o, const ResidentSetup& s) {
    const int g = o.groupIndex(s.group);
    if (g < 0) return 400;
    const ResidentGroup& group = o.groups[size_t(g)];
    return o.kind == ResidentKind::Ms704 && group.variable ? s.frequency : group.frequency;
}

bool ResidentRun::connected() const {
    return program_.settings.link.bus != BusSimulation && !program_.link.Lost();
}

void ResidentRun::status(const QString& text) {
    if (callbacks_.status) callbacks_.status(text);
    program_.prompt().setStatus(1, text);
}

bool ResidentRun::send(const QString& line) {
    program_.link.Send(0, line);
    if (program_.link.Lost()) {
        failLost();
        return false;
    }
    return true;
}

// The error queue after a command that matters; false when the link went.
bool ResidentRun::checked(QString& errors) {
    errors = connected() ? program_.link.CheckError().trimmed() : QString();
    if (program_.link.Lost()) {
        failLost();
        return false;
    }
    return true;
}

void ResidentRun::failLost() {
    if (!failed_) outcome_.reason = program_.link.state.lostReason;
    failed_ = true;
    outcome_.linkLost = true;
    status(kLost);
}

void ResidentRun::failNoReply() {
    if (!failed_) outcome_.reason = kNoReply;
    failed_ = true;
    program_.prompt().showMessage(kNoReply, PromptIcon::Critical);
    status(kLost);
}

void ResidentRun::schedule(int testRemaining, int testTotal) {
    if (!callbacks_.progress) return;
    const double left = std::max(0.0, total_ - done_ - (testTotal - testRemaining));
    const QDateTime ends = QDateTime::currentDateTime().addSecs(qint64(std::lround(left)));
    callbacks_.progress(testRemaining, testTotal,
                        QStringLiteral("Total: ") + FormatDuration(total_) + QStringLiteral("   Ends: ") +
                            QLocale().toString(ends.time(), QStringLiteral("hh:mm:ss")));
}

bool ResidentRun::isDone(const QString& reply) const {
    if (option_.kind == ResidentKind::Ms704) return reply.toUpper().contains(QLatin1String("IDLE"));
    return reply.trimmed() == QLatin1String("+1") || reply.trimmed() == QLatin1String("1");
}

// A reply the state query can give; anything else counts as no reply.
bool ResidentRun::isStateReply(const QString& reply) const {
    const QString t = reply.trimmed().toUpper();
    if (option_.kind == ResidentKind::Ms704) return t.contains(QLatin1String("IDLE")) || t.contains(QLatin1String("RUNNING"));
    return t == QLatin1String("+0") || t == QLatin1String("+1") || t == QLatin1String("0") || t == QLatin1String("1");
}

// The source is ready for the next test when "*OPC?" answers "+1".
ResidentRun::End ResidentRun::waitReady() {
    if (!connected()) return End::Done;
    QElapsedTimer waited;
    waited.start();
    int missed = 0;
    for (;;) {
        if (abort_) return End::Aborted;
        const QueryResult r = program_.link.TryQuery(0, QStringLiteral("*OPC?"));
        if (program_.link.Lost() || r.status == ReplyStatus::LinkLost) {
            failLost();
            return End::Failed;
        }
        const QString text = r.text.trimmed();
        if (r.ok() && text == QLatin1String("+1")) return End::Done;
        const bool answered = r.ok() && (text == QLatin1String("+0") || text == QLatin1String("0"));
        missed = answered ? 0 : missed + 1;
        if (missed >= kMissedRepliesToFail ||
            double(waited.elapsed()) / 1000.0 * program_.engineClock.timeScale > kReadyWaitS) {
            failNoReply();
            return End::Failed;
        }
        if (program_.engineClock.wait(kPollS, [this] { return abort_; })) return End::Aborted;
    }
}

void ResidentRun::writeLog() {
    if (!log_.isOpen() || !connected()) return;
    InstrumentLink& link = program_.link;
    const auto reading = [&](const QString& q) {
        const QueryResult r = link.TryQuery(0, q);
        float v = 0;
        return r.ok() && TryParseSingle(r.text.trimmed(), v) ? FormatNumber(v, u"##0.0") : QString();
    };
    const QDateTime now = QDateTime::currentDateTime();
    QStringList fields{QLocale().toString(now.date(), QLocale::ShortFormat),
                       QLocale().toString(now.time(), QLocale::LongFormat), reading(QStringLiteral("meas:freq?"))};
    for (int p : phases_)
        fields << reading(coupleAll_ ? QStringLiteral("inst:nsel %1;:meas:volt:ac?").arg(p)
                                     : QStringLiteral("meas:volt:ac?"));
    if (link.Lost()) return failLost();
    const QByteArray line = (fields.join(QLatin1Char('\t')) + QLatin1Char('\n')).toUtf8();
    if (log_.write(line) != line.size() || !log_.flush()) {
        if (!logFailed_) status(QStringLiteral("Measurement log could not be written: ") + outcome_.logPath);
        logFailed_ = true;
        return;
    }
    outcome_.logWritten = true;
}

// Polls the running test to its end; Skip and Abort go out between two queries.
ResidentRun::End ResidentRun::follow(const QString& command, int seconds) {
    InstrumentLink& link = program_.link;
    const EngineClock& clock = program_.engineClock;
    QElapsedTimer since;
    since.start();
    const auto elapsed = [&] { return double(since.elapsed()) / 1000.0 * clock.timeScale; };
    int missed = 0;
    const QString stateQuery = option_.kind == ResidentKind::Ms704 ? QStringLiteral("ms704:stat?")
                                                                    : QStringLiteral("*OPC?");
    for (;;) {
        if (abort_) return End::Aborted;
        if (skip_) {
            skip_ = false;
            if (!send(QStringLiteral("ms704:skip"))) return End::Failed;
        }
        const double t = elapsed();
        schedule(std::max(0, seconds - int(t)), seconds);
        if (connected()) {
            const QueryResult r = link.TryQuery(0, stateQuery);
            if (link.Lost() || r.status == ReplyStatus::LinkLost) {
                failLost();
                return End::Failed;
            }
            if (abort_) return End::Aborted;
            if (r.ok() && isStateReply(r.text)) {
                missed = 0;
                if (isDone(r.text)) return End::Done;
            } else if (++missed >= kMissedRepliesToFail) {
                failNoReply();
                return End::Failed;
            }
            writeLog();
            if (failed_) return End::Failed;
        } else if (t >= seconds) {
            return End::Done;
        }
        if (t > 2.0 * seconds + kHungSlackS) {
            const QString text = QStringLiteral("ERROR: Test '") + command +
                                 QStringLiteral("' did not finish within its expected time (see MS704_Durations.ini).");
            link.Send(0, QStringLiteral("ABORT"));
            if (!failed_) outcome_.reason = text;
            failed_ = true;
            program_.prompt().showMessage(text, PromptIcon::Critical);
            status(text);
            return End::Failed;
        }
        if (clock.wait(kPollS, [this] { return abort_ || skip_; }) && abort_) return End::Aborted;
    }
}

ResidentRun::End ResidentRun::runTest(ResidentTestReport& test, int seconds) {
    const QList<double> frequencies = test.frequencies.isEmpty() ? QList<double>{0} : test.frequencies;
    for (double f : frequencies) {
        if (abort_) return End::Aborted;
        if (f > 0 && !send(connected() ? QStringLiteral("ms704:freq ") + FormatNumber(f, u"##0")
                                       : QStringLiteral("freq ") + FormatNumber(f, u"##0.0")))
            return End::Failed;
        if (!send(QStringLiteral("outp 1"))) return End::Failed;
        program_.outputState.OutputOn = 1;
        QString errors;
        if (!checked(errors)) return End::Failed;
        if (const End e = waitReady(); e != End::Done) return e;
        if (abort_) return End::Aborted;
        if (!send(test.command) || !checked(errors)) return End::Failed;
        if (!errors.isEmpty()) {
            program_.prompt().showMessage(errors + kCrLf + QStringLiteral("TEST EXECUTION ERROR : Could not issue '") +
                                              test.command + QStringLiteral("' successfully."),
                                          PromptIcon::Information);
            status(QStringLiteral("Command Execution Error..."));
            test.status = ResidentTestStatus::NotRun;
            test.error = errors;
            return End::Done;
        }
        status(QStringLiteral("Command '") + test.command + QStringLiteral("' in progress..."));
        if (const End e = follow(test.command, seconds); e != End::Done) return e;
        done_ += seconds;
        status(QStringLiteral("Completed"));
    }
    test.status = ResidentTestStatus::Completed;
    return End::Done;
}

// Abort: the source is told at once and given a while to report itself idle.
void ResidentRun::stopSource() {
    if (!connected()) return;
    InstrumentLink& link = program_.link;
    link.Send(0, QStringLiteral("ABORT"));
    const QString query = option_.kind == ResidentKind::Ms704 ? QStringLiteral("ms704:stat?") : QStringLiteral("*OPC?");
    QElapsedTimer waited;
    waited.start();
    while (double(waited.elapsed()) / 1000.0 * program_.engineClock.timeScale < kAbortIdleS) {
        const QueryResult r = link.TryQuery(0, query);
        if (link.Lost()) return failLost();
        if (r.ok() && isDone(r.text)) return;
        program_.engineClock.wait(kPollS);
    }
}

ResidentOutcome ResidentRun::run(const ResidentSetup& setup, const std::vector<int>& durations, const QString& logPath) {
    if (running_) {
        ResidentOutcome busy;
        busy.reason = QStringLiteral("A test is already running.");
        return busy;
    }
    outcome_ = {};
    abort_ = skip_ = failed_ = logFailed_ = false;
    done_ = total_ = 0;
    outcome_.logPath = logPath;
    outcome_.started = QDateTime::currentDateTime();
    const int g = option_.groupIndex(setup.group);
    const bool variable = g >= 0 && option_.groups[size_t(g)].variable;
    const bool repeat = option_.skipAndRepeat && variable && setup.vfRepeat;
    for (int i = 0; i < option_.catalogue.size(); ++i) {
        ResidentTestReport t;
        t.index = i;
        t.entry = option_.catalogue[i];
        t.command = option_.command(i);
        t.selected = i < int(setup.selected.size()) && setup.selected[size_t(i)];
        t.status = t.selected ? ResidentTestStatus::NotRun : ResidentTestStatus::Skipped;
        t.seconds = i < int(durations.size()) ? durations[size_t(i)] : 1;
        if (repeat) t.frequencies = ResidentRepeatFrequencies();
        if (t.selected) total_ += t.seconds * std::max<qsizetype>(1, t.frequencies.size());
        outcome_.tests.push_back(t);
    }
    outcome_.plannedSeconds = total_;
    const int selected = int(std::count_if(outcome_.tests.begin(), outcome_.tests.end(),
                                           [](const ResidentTestReport& t) { return t.selected; }));
    if (selected == 0) {
        outcome_.reason = QStringLiteral("No test is selected.");
        status(outcome_.reason);
        return outcome_;
    }
    running_ = true;
    program_.testRunning = true;
    if (callbacks_.runningChanged) callbacks_.runningChanged(true);
    QElapsedTimer clock;
    clock.start();
    const auto end = [&] {
        outcome_.elapsedSeconds = double(clock.elapsed()) / 1000.0 * program_.engineClock.timeScale;
        log_.close();
        running_ = false;
        program_.testRunning = false;
        if (callbacks_.runningChanged) callbacks_.runningChanged(false);
        return outcome_;
    };
    status(QStringLiteral("RUNNING"));
    schedule(0, 0);

    const OutputState& out = program_.outputState;
    const int outputs = program_.sourceModel.MultiPhase == 1 ? 3 : 1;
    const QString coupling = CouplingLine(option_, setup, outputs, out.MultiPhaseOutput == 1);
    coupleAll_ = coupling == QLatin1String("inst:coup all");
    phases_.clear();
    if (coupleAll_)
        for (int p = 1; p <= outputs; ++p)
            phases_ << p;
    else
        phases_ << std::clamp(setup.phase, 1, std::max(1, outputs));

    // The set-up: a refusal here stops the run before any test.
    QString errors;
    bool sent = send(QStringLiteral("ABORT")) && send(coupling);
    // An abort during the set-up goes out before the rest of it.
    for (const QString& line : SetupLines(option_, setup))
        sent = sent && !abort_ && send(line);
    if (sent && checked(errors) && !errors.isEmpty()) {
        outcome_.reason = QStringLiteral("The option refused its set-up: ") + errors;
        program_.prompt().showMessage(errors, PromptIcon::Exclamation);
        status(QStringLiteral("Test not started."));
        outcome_.restored = RestoreOutput(program_, true).reached;
        return end();
    }
    const double nominal = NominalFrequency(option_, setup);
    sent = sent && send(QStringLiteral("freq ") + FormatNumber(nominal, u"##0.0"));
    if (callbacks_.nominalFrequency) callbacks_.nominalFrequency(FormatNumber(nominal, u"###") + QStringLiteral(" Hz"));

    if (sent && connected()) {
        log_.setFileName(logPath);
        if (!log_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            logFailed_ = true;
            status(QStringLiteral("Measurement log could not be written: ") + logPath);
        }
    }

    End last = sent ? End::Done : End::Failed;
    for (ResidentTestReport& t : outcome_.tests) {
        if (!sent || !t.selected || last != End::Done) continue;
        if (abort_) {
            last = End::Aborted;
            break;
        }
        if (callbacks_.testStarted) callbacks_.testStarted(t.index);
        last = runTest(t, int(t.seconds));
        if (last == End::Aborted) t.status = ResidentTestStatus::Aborted;
        if (last == End::Failed && t.status == ResidentTestStatus::NotRun && t.error.isEmpty())
            t.error = outcome_.reason;
    }
    if (abort_ || last == End::Aborted) {
        stopSource();
        status(QStringLiteral("Test sequence aborted by user..."));
    }
    outcome_.restored = RestoreOutput(program_, true).reached;

    const int notRun = int(std::count_if(outcome_.tests.begin(), outcome_.tests.end(), [](const ResidentTestReport& t) {
        return t.selected && t.status != ResidentTestStatus::Completed;
    }));
    if (failed_) {
        outcome_.outcome = RunOutcome::Failed;
        outcome_.result = QStringLiteral("TEST FAILED");
    } else if (abort_ || last == End::Aborted) {
        outcome_.outcome = RunOutcome::Aborted;
        outcome_.result = QStringLiteral("USER ABORT");
        outcome_.reason = QStringLiteral("User aborted.");
    } else if (notRun > 0) {
        outcome_.outcome = RunOutcome::Failed;
        outcome_.result = QStringLiteral("COMPLETED WITH ERRORS (%1 of %2 tests not run)").arg(notRun).arg(selected);
        outcome_.reason = outcome_.result;
    } else {
        outcome_.outcome = RunOutcome::Completed;
        outcome_.result = QStringLiteral("COMPLETED");
        outcome_.ended = QDateTime::currentDateTime();
    }
    if (outcome_.outcome != RunOutcome::Completed) status(outcome_.result);
    schedule(0, 0);
    return end();
}

} // namespace ostrel
