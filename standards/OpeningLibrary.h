#pragma once
// The library a test window opens on: the revision remembered when it last
// closed, when that entry has a library folder; else the newest entry that
// has one (per-user or shipped); else the set's default entry.
#include <QString>

#include <optional>

namespace ostrel {

struct Paths;
struct TestStandard;

bool HasLibraryFolder(const Paths& paths, const QString& entry);
int OpeningLibrary(const Paths& paths, const TestStandard& standard, std::optional<int> remembered);

} // namespace ostrel
