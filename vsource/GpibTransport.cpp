#include "vsource/GpibTransport.h"

#include "vsource/VirtualSource.h"
#include "vsource/gpib/GpibProtocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QUuid>

namespace ostrel::vsource {

GpibChannel::GpibChannel(VirtualSource& source, QLocalSocket* socket, QObject* parent)
    : Channel(source, "GPIB", parent), source_(source), socket_(socket) {
    socket_->setParent(this);
    connect(socket_, &QLocalSocket::readyRead, this, &GpibChannel::onReadyRead);
    connect(socket_, &QLocalSocket::disconnected, this, [this] {
        markClosed();
        deleteLater();
    });
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &GpibChannel::onReadyRead, Qt::QueuedConnection);
}

void GpibChannel::onReadyRead() {
    frames_ += socket_->readAll().toStdString();
    size_t consumed = 0;
    gpib::FrameType type{};
    std::string_view payload;
    while (!closed() && gpib::takeFrame(frames_, consumed, type, payload)) {
        switch (type) {
        case gpib::DeviceWrite:
            if (payload.empty()) break;
            receive(payload.data() + 1, qint64(payload.size() - 1));
            if (!closed() && (payload[0] & gpib::kEndFlag)) endOfMessage();
            break;
        case gpib::GroupTrigger:
            source_.log(name(), '<', "GET");
            if (source_.instrument().trigger(TriggerSource::Bus) != 0)
                source_.instrument().pushError(-211);
            source_.scheduleEngine();
            break;
        case gpib::GoRemote:
            source_.log(name(), '<', "REN");
            source_.instrument().setRemote(RemoteState::Remote);
            break;
        case gpib::GoLocal:
            source_.log(name(), '<', "GTL");
            source_.instrument().setRemote(RemoteState::Local);
            break;
        case gpib::InterfaceClear:
            clearInput();
            break;
        case gpib::DeviceClear:
            source_.log(name(), '<', "DCL");
            clearDevice();
            // Every reply written before this frame precedes it on the socket: the shim throws
            // them away until it sees the acknowledgement.
            out_.clear();
            gpib::appendFrame(out_, gpib::DeviceClear, {});
            socket_->write(out_.data(), qint64(out_.size()));
            socket_->flush();
            break;
        default:
            break;
        }
    }
    if (!closed()) frames_.erase(0, consumed);
}

void GpibChannel::writeBytes(const char* data, qint64 size) {
    std::string_view bytes(data, size_t(size));
    out_.clear();
    std::string payload(1, bytes.empty() || bytes.back() != '\n' ? char(0) : gpib::kEndFlag);
    payload += bytes;
    gpib::appendFrame(out_, gpib::DeviceData, payload);
    socket_->write(out_.data(), qint64(out_.size()));
    socket_->flush();
}

void GpibChannel::closeConnection() {
    markClosed();
    socket_->abort();
    deleteLater();
}

GpibTransport::GpibTransport(VirtualSource& source) : source_(source) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection())
            new GpibChannel(source_, socket, this);
    });
}

GpibTransport::~GpibTransport() {
    server_.close();
}

bool GpibTransport::listen(QString path, QString& error) {
    if (path.isEmpty())
        path = QDir::temp().filePath(QStringLiteral("ostrel-vsource-%1-%2.gpib")
                                         .arg(QCoreApplication::applicationPid())
                                         .arg(QUuid::createUuid().toString(QUuid::Id128).left(8)));
    // A socket file left behind by a source that died is taken over; one that still answers
    // belongs to a running source, and replacing it would send that source's next clients here.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        error = QStringLiteral("the GPIB socket %1 is served by another running source").arg(path);
        return false;
    }
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
        error = QStringLiteral("cannot listen on the GPIB socket %1: %2")
                    .arg(path, server_.errorString());
        return false;
    }
    return true;
}

} // namespace ostrel::vsource
