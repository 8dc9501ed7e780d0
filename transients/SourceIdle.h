#pragma once
// The engine's one wait for a started transient to end, for every list-based
// run: only "IDLE" finishes it. A lost link, a source that keeps giving no
// usable answer, a transient that outlasts its planned time, or a source
// still busy after its last allowed poll ends it as a failure; the stop
// request ends it at the next turn, and at once after a query that waited.
// Every pause goes through the program's engine clock.
#include <QString>

#include <functional>

namespace ostrel {

struct Program;

enum class IdleWait { Idle, Stopped, Lost, NoReply, TooLong, Stuck };

struct IdleWaitOptions {
    // "abort" and the settle time before every poll: the source is stopped
    // and seen idle before a group is programmed.
    bool abortFirst = false;
    double settleSeconds = 0.2;
    // Between the starts of two polls; 0 asks back to back, window events
    // processed between them.
    double pollSeconds = 0.05;
    double limitSeconds = 0; // the source's seconds; 0 = no limit
    int maxPolls = 0;        // 0 = no limit; a source busy at the last is stuck
    std::function<bool()> stop;         // the operator's abort
    std::function<void()> betweenPolls; // readings and progress while the source plays
};

struct IdleWaitResult {
    IdleWait state = IdleWait::Idle;
    QString lastReply; // the last unusable answer, or the failure the link gave
};

IdleWaitResult WaitSourceIdle(Program& program, const IdleWaitOptions& options);

// The unusable answers in a row after which the source has gone.
constexpr int kUnansweredIdlePolls = 3;

// For the operator: why the wait failed ("" for Idle and Stopped).
QString IdleWaitFailure(IdleWait result);

} // namespace ostrel
