#pragma once
// What became of one query: its reply, or why there is none. Every caller that
// turns a reply into a value asks this, so a reply that never came, came cut
// short or came from a lost link is never taken for a reading.
#include <QString>

#include <optional>

namespace ostrel {

enum class ReplyStatus {
    Ok,
    TimedOut, // nothing came within the time-out
    Cut,      // something came, but not its terminator
    LinkLost, // the transport failed, or the source stopped answering
    Refused,  // not sent: simulation, or another query was waiting
};

struct QueryResult {
    QString command;
    QString text; // the reply without its terminator; "" unless Ok
    ReplyStatus status = ReplyStatus::Refused;

    // For the operator: which query failed and how; "" when ok.
    QString error;

    bool ok() const { return status == ReplyStatus::Ok; }
    // The reply as a number, when it is one (whole text, "." decimal point).
    std::optional<float> number() const;
};

// Why a run stopped when a query failed: the first failure, for the operator.
struct QueryFailure {
    QString error;
    bool linkLost = false;
    explicit operator bool() const { return !error.isEmpty(); }
    void note(const QueryResult& r) {
        if (!error.isEmpty() || r.ok()) return;
        error = r.error;
        linkLost = r.status == ReplyStatus::LinkLost;
    }
    // A reply that came but is not what the query asks for.
    void noteUnreadable(const QueryResult& r);
};

} // namespace ostrel
