#pragma once
// Fault switches that make the instrument misbehave on purpose, so that a
// client can be tested against no reply, late or split replies, garbage,
// CR LF terminators, a dropped connection and injected errors. One text
// grammar serves the command line and the control port:
//   noreply [COUNT]        no reply to the next COUNT queries (default 1, "all")
//   noreply-match TEXT     no reply to queries whose line contains TEXT (any case)
//   late MS [COUNT]        replies sent MS milliseconds late
//   split MS [PIECES] [COUNT]  replies cut into PIECES (default 3) sent MS apart
//   garbage [COUNT]        replies replaced by garbage bytes
//   crlf on|off            replies end in CR LF
//   busy on|off            "trig:stat?" answers BUSY, whatever the transient does
//   drop N                 the connection closes when the N-th next line arrives (N >= 1)
//   error CODE [TEXT]      an error (CODE negative) put into the queue at once
//   clear                  every switch off
// A COUNT of "all" keeps the switch on until cleared.
#include <random>
#include <string>
#include <string_view>

namespace ostrel::vsource {

constexpr int kAlways = -1;

struct Faults {
    int noReply = 0;
    std::string noReplyMatch; // upper case
    int lateMs = 0;
    int lateCount = 0;
    int splitMs = 0;
    int splitPieces = 3;
    int splitCount = 0;
    int garbageCount = 0;
    bool crlf = false;
    bool busy = false;
    int dropAfter = 0; // lines until the connection drops; 0 = off
};

struct FaultCommand {
    bool injectError = false;
    int code = 0;
    std::string text;
};

// Applies one fault text. Returns false with a message, every switch unchanged, when it is
// not understood; an "error" fault is returned in `command` for the instrument to queue.
bool applyFault(Faults& faults, std::string_view setting, FaultCommand& command,
                std::string& error);

// Consumes a use of a counted switch: true when it applies to this reply.
bool takeCount(int& count);

// True when the query line matches the no-reply pattern.
bool matchesNoReply(const Faults& faults, std::string_view line);

// True when a stuck transient state replaces the reply to this query line.
bool answersBusy(const Faults& faults, std::string_view line);

// Garbage of `length` bytes without any line feed.
void fillGarbage(std::string& out, size_t length, std::mt19937& random);

} // namespace ostrel::vsource
