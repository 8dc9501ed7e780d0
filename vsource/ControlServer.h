#pragma once
// The control port: a local TCP port on which a test flips faults, fires the
// external trigger, changes the load and reads the log while the instrument runs.
#include <QHostAddress>
#include <QTcpServer>

namespace ostrel::vsource {

class VirtualSource;

class ControlServer : public QObject {
    Q_OBJECT
public:
    explicit ControlServer(VirtualSource& source);
    bool listen(quint16 port, QString& error);
    quint16 port() const { return server_.serverPort(); }

private:
    void accept();
    VirtualSource& source_;
    QTcpServer server_;
};

} // namespace ostrel::vsource
