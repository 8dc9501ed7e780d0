#include "config/SaveTarget.h"

#include <QDir>
#include <QFileInfo>

namespace ostrel {

QString SaveTargetPath(const Paths& paths, const QString& path) {
    if (paths.dataDir.isEmpty() || path.isEmpty()) return path;
    const QString data = QDir::cleanPath(QFileInfo(paths.dataDir).absoluteFilePath());
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!file.startsWith(data + QLatin1Char('/'))) return path;
    const QString target = paths.userDir + file.mid(data.size());
    QDir().mkpath(QFileInfo(target).absolutePath());
    return target;
}

} // namespace ostrel
