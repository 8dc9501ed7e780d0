#include "config/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ostrel {

QString Paths::readableFile(const QString& name) const {
    const QString own = userFile(name);
    return QFileInfo::exists(own) ? own : shippedFile(name);
}

Paths DefaultPaths() {
    Paths paths;
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList candidates{appDir + QStringLiteral("/data"),
                                 appDir + QStringLiteral("/../share/ostrel"),
                                 QStringLiteral(OSTREL_SOURCE_DATA_DIR)};
    paths.dataDir = candidates.last();
    for (const QString& c : candidates) {
        if (QFileInfo(c).isDir()) {
            paths.dataDir = QDir::cleanPath(c);
            break;
        }
    }
    paths.userDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(paths.userDir);
    return paths;
}

} // namespace ostrel
