#include "link/QueryResult.h"

#include "link/Numbers.h"

namespace ostrel {

std::optional<float> QueryResult::number() const {
    float value = 0;
    if (!ok() || !TryParseSingle(text, value)) return std::nullopt;
    return value;
}

void QueryFailure::noteUnreadable(const QueryResult& r) {
    if (!error.isEmpty()) return;
    if (!r.ok()) return note(r);
    error = QStringLiteral("The reply to \"%1\" cannot be read: \"%2\".")
                .arg(r.command, r.text.left(60));
}

} // namespace ostrel
