#include "link/LinkPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#if defined(_WIN32)
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace ostrel {

QStringList GpibLibraryNames() {
    const QString chosen = qEnvironmentVariable("OSTREL_GPIB_LIBRARY");
    if (!chosen.isEmpty()) {
        // A bare file name is looked for beside the program (a build folder)
        // and in its ../lib/ostrel (where the package puts the virtual
        // source's GPIB shim) before the loader's own search.
        if (!chosen.contains(QLatin1Char('/')) && !chosen.contains(QLatin1Char('\\'))) {
            const QString appDir = QCoreApplication::applicationDirPath();
            for (const QString& dir : {appDir, appDir + QStringLiteral("/../lib/ostrel")}) {
                const QFileInfo file(dir + QLatin1Char('/') + chosen);
                if (file.isFile()) return {QDir::cleanPath(file.absoluteFilePath())};
            }
        }
        return {chosen};
    }
#if defined(_WIN32)
    return {QStringLiteral("ni4882"), QStringLiteral("gpib-32")};
#else
    return {QStringLiteral("libgpib.so.0")};
#endif
}

QString SerialPortName(int port) {
#if defined(_WIN32)
    return QStringLiteral("COM") + QString::number(port);
#else
    return QStringLiteral("/dev/ttyS") + QString::number(port > 0 ? port - 1 : 0);
#endif
}

bool WaitReadable(qintptr socketDescriptor, int timeoutMs) {
#if defined(_WIN32)
    WSAPOLLFD entry{static_cast<SOCKET>(socketDescriptor), POLLRDNORM, 0};
    return WSAPoll(&entry, 1, timeoutMs) > 0;
#else
    pollfd entry{static_cast<int>(socketDescriptor), POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
#endif
}

} // namespace ostrel
