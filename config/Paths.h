#pragma once
// Where the program reads what it ships and writes what the operator makes.
// The installed program's folder is read-only; everything written goes to a
// per-user folder. This is the one place that decides both.
#include <QString>

namespace ostrel {

struct Paths {
    QString dataDir; // shipped data: test tables, templates, example setups
    QString userDir; // per-user writable folder

    QString shippedFile(const QString& name) const { return dataDir + QLatin1Char('/') + name; }
    QString userFile(const QString& name) const { return userDir + QLatin1Char('/') + name; }
    // The operator's copy when there is one, else the shipped file.
    QString readableFile(const QString& name) const;
};

// Shipped data beside the program (data/ or ../share/ostrel), else the source
// tree's data/ for a development build; the user folder from the platform.
Paths DefaultPaths();

} // namespace ostrel
