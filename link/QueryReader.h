#pragma once
// The queries of one readout (readback, configuration). After the first
// failure nothing more is asked, so a caller can read on and look at
// `failure` once at the end; nothing is ever stored from a failed reply.
#include "core/Program.h"
#include "link/QueryResult.h"

#include <optional>

namespace ostrel {

struct QueryReader {
    Program& program;
    QueryFailure failure;

    std::optional<QString> text(const QString& command);
    std::optional<float> number(const QString& command);
    // A setting some sources do not have: no answer keeps the old value;
    // a cut or unreadable answer, or a lost link, still fails the readout.
    std::optional<QueryResult> optional(const QString& command);
    std::optional<float> optionalNumber(const QString& command);
    void send(const QString& command);
};

} // namespace ostrel
