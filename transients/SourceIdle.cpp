#include "transients/SourceIdle.h"

#include "core/Program.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace ostrel {

IdleWaitResult WaitSourceIdle(Program& program, const IdleWaitOptions& o) {
    InstrumentLink& link = program.link;
    const EngineClock& clock = program.engineClock;
    const auto stopped = [&] { return o.stop && o.stop(); };
    const double scale = clock.timeScale > 0 ? clock.timeScale : 1.0;
    QElapsedTimer since;
    since.start();
    IdleWaitResult result;
    const auto end = [&](IdleWait state) {
        result.state = state;
        return result;
    };
    int unanswered = 0;
    for (int poll = 1;; ++poll) {
        if (stopped()) return end(IdleWait::Stopped);
        if (o.abortFirst) {
            link.Send(0, QStringLiteral("abort"));
            if (clock.wait(o.settleSeconds, o.stop)) return end(IdleWait::Stopped);
        }
        QElapsedTimer turn;
        turn.start();
        const QueryResult reply = link.TryQuery(0, QStringLiteral("trig:stat?"));
        if (link.Lost() || reply.status == ReplyStatus::LinkLost) {
            result.lastReply = reply.error;
            return end(IdleWait::Lost);
        }
        // Stop pressed while the query waited: its "abort" is out now.
        if (stopped()) return end(IdleWait::Stopped);
        const QString state = reply.text.trimmed().toUpper();
        if (reply.ok() && state.startsWith(QLatin1String("IDLE"))) return end(IdleWait::Idle);
        if (reply.ok() && state.startsWith(QLatin1String("BUSY"))) {
            unanswered = 0;
        } else {
            result.lastReply = reply.ok() ? QLatin1Char('"') + reply.text.left(40) + QLatin1Char('"') : reply.error;
            if (++unanswered >= kUnansweredIdlePolls) return end(IdleWait::NoReply);
        }
        if (o.maxPolls > 0 && poll >= o.maxPolls) return end(IdleWait::Stuck);
        if (o.limitSeconds > 0 && double(since.elapsed()) / 1000.0 * scale > o.limitSeconds)
            return end(IdleWait::TooLong);
        if (o.betweenPolls) o.betweenPolls();
        if (o.pollSeconds <= 0) {
            QCoreApplication::processEvents();
            continue;
        }
        const double left = o.pollSeconds - double(turn.elapsed()) / 1000.0 * scale;
        if (left > 0 && clock.wait(left, o.stop)) return end(IdleWait::Stopped);
    }
}

QString IdleWaitFailure(IdleWait result) {
    switch (result) {
    case IdleWait::Lost:
        return QStringLiteral("Communication with the power source lost.");
    case IdleWait::NoReply:
        return QStringLiteral("ERROR: No reply from the power source while waiting for test completion.");
    case IdleWait::TooLong:
        return QStringLiteral("ERROR: The power source did not complete the transient in its planned time.");
    case IdleWait::Stuck:
        return QStringLiteral("ERROR: The power source stayed busy after \"abort\"; the test was ended without it.");
    case IdleWait::Idle:
    case IdleWait::Stopped:
        break;
    }
    return {};
}

} // namespace ostrel
