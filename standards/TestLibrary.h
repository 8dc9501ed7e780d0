#pragma once
// Where a test window finds its files. "APP" is the per-user folder first,
// then the shipped data/: an edited copy of a shipped file wins. "\" in a
// name is "/", and a name that differs only in case is found. Saving a
// shipped file writes the per-user copy instead.
#include "config/SaveTarget.h"

#include <QString>
#include <QStringList>

namespace ostrel {

struct Paths;
struct TestStandard;

// The existing file for `relative` (per-user first, then shipped, case
// ignored per path part); "" when there is none.
QString FindAppFile(const Paths& paths, const QString& relative);

// The library entries of the selector: the standard's, then the user list's lines.
QStringList LibraryEntries(const Paths& paths, const TestStandard& standard);
// "\" + entry + "\", the folder string the window keeps.
QString LibraryFolder(const QString& entry);
// APP + folder + prefix + code + ".ini"; "" when it does not exist.
QString StructureTablePath(const Paths& paths, const TestStandard& standard,
                           const QString& libraryFolder, int group);
// APP + folder + name + ".ini"; "" when it does not exist.
QString SequenceFilePath(const Paths& paths, const QString& libraryFolder, const QString& name);
QString DistortionLimitsPath(const Paths& paths, const TestStandard& standard,
                             const QString& libraryFolder);
// The waveforms the window start downloads, and the file of each ("" when missing).
QStringList WaveformListNames(const Paths& paths, const TestStandard& standard, int revision);
QString WaveformFilePath(const Paths& paths, const QString& name);

} // namespace ostrel
