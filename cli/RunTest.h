#pragma once
// ostrel-cli run-test: a standard test from a test library (or a sequence
// file) run through the same window start, checks and run controller as the
// test window, then the EUT acquisition and its verdict.
#include "cli/Outcome.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace ostrel {

struct Program;

// `args`: the command's own arguments (after "run-test").
Outcome RunTestCommand(Program& program, const QStringList& args);

// The answers the options give: --close-relay OKs the relay question,
// --accept-warnings says Yes to the range warnings; none for other questions.
std::function<std::optional<bool>(const QString& question)> RunTestAnswers(const QStringList& args);


} // namespace ostrel
