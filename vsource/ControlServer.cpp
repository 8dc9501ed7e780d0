#include "vsource/ControlServer.h"

#include "vsource/VirtualSource.h"

#include <QTcpSocket>

#include <memory>

namespace ostrel::vsource {

ControlServer::ControlServer(VirtualSource& source) : source_(source) {
    connect(&server_, &QTcpServer::newConnection, this, &ControlServer::accept);
}

bool ControlServer::listen(quint16 port, QString& error) {
    if (!server_.listen(QHostAddress::LocalHost, port)) {
        error = QStringLiteral("cannot listen on the control port: %1").arg(server_.errorString());
        return false;
    }
    return true;
}

void ControlServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto input = std::make_shared<std::string>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, input] {
            *input += socket->readAll().toStdString();
            size_t lf;
            while ((lf = input->find('\n')) != std::string::npos) {
                std::string line = input->substr(0, lf);
                input->erase(0, lf + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                std::string reply = source_.control(line);
                socket->write(reply.data(), qint64(reply.size()));
                socket->flush();
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

} // namespace ostrel::vsource
