#pragma once
// The RS-232 transport: a pseudo-terminal that serial clients open by its path.
#include "vsource/Channel.h"
#include "vsource/Platform.h"

#include <QSocketNotifier>

#include <memory>

namespace ostrel::vsource {

class PtyTransport : public Channel {
    Q_OBJECT
public:
    explicit PtyTransport(VirtualSource& source);
    ~PtyTransport() override;
    bool open(QString& error);
    QString path() const { return QString::fromStdString(pty_.path); }

protected:
    void writeBytes(const char* data, qint64 size) override;
    void closeConnection() override;

private:
    void onReadable();
    void onWritable();

    platform::Pty pty_;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    std::string unsent_;
    char buffer_[16 * 1024];
};

} // namespace ostrel::vsource
