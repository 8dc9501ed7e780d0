#pragma once
// The LAN transport: a raw socket, one client at a time; a second connection
// waits in the queue until the first one closes.
#include "vsource/Channel.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace ostrel::vsource {

class TcpChannel : public Channel {
    Q_OBJECT
public:
    TcpChannel(VirtualSource& source, QTcpSocket* socket, QObject* parent);

protected:
    void writeBytes(const char* data, qint64 size) override;
    void closeConnection() override;

private:
    void onReadyRead();
    QTcpSocket* socket_;
    char buffer_[64 * 1024];
};

// Accepted sockets are unbuffered: a reply goes out in the write call itself and
// reading costs no extra system call to size a buffer.
class UnbufferedTcpServer : public QTcpServer {
    Q_OBJECT
protected:
    void incomingConnection(qintptr descriptor) override;
};

class TcpTransport : public QObject {
    Q_OBJECT
public:
    explicit TcpTransport(VirtualSource& source);
    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return server_.serverPort(); }

private:
    void takeNext();
    VirtualSource& source_;
    UnbufferedTcpServer server_;
    QPointer<TcpChannel> active_;
};

} // namespace ostrel::vsource
