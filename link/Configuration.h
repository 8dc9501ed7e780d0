#pragma once
// The connected source's own limits and options, over the table defaults.
namespace ostrel {

struct Program;

// Asks the source for its frequency, voltage and current limits, model name,
// options, phase spacing and output count; only with a source attached.
void ReadSourceConfiguration(Program& program, int modelIndex);

} // namespace ostrel
