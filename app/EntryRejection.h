#pragma once
// One rejection for every typed entry of the program: a value out of range or
// not a number never reaches the source, and the operator who wants to know
// is told so in the same two lines everywhere.
#include <QString>

namespace ostrel {

struct Program;

inline const QString kEntryRejected =
    QStringLiteral("User data entry out of range or invalid.\r\nNo change in settings made.");

// The rejection message, when the operator wants entry errors shown.
void ReportRejectedEntry(Program& program);

} // namespace ostrel
