#pragma once
// The RS-232 line: a real port, a USB adapter or a pseudo-terminal.
#include "link/QueryResult.h"

#include <QByteArray>
#include <QSerialPort>
#include <QString>

#include <functional>
#include <optional>

namespace ostrel {

class SerialTransport {
public:
    SerialTransport() = default;
    SerialTransport(const SerialTransport&) = delete;
    SerialTransport& operator=(const SerialTransport&) = delete;

    // 8 data bits, no parity, 1 stop bit; RTS/CTS when `handshake`. On failure
    // `error` holds the reason and `unavailable` says the port is missing or
    // held by another program.
    bool open(const QString& name, int baud, bool handshake, QString& error, bool& unavailable);
    void close();
    bool isOpen() const { return port_.isOpen(); }
    QString portName() const { return port_.portName(); }
    int baudRate() const { return baud_; }
    int transmitPending() const { return static_cast<int>(port_.bytesToWrite()); }
    QString errorString() const { return port_.errorString(); }

    // Milliseconds `bytes` characters take on the line at the port's rate.
    int lineTimeMs(qsizetype bytes) const;

    // Writes `data` and waits, processing events, until it has left; false
    // when it had not within `timeoutMs` or the port failed.
    bool write(const QByteArray& data, int timeoutMs);

    // Drops every character that has arrived and not been read.
    void discardInput();

    // One reply line: the first character must come within `timeoutMs`; the
    // rest gets a fresh `timeoutMs` that grows with what keeps arriving at
    // the line rate. Leading line feeds are skipped; the reply is cut before
    // its line feed and carriage return, and a leading NUL is dropped.
    // nullopt when nothing came. Waits up to `leanMs` without events first.
    std::optional<QByteArray> receiveReply(int timeoutMs, int leanMs);
    // As receiveReply, with what became of it: Cut when characters came
    // without their line feed, LinkLost when the port failed.
    ReplyStatus receiveLine(int timeoutMs, int leanMs, QByteArray& reply);
    // The port is gone (a device unplugged, the far end of a pseudo-terminal closed).
    bool failed() const;

private:
    void pull();
    bool waitFor(const std::function<bool()>& done, qint64 deadlineMs, int leanMs);

    QSerialPort port_;
    QByteArray buffer_;
    int baud_ = 9600;
    bool lastReplyComplete_ = true;
};

} // namespace ostrel
