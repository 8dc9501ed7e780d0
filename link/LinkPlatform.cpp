#include "link/LinkPlatform.h"

#include <QtGlobal>

namespace ostrel {

QStringList GpibLibraryNames() {
    const QString chosen = qEnvironmentVariable("OSTREL_GPIB_LIBRARY");
    if (!chosen.isEmpty()) return {chosen};
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

} // namespace ostrel
