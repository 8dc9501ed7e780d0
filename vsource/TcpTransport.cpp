#include "vsource/TcpTransport.h"

namespace ostrel::vsource {

TcpChannel::TcpChannel(VirtualSource& source, QTcpSocket* socket, QObject* parent)
    : Channel(source, "TCP", parent), socket_(socket) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(socket_, &QTcpSocket::readyRead, this, &TcpChannel::onReadyRead);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        markClosed();
        deleteLater();
    });
    // A client that waited in the queue may have sent its first lines already.
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &TcpChannel::onReadyRead, Qt::QueuedConnection);
}

void TcpChannel::onReadyRead() {
    while (!closed()) {
        qint64 n = socket_->read(buffer_, sizeof buffer_);
        if (n <= 0) break;
        receive(buffer_, n);
    }
}

void TcpChannel::writeBytes(const char* data, qint64 size) {
    socket_->write(data, size);
    if (socket_->bytesToWrite() > 0) socket_->flush();
}

void TcpChannel::closeConnection() {
    markClosed();
    socket_->abort();
    deleteLater();
}

void UnbufferedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor, QAbstractSocket::ConnectedState,
                                     QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        delete socket;
        return;
    }
    addPendingConnection(socket);
}

TcpTransport::TcpTransport(VirtualSource& source) : source_(source) {
    connect(&server_, &QTcpServer::newConnection, this, &TcpTransport::takeNext);
}

bool TcpTransport::listen(const QHostAddress& address, quint16 port, QString& error) {
    if (!server_.listen(address, port)) {
        error = QStringLiteral("cannot listen on TCP %1:%2: %3")
                    .arg(address.toString())
                    .arg(port)
                    .arg(server_.errorString());
        return false;
    }
    return true;
}

void TcpTransport::takeNext() {
    while (!active_ && server_.hasPendingConnections()) {
        QTcpSocket* socket = server_.nextPendingConnection();
        if (socket->state() != QAbstractSocket::ConnectedState) {
            socket->deleteLater();
            continue;
        }
        active_ = new TcpChannel(source_, socket, this);
        connect(active_, &QObject::destroyed, this, &TcpTransport::takeNext, Qt::QueuedConnection);
    }
}

} // namespace ostrel::vsource
