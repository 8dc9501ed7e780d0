#pragma once
// Where saving a file writes. The shipped folder is never written: a file
// opened from it is saved as the per-user copy at the same relative path,
// which every reader of shipped data finds first.
#include "config/Paths.h"

#include <QString>

namespace ostrel {

// `path` itself unless it lies in the shipped folder; then the per-user copy,
// its folder made.
QString SaveTargetPath(const Paths& paths, const QString& path);

} // namespace ostrel
