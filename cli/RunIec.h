#pragma once
// ostrel-cli run-iec: the IEC 61000-4-11 dips or variations test from a
// ".411" file (or a shipped class file), through the same plan and runner as
// the test window, with the verdict from an option, a command or a terminal.
#include "cli/Outcome.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace ostrel {

struct Program;

// `args`: the command's own arguments (after "run-iec").
Outcome RunIecCommand(Program& program, const QStringList& args);

// The inrush question is OK only with --accept-inrush; every other question
// takes its default button.
std::function<std::optional<bool>(const QString& question)> RunIecAnswers(const QStringList& args);


} // namespace ostrel
