#pragma once
// run-transient for ".TRL" point list files: the list editor's checks,
// set-up, lists and run, headless.
#include "cli/Outcome.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace ostrel {

struct Program;

// The command's options for a point list file; unset ones keep the file's.
struct PointListFileRun {
    QString file;
    std::optional<std::array<bool, 3>> phases; // voltage lists selected
    std::optional<int> count;                  // list count
    QString trigger;                           // "imm", "bus", "ext" or "" (the file's)
    std::optional<bool> once;
    std::optional<bool> freqList;
    std::optional<std::optional<double>> startAngle; // an empty angle: random
    bool retrigger = false;
    double timeoutS = 0; // real seconds from the start; 0: none
    bool dryRun = false;
    std::function<bool()> stopRequested; // SIGINT or SIGTERM came
};

Outcome RunPointListFile(Program& program, const PointListFileRun& run);

} // namespace ostrel
