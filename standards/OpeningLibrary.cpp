#include "standards/OpeningLibrary.h"

#include "config/Paths.h"
#include "standards/TestStandard.h"

#include <QDir>

namespace ostrel {

namespace {

bool hasFolder(const QString& base, const QString& name) {
    if (base.isEmpty()) return false;
    for (const QString& e : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (e.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

bool HasLibraryFolder(const Paths& paths, const QString& entry) {
    return hasFolder(paths.userDir, entry) || hasFolder(paths.dataDir, entry);
}

int OpeningLibrary(const Paths& paths, const TestStandard& s, std::optional<int> remembered) {
    const int count = int(s.libraryEntries.size());
    const auto usable = [&](int i) { return i >= 0 && i < count && HasLibraryFolder(paths, s.libraryEntries[i]); };
    if (remembered && usable(*remembered)) return *remembered;
    if (!remembered && usable(s.defaultLibrary)) return s.defaultLibrary;
    for (int i = count - 1; i >= 0; --i)
        if (usable(i)) return i;
    return s.defaultLibrary;
}

} // namespace ostrel
