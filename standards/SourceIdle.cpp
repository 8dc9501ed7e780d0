#include "standards/SourceIdle.h"

#include "app/Program.h"

#include <QElapsedTimer>

namespace ostrel {

namespace {
// As the run controller: this many unusable answers in a row and the source has gone.
constexpr int kUnansweredPolls = 3;
} // namespace

IdleWait WaitSourceIdle(Program& program, const IdleWaitOptions& o) {
    InstrumentLink& link = program.link;
    const auto stopped = [&] { return o.stop && o.stop(); };
    QElapsedTimer clock;
    clock.start();
    const double scale = program.engineClock.timeScale > 0 ? program.engineClock.timeScale : 1.0;
    int unanswered = 0;
    for (;;) {
        if (stopped()) return IdleWait::Stopped;
        const QueryResult reply = link.TryQuery(0, QStringLiteral("trig:stat?"));
        if (link.Lost() || reply.status == ReplyStatus::LinkLost) return IdleWait::Lost;
        const QString state = reply.text.trimmed().toUpper();
        if (reply.ok() && state.startsWith(QLatin1String("IDLE"))) return IdleWait::Idle;
        if (reply.ok() && state.startsWith(QLatin1String("BUSY")))
            unanswered = 0;
        else if (++unanswered >= kUnansweredPolls)
            return IdleWait::NoReply;
        if (o.limitSeconds > 0 && double(clock.elapsed()) / 1000.0 * scale > o.limitSeconds)
            return IdleWait::TooLong;
        if (o.betweenPolls) o.betweenPolls();
        if (program.engineClock.wait(o.pollSeconds, o.stop)) return IdleWait::Stopped;
    }
}

QString IdleWaitFailure(IdleWait result) {
    switch (result) {
    case IdleWait::Lost:
        return QStringLiteral("Communication with the power source lost.");
    case IdleWait::NoReply:
        return QStringLiteral(
            "ERROR: No reply from the power source while waiting for test completion.");
    case IdleWait::TooLong:
        return QStringLiteral(
            "ERROR: The power source did not complete the transient in its planned time.");
    case IdleWait::Idle:
    case IdleWait::Stopped:
        break;
    }
    return {};
}

} // namespace ostrel
