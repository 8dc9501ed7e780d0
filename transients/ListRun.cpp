#include "transients/ListRun.h"

#include "core/Program.h"
#include "link/Numbers.h"
#include "link/QueryResult.h"
#include "transients/SourceIdle.h"

#include <QRegularExpression>

#include <algorithm>

namespace ostrel {

namespace {

// The source is asked for its state at most this often.
constexpr double kPollIntervalS = 0.05;
constexpr int kMonitorRefreshMs = 1000;

const QString kCompleted = QStringLiteral("Transient Execution completed");
const QString kAborted = QStringLiteral("Transient Execution aborted by operator");
const QString kFailed = QStringLiteral("Transient Execution failed");

// Phases the output addresses: a single-phase source refuses "inst:nsel 2"
// and would take the next phase's settings on phase 1.
int addressedPhases(const ListRunPlan& plan) {
    return plan.outputs == 3 ? 3 : 1;
}

bool takesPart(const ListRunPlan& plan, int phase) {
    return phase <= addressedPhases(plan) && plan.phases[size_t(phase - 1)];
}

QString triggerLine(ListTrigger trigger) {
    switch (trigger) {
    case ListTrigger::Bus:
        return QStringLiteral("trig:tran:sour bus");
    case ListTrigger::External:
        return QStringLiteral("trig:tran:sour ext");
    case ListTrigger::Immediate:
        break;
    }
    return QStringLiteral("trig:tran:sour imm");
}

QStringList clearLines(const ListRunPlan& plan) {
    QStringList lines{QStringLiteral("list:rep 0;:list:ttlt 0"),
                      QStringLiteral("inst:coup all;:list:volt 0;:list:volt:slew inf")};
    for (int phase = 1; phase <= addressedPhases(plan); ++phase)
        lines << QStringLiteral("inst:nsel %1;:list:shap sin").arg(phase);
    return lines;
}

// The engine starts each segment itself; a plan whose lists repeat on the
// source asks for its own count.
QString setUpLine(const ListRunPlan& plan) {
    QString line = QStringLiteral("abort;:inst:coup none");
    line += plan.stepOnce ? QStringLiteral(";:list:step once") : QStringLiteral(";:list:step auto");
    line += QStringLiteral(";:list:coun %1").arg(plan.listCount);
    if (plan.frequencyLists) line += QStringLiteral(";:freq:mode list;:freq:slew:mode list");
    if (plan.monitor)
        line += QStringLiteral(";:sens:swe:offs ") +
                FormatNumber(plan.acquisitionOffsetS, u"0.000") +
                QStringLiteral(";:sens:swe:tint ") +
                FormatNumber(plan.acquisitionIntervalS, u"0.0000000") +
                QStringLiteral(";:outp:ttlt:sour list;:outp:ttlt 1;:trig:acq:sour ttlt");
    return line;
}

QString modesLine(const ListRunPlan& plan) {
    QStringList parts;
    for (int phase = 1; phase <= addressedPhases(plan); ++phase) {
        const bool list = takesPart(plan, phase);
        parts << QStringLiteral(":inst:nsel %1;:volt:mode %2;:volt:slew:mode %2;:func:mode %3")
                     .arg(phase)
                     .arg(list ? QStringLiteral("list") : QStringLiteral("fix"))
                     .arg(list && plan.waveformLists ? QStringLiteral("list")
                                                     : QStringLiteral("fix"));
    }
    return parts.join(QLatin1Char(';'));
}

// Coupling ALL reaches every phase; otherwise only the last selected one
// would return to fixed mode.
QString restoreLine(const ListRunPlan& plan) {
    const bool threePhase = addressedPhases(plan) == 3;
    if (plan.dc)
        return (threePhase ? QStringLiteral(":inst:coup all;:") : QString()) +
               QStringLiteral("volt:mode fix;:volt:slew:mode fix;:func:mode fix");
    return QStringLiteral("freq:mode fix;:freq:slew:mode fix;:outp:ttlt:sour bot;:outp:ttlt 0;") +
           (threePhase ? QStringLiteral(":inst:coup all") : QStringLiteral(":inst:nsel 1")) +
           QStringLiteral(";:volt:mode fix;:volt:slew:mode fix;:func:mode fix");
}

QString syncLine(const ListRunPlan& plan, const ListRunSegment& segment) {
    if (plan.dc || !segment.startAngle) return QStringLiteral("trig:sync:sour imm");
    return QStringLiteral(":trig:sync:phas ") + FormatNumber(*segment.startAngle, u"##0.0") +
           QStringLiteral(";:trig:sync:sour phas");
}

QString checkSegments(const std::vector<ListRunSegment>& segments) {
    if (segments.empty()) return QStringLiteral("The transient holds no list segment.");
    for (size_t i = 0; i < segments.size(); ++i)
        if (segments[i].points < 1 || segments[i].loadLines.isEmpty())
            return QStringLiteral("List segment %1 holds no point.").arg(i + 1);
    return {};
}

QString checkPlan(const Program& program, const ListRunPlan& plan) {
    if (plan.outputs != 1 && plan.outputs != 3)
        return QStringLiteral("The output count must be 1 or 3, not %1.").arg(plan.outputs);
    if (plan.listCount < 1)
        return QStringLiteral("The list count must be at least 1, not %1.").arg(plan.listCount);
    if (!plan.continuous && plan.passes < 1)
        return QStringLiteral("The run count must be at least 1, not %1.").arg(plan.passes);
    if (program.settings.link.bus == BusSimulation)
        return QStringLiteral("No source is connected.");
    return checkSegments(plan.segments);
}

bool isSourceError(const QString& line) {
    static const QRegularExpression code(QStringLiteral("^\\s*[+-]?\\d+\\s*,"));
    return code.match(line).hasMatch();
}

} // namespace

ListRun::ListRun(Program& program, ListRunPlan plan, ListRunHooks hooks)
    : program_(program), plan_(std::move(plan)), hooks_(std::move(hooks)) {}

ListRunOutcome ListRun::run() {
    if (running_) return outcome_;
    outcome_ = {};
    failure_.clear();
    started_ = false;
    stopRequested_ = false;
    startLevels_ = {};
    segments_ = plan_.segments;
    // A plan that cannot run is refused before anything is sent.
    if (const QString refusal = checkPlan(program_, plan_); !refusal.isEmpty()) {
        outcome_.message = kFailed + QStringLiteral(": ") + refusal;
        return outcome_;
    }
    running_ = true;
    clock_.start();
    lastRefreshMs_ = 0;
    const bool ok = setUp() && playPasses();
    finish(ok);
    running_ = false;
    return outcome_;
}

void ListRun::stop() {
    if (!running_ || stopRequested_) return;
    stopRequested_ = true;
    program_.link.Send(0, QStringLiteral("abort"));
}

bool ListRun::setUp() {
    InstrumentLink& link = program_.link;
    link.Send(0, triggerLine(plan_.trigger));
    for (const QString& line : clearLines(plan_))
        link.Send(0, line);
    link.Send(0, setUpLine(plan_));
    if (!readStartLevels()) return false;
    link.Send(0, modesLine(plan_));
    return !link.Lost() || failLost();
}

bool ListRun::readStartLevels() {
    const QString query = plan_.dc ? QStringLiteral("inst:nsel %1;:volt:dc?")
                                   : QStringLiteral("inst:nsel %1;:volt:ac?");
    for (int phase = 1; phase <= addressedPhases(plan_); ++phase) {
        const QueryResult r = program_.link.TryQuery(0, query.arg(phase));
        if (r.status == ReplyStatus::LinkLost) return failLost();
        const std::optional<float> level = r.number();
        if (!level) {
            QueryFailure why;
            why.noteUnreadable(r);
            return fail(why.error);
        }
        startLevels_[size_t(phase - 1)] = *level;
    }
    return true;
}

bool ListRun::playPasses() {
    for (int pass = 1; plan_.continuous || pass <= plan_.passes; ++pass) {
        if (stopRequested_) return true;
        program_.prompt().setStatus(
            1, plan_.continuous ? QStringLiteral("Transient Execution in continuous mode...")
                                : QStringLiteral("Transient Execution pass number %1").arg(pass));
        if (!preparePass(pass)) return false;
        for (size_t k = 0; k < segments_.size(); ++k) {
            if (stopRequested_) return true;
            const ListRunSegment& segment = segments_[k];
            for (const QString& line : segment.loadLines) {
                if (stopRequested_) return true;
                program_.link.Send(0, line);
            }
            // A refused list must not play: the source would play the cleared
            // lists, or the segment before.
            if (!checkSource(
                    QStringLiteral("the lists of segment %1 of pass %2").arg(k + 1).arg(pass)))
                return false;
            switch (waitIdle(pass, int(k))) {
            case Wait::Idle:
                break;
            case Wait::Stopped:
                return true;
            case Wait::Failed:
                return false;
            }
            if (!startSegment(segment, pass == 1 && k == 0)) return true;
            if (!checkSource(
                    QStringLiteral("the start of segment %1 of pass %2").arg(k + 1).arg(pass)))
                return false;
            outcome_.pointsSent += segment.points;
            report(pass, int(k));
        }
        switch (waitIdle(pass, int(segments_.size()) - 1)) {
        case Wait::Idle:
            break;
        case Wait::Stopped:
            return true;
        case Wait::Failed:
            return false;
        }
        ++outcome_.passesCompleted;
        outcome_.durationS = elapsed();
    }
    return true;
}

bool ListRun::preparePass(int pass) {
    const QueryResult r = program_.link.TryQuery(0, QStringLiteral("freq?"));
    if (r.status == ReplyStatus::LinkLost) return failLost();
    const std::optional<float> frequency = r.number();
    if (!frequency) {
        QueryFailure why;
        why.noteUnreadable(r);
        return fail(why.error);
    }
    if (!hooks_.preparePass) return true;
    const ListRunPass info{pass, *frequency, startLevels_};
    if (const QString refusal = hooks_.preparePass(info, segments_); !refusal.isEmpty())
        return fail(refusal);
    if (const QString bad = checkSegments(segments_); !bad.isEmpty()) return fail(bad);
    return true;
}

// The first start command of every segment but the very first clears what
// the source may still hold with "abort;"; an armed acquisition comes just
// before its transient, with no abort between them. Each line out processes
// window events, so Stop may come between them: nothing starts after its
// "abort". False when stopped before the transient started.
bool ListRun::startSegment(const ListRunSegment& segment, bool first) {
    InstrumentLink& link = program_.link;
    link.Send(0, syncLine(plan_, segment));
    QString prefix = first ? QStringLiteral(":") : QStringLiteral("abort;:");
    if (plan_.monitor && segment.holdsTriggerStep) {
        if (stopRequested_) return false;
        link.Send(0, prefix + QStringLiteral("init:name acq"));
        prefix = QStringLiteral(":");
    }
    if (stopRequested_) return false;
    if (!started_) {
        started_ = true;
        startedAtMs_ = clock_.elapsed();
    }
    link.Send(0,
              prefix + (plan_.continuous ? QStringLiteral("init:cont:name tran,0;:init:name tran")
                                         : QStringLiteral("init:name tran")));
    return true;
}

ListRun::Wait ListRun::waitIdle(int pass, int segment) {
    IdleWaitOptions o;
    o.pollSeconds = kPollIntervalS;
    o.stop = [this] { return stopRequested_; };
    o.betweenPolls = [&] {
        if (started_) report(pass, segment);
        refreshMonitorIfDue();
    };
    const IdleWaitResult w = WaitSourceIdle(program_, o);
    switch (w.state) {
    case IdleWait::Idle:
        if (started_) outcome_.durationS = elapsed();
        return Wait::Idle;
    case IdleWait::Stopped:
        return Wait::Stopped;
    case IdleWait::Lost:
        failLost();
        return Wait::Failed;
    default:
        fail(QStringLiteral("the source gave no state to \"trig:stat?\" %1 times in a row (last: %2).")
                 .arg(kUnansweredIdlePolls)
                 .arg(w.lastReply));
        return Wait::Failed;
    }
}

bool ListRun::checkSource(const QString& what) {
    const QString errors = program_.link.CheckError();
    if (program_.link.Lost()) return failLost();
    if (errors.isEmpty()) return true;
    const QStringList lines = errors.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (isSourceError(line)) outcome_.sourceErrors << line;
    return fail(QStringLiteral("the source reported an error after %1:\r\n").arg(what) +
                lines.join(QStringLiteral("\r\n")));
}

void ListRun::restore() {
    InstrumentLink& link = program_.link;
    if (link.Lost()) return;
    link.Send(0, restoreLine(plan_));
    const QString errors = link.CheckError();
    if (link.Lost()) {
        failLost();
        return;
    }
    if (errors.isEmpty()) {
        outcome_.restored = true;
        return;
    }
    // An output left in list mode is no finished run.
    const QStringList lines = errors.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        if (isSourceError(line)) outcome_.sourceErrors << line;
    fail(QStringLiteral("the source refused the return to fixed mode:\r\n") +
         lines.join(QStringLiteral("\r\n")));
}

void ListRun::finish(bool ok) {
    InstrumentLink& link = program_.link;
    if (ok && stopRequested_) {
        // What the source says after the operator's abort belongs to the run.
        const QString errors = link.CheckError();
        if (link.Lost()) {
            failLost();
        } else {
            for (const QString& line : errors.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
                if (isSourceError(line)) outcome_.sourceErrors << line;
        }
    } else if (!ok && !link.Lost() && !stopRequested_) {
        // A segment may still play.
        link.Send(0, QStringLiteral("abort"));
    }
    // A run that did not end by itself lasted until now.
    if (started_ && (!ok || stopRequested_)) outcome_.durationS = elapsed();
    restore();
    if (plan_.monitor && hooks_.refreshMonitor) hooks_.refreshMonitor();

    Prompt& prompt = program_.prompt();
    if (!failure_.isEmpty()) {
        outcome_.result = ListRunResult::Failed;
        outcome_.message = kFailed + QStringLiteral(": ") + failure_;
        prompt.setStatus(1, kFailed);
        // The link has told the operator about a lost connection already.
        if (!outcome_.linkLost) prompt.showMessage(outcome_.message, PromptIcon::Exclamation);
        return;
    }
    outcome_.result = stopRequested_ ? ListRunResult::Aborted : ListRunResult::Completed;
    outcome_.message = stopRequested_ ? kAborted : kCompleted;
    prompt.setStatus(1, outcome_.message);
    if (plan_.popupWhenDone) prompt.showMessage(outcome_.message, PromptIcon::Information);
}

void ListRun::report(int pass, int segment) {
    if (!hooks_.progress) return;
    hooks_.progress({pass, segment, int(segments_.size()), outcome_.pointsSent, elapsed()});
}

void ListRun::refreshMonitorIfDue() {
    if (!plan_.monitor || !hooks_.refreshMonitor) return;
    if (clock_.elapsed() - lastRefreshMs_ < kMonitorRefreshMs) return;
    hooks_.refreshMonitor();
    lastRefreshMs_ = clock_.elapsed();
}

// The first reason stays: what followed it is its consequence.
bool ListRun::fail(const QString& reason) {
    if (failure_.isEmpty()) failure_ = reason;
    return false;
}

bool ListRun::failLost() {
    outcome_.linkLost = true;
    return fail(program_.link.state.lostReason);
}

double ListRun::elapsed() const {
    return started_ ? double(clock_.elapsed() - startedAtMs_) / 1000.0 : 0.0;
}

} // namespace ostrel
