#include "support/Servers.h"

#include <cstdio>

namespace ostrel::bench {

quint16 startServer(QProcess& process, const QString& program, const QStringList& args,
                    quint16* controlPort) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    quint16 port = 0;
    while (process.waitForReadyRead(10000)) {
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            if (line.startsWith("PORT ")) return quint16(line.mid(5).toUInt());
            if (line.startsWith("TCP "))
                port = quint16(line.mid(line.lastIndexOf(':') + 1).toUInt());
            if (line.startsWith("CONTROL ") && controlPort)
                *controlPort = quint16(line.mid(line.lastIndexOf(':') + 1).toUInt());
            if (line == "READY") return port;
        }
    }
    return port;
}

quint16 startVirtualSource(QProcess& process, const QString& path, int model,
                           quint16* controlPort) {
    const quint16 port =
        startServer(process, path,
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--model"),
                     QString::number(model), QStringLiteral("--exit-with-stdin")},
                    controlPort);
    if (port == 0) std::fprintf(stderr, "bench: the virtual source did not start\n");
    return port;
}

} // namespace ostrel::bench
