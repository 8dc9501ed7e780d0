#include "config/FileNames.h"

#include <QFileInfo>

namespace ostrel {

QString WithDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || QFileInfo(path).fileName().contains(QLatin1Char('.'))) return path;
    return path + QLatin1Char('.') + extension;
}

} // namespace ostrel
