#pragma once
// ".TRL" files of the list editor: the comment, the list count, selections
// and start angle, trigger source and pacing, then one line of 14 quoted
// cells per point.
#include "transients/PointTable.h"

#include <QString>

#include <optional>

namespace ostrel {

// The whole file or nothing; the message names the file.
bool WritePointListFile(const QString& path, const PointTable& table, QString& error);

// A new table when the whole file is good; else nullopt with a message
// naming the file and line (or the column and row of a gap).
std::optional<PointTable> ReadPointListFile(const QString& path, QString& error);

} // namespace ostrel
