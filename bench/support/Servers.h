#pragma once
// Server processes a benchmark talks to: the virtual source and the echo server.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace ostrel::bench {

// Starts a server process and returns the TCP port it prints ("TCP host:port",
// then "READY", or "PORT n"); 0 when it printed none. `controlPort` gets the
// port of a "CONTROL host:port" line.
quint16 startServer(QProcess& process, const QString& program, const QStringList& args,
                    quint16* controlPort = nullptr);

// The virtual source of `model` on a free loopback port; it ends when the
// benchmark does. Prints a message and returns 0 when it did not start.
quint16 startVirtualSource(QProcess& process, const QString& path, int model,
                           quint16* controlPort = nullptr);

} // namespace ostrel::bench
