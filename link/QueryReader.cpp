#include "link/QueryReader.h"

namespace ostrel {

std::optional<QString> QueryReader::text(const QString& command) {
    if (failure) return std::nullopt;
    const QueryResult r = program.link.TryQuery(0, command, 1);
    failure.note(r);
    return r.ok() ? std::optional<QString>(r.text) : std::nullopt;
}

std::optional<float> QueryReader::number(const QString& command) {
    if (failure) return std::nullopt;
    const QueryResult r = program.link.TryQuery(0, command, 1);
    const auto value = r.number();
    if (!value) failure.noteUnreadable(r);
    return value;
}

std::optional<QueryResult> QueryReader::optional(const QString& command) {
    if (failure) return std::nullopt;
    const QueryResult r = program.link.TryQuery(0, command, 1);
    if (r.status == ReplyStatus::TimedOut) return std::nullopt;
    failure.note(r);
    return r.ok() ? std::optional<QueryResult>(r) : std::nullopt;
}

std::optional<float> QueryReader::optionalNumber(const QString& command) {
    const auto r = optional(command);
    if (!r) return std::nullopt;
    const auto value = r->number();
    if (!value) failure.noteUnreadable(*r);
    return value;
}

void QueryReader::send(const QString& command) {
    if (!failure) program.link.Send(0, command);
}

} // namespace ostrel
