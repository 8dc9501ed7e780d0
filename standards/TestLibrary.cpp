#include "standards/TestLibrary.h"

#include "config/Paths.h"
#include "standards/TestFiles.h"
#include "standards/TestStandard.h"

#include <QDir>
#include <QFileInfo>

namespace ostrel {

namespace {

QStringList parts(const QString& relative) {
    QString r = relative;
    r.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return r.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

// Each part as it stands, else the one entry that matches it without case.
QString findUnder(const QString& base, const QStringList& names) {
    if (base.isEmpty() || names.isEmpty()) return {};
    QString path = base;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString exact = path + QLatin1Char('/') + names[i];
        const bool last = i == names.size() - 1;
        if (QFileInfo(exact).exists()) {
            path = exact;
            continue;
        }
        const QStringList entries =
            QDir(path).entryList((last ? QDir::Files : QDir::Dirs) | QDir::NoDotAndDotDot | QDir::Hidden);
        QString match;
        for (const QString& e : entries)
            if (e.compare(names[i], Qt::CaseInsensitive) == 0) {
                match = e;
                break;
            }
        if (match.isEmpty()) return {};
        path += QLatin1Char('/') + match;
    }
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace

QString FindAppFile(const Paths& paths, const QString& relative) {
    const QStringList names = parts(relative);
    if (QString own = findUnder(paths.userDir, names); !own.isEmpty()) return own;
    return findUnder(paths.dataDir, names);
}

QStringList LibraryEntries(const Paths& paths, const TestStandard& standard) {
    return standard.libraryEntries + ReadNameList(FindAppFile(paths, standard.userLibraryList));
}

QString LibraryFolder(const QString& entry) {
    return QLatin1Char('\\') + entry + QLatin1Char('\\');
}

QString StructureTablePath(const Paths& paths, const TestStandard& standard,
                           const QString& libraryFolder, int group) {
    if (group < 0 || group >= int(standard.groups.size())) return {};
    return FindAppFile(paths, libraryFolder + standard.structurePrefix +
                                  standard.groups[size_t(group)].code + QStringLiteral(".ini"));
}

QString SequenceFilePath(const Paths& paths, const QString& libraryFolder, const QString& name) {
    if (name.trimmed().isEmpty()) return {};
    return FindAppFile(paths, libraryFolder + name.trimmed() + QStringLiteral(".ini"));
}

QString DistortionLimitsPath(const Paths& paths, const TestStandard& standard,
                             const QString& libraryFolder) {
    return FindAppFile(paths, libraryFolder + standard.distortionLimitsFile);
}

QStringList WaveformListNames(const Paths& paths, const TestStandard& standard, int revision) {
    return ReadNameList(FindAppFile(paths, standard.waveformListFile(revision)));
}

QString WaveformFilePath(const Paths& paths, const QString& name) {
    QString relative = name;
    if (QFileInfo(relative).suffix().isEmpty()) relative += QStringLiteral(".abw");
    QString slashed = relative;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QFileInfo(slashed).isAbsolute()) return QFileInfo(slashed).isFile() ? slashed : QString();
    return FindAppFile(paths, relative);
}

} // namespace ostrel
