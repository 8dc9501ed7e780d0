#pragma once
// The GPIB transport: the shim library connects to a local socket and carries
// device writes, reads, group triggers and remote/local changes as frames.
#include "vsource/Channel.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace ostrel::vsource {

class GpibChannel : public Channel {
    Q_OBJECT
public:
    GpibChannel(VirtualSource& source, QLocalSocket* socket, QObject* parent);

protected:
    void writeBytes(const char* data, qint64 size) override;
    void closeConnection() override;

private:
    void onReadyRead();
    VirtualSource& source_;
    QLocalSocket* socket_;
    std::string frames_;
    std::string out_;
};

class GpibTransport : public QObject {
    Q_OBJECT
public:
    explicit GpibTransport(VirtualSource& source);
    ~GpibTransport() override;
    // An empty path picks a fresh one in the temporary folder.
    bool listen(QString path, QString& error);
    QString path() const { return server_.fullServerName(); }

private:
    VirtualSource& source_;
    QLocalServer server_;
};

} // namespace ostrel::vsource
