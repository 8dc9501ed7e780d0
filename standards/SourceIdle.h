#pragma once
// Waiting for a started transient to end, for a run that drives the lists
// itself: only "IDLE" finishes the wait. A lost link, a source that keeps
// giving no usable answer, or a transient that outlasts its planned time
// ends it as a failure; the stop request ends it at the next poll.
#include <QString>

#include <functional>

namespace ostrel {

struct Program;

enum class IdleWait { Idle, Stopped, Lost, NoReply, TooLong };

struct IdleWaitOptions {
    double limitSeconds = 0;            // the source's seconds; 0 = no limit
    double pollSeconds = 0.05;          // between "trig:stat?" queries, on the engine clock
    std::function<bool()> stop;         // the operator's abort
    std::function<void()> betweenPolls; // readings while the source plays
};

IdleWait WaitSourceIdle(Program& program, const IdleWaitOptions& options);

// For the operator: why the wait failed ("" for Idle and Stopped).
QString IdleWaitFailure(IdleWait result);

} // namespace ostrel
