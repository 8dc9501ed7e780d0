#include "link/SerialTransport.h"

#include "link/Waits.h"

#include <QElapsedTimer>

#include <algorithm>

namespace ostrel {

bool SerialTransport::open(const QString& name, int baud, bool handshake, QString& error,
                           bool& unavailable) {
    close();
    unavailable = false;
    baud_ = baud;
    port_.setPortName(name);
    if (!port_.open(QIODevice::ReadWrite)) {
        const auto e = port_.error();
        unavailable = e == QSerialPort::PermissionError || e == QSerialPort::OpenError;
        error = e == QSerialPort::DeviceNotFoundError
                    ? QStringLiteral("Serial port %1 does not exist on this PC.").arg(name)
                    : name + QStringLiteral(": ") + port_.errorString();
        return false;
    }
    const bool ok =
        port_.setBaudRate(baud) && port_.setDataBits(QSerialPort::Data8) &&
        port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop) &&
        port_.setFlowControl(handshake ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    if (!ok) {
        error = name + QStringLiteral(": ") + port_.errorString();
        port_.close();
        return false;
    }
    return true;
}

void SerialTransport::close() {
    if (port_.isOpen()) port_.close();
    buffer_.clear();
}

int SerialTransport::lineTimeMs(qsizetype bytes) const {
    // 10 bits a character: start, 8 data, stop.
    return static_cast<int>((bytes * 10 * 1000 + baud_ - 1) / std::max(1, baud_));
}

bool SerialTransport::waitFor(const std::function<bool()>& done, qint64 deadlineMs, int leanMs) {
    QElapsedTimer clock;
    clock.start();
    const qint64 lean = std::min<qint64>(leanMs, deadlineMs);
    while (!done() && port_.isOpen() && clock.elapsed() < lean)
        port_.waitForReadyRead(static_cast<int>(lean - clock.elapsed()));
    if (done()) return true;
    if (!port_.isOpen()) return false;
    const qint64 left = deadlineMs - clock.elapsed();
    return left > 0 && WaitUntil(done, static_cast<int>(left));
}

bool SerialTransport::write(const QByteArray& data, int timeoutMs) {
    if (!port_.isOpen()) return false;
    if (port_.write(data) != data.size()) return false;
    QElapsedTimer clock;
    clock.start();
    // Most lines leave at once; a long one at a slow rate waits with events.
    port_.waitForBytesWritten(std::min(timeoutMs, 5));
    if (port_.bytesToWrite() == 0) return true;
    const int left = timeoutMs - static_cast<int>(clock.elapsed());
    return left > 0 &&
           WaitUntil([this] { return !port_.isOpen() || port_.bytesToWrite() == 0; }, left) &&
           port_.isOpen();
}

void SerialTransport::pull() {
    buffer_.append(port_.readAll());
}

void SerialTransport::discardInput() {
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Input);
        port_.readAll();
    }
    buffer_.clear();
}

std::optional<QByteArray> SerialTransport::receiveReply(int timeoutMs, int leanMs) {
    auto dropLeadingLineFeeds = [this] {
        qsizetype n = 0;
        while (n < buffer_.size() && buffer_[n] == '\n')
            ++n;
        buffer_.remove(0, n);
    };
    auto anything = [&] {
        pull();
        dropLeadingLineFeeds();
        return !buffer_.isEmpty();
    };
    lastReplyComplete_ = false;
    if (!waitFor(anything, timeoutMs, leanMs)) return std::nullopt;

    QElapsedTimer rest;
    rest.start();
    auto line = [&] {
        pull();
        dropLeadingLineFeeds();
        return buffer_.contains('\n');
    };
    while (!line() && port_.isOpen()) {
        const qint64 deadline = timeoutMs + 2 * lineTimeMs(buffer_.size());
        if (rest.elapsed() >= deadline) break;
        const qsizetype before = buffer_.size();
        waitFor([&] { return line() || buffer_.size() != before; }, deadline - rest.elapsed(),
                leanMs);
    }
    const qsizetype lf = buffer_.indexOf('\n');
    lastReplyComplete_ = lf >= 0;
    QByteArray reply = buffer_.left(lf < 0 ? buffer_.size() : lf);
    buffer_.remove(0, lf < 0 ? buffer_.size() : lf + 1);
    const qsizetype cr = reply.indexOf('\r');
    if (cr >= 0) reply.truncate(cr);
    if (reply.startsWith('\0')) reply.remove(0, 1);
    return reply;
}

} // namespace ostrel

namespace ostrel {

bool SerialTransport::failed() const {
    if (!port_.isOpen()) return true;
    const auto e = port_.error();
    return e == QSerialPort::ResourceError || e == QSerialPort::PermissionError ||
           e == QSerialPort::DeviceNotFoundError;
}

ReplyStatus SerialTransport::receiveLine(int timeoutMs, int leanMs, QByteArray& reply) {
    const auto line = receiveReply(timeoutMs, leanMs);
    reply = line.value_or(QByteArray());
    if (line && lastReplyComplete_) return ReplyStatus::Ok;
    if (failed()) return ReplyStatus::LinkLost;
    return line ? ReplyStatus::Cut : ReplyStatus::TimedOut;
}

} // namespace ostrel
