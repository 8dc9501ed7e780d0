#pragma once
// The connected source's own limits and options, over the table defaults.
#include "link/QueryResult.h"

namespace ostrel {

struct Program;

// Asks the source for its frequency, voltage and current limits, model name,
// options, phase spacing and output count; only with a source attached.
// All or nothing: when a query fails, SourceModel and OutputState are left
// as they were and the failure is returned.
QueryFailure ReadSourceConfiguration(Program& program, int modelIndex);

} // namespace ostrel
