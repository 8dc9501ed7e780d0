#pragma once
// The raw SCPI socket: one TCP connection, Nagle off, unbuffered so that a
// write goes out at once and the received count is what the system holds.
#include <QByteArray>
#include <QString>
#include <QTcpSocket>

#include <functional>

namespace ostrel {

class LanTransport {
public:
    LanTransport();
    LanTransport(const LanTransport&) = delete;
    LanTransport& operator=(const LanTransport&) = delete;

    // Connects unless already connected to this host and port: up to `polls`
    // looks `pollMs` apart, `onPoll(poll)` after each. A refused connection or
    // an unknown host ends the looking early.
    bool connectTo(const QString& host, int port, int polls, int pollMs,
                   const std::function<void(int)>& onPoll = {});
    void close();
    bool isConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    int stateCode() const; // LanStateCode
    QString errorString() const { return socket_.errorString(); }

    // Writes all of `data`; false when the connection failed or the bytes did
    // not leave within `timeoutMs` (window events are processed meanwhile).
    bool write(const QByteArray& data, int timeoutMs);

    // Drops every byte that has arrived and not been read. The socket itself
    // is asked only when stale bytes are possible: after a reply that was cut
    // short or came with more, after a raw send, or when the event loop saw
    // input outside a reply wait.
    void discardInput();
    // A raw send whose reply the caller may leave unread.
    void suspectStaleInput() { staleInput_ = true; }
    // Bytes arrived and not yet read.
    qint64 bytesReceived();

    // One reply: complete at its line feed, or at the time-out. Until a reply
    // on this connection has brought a line feed, a reply is also complete
    // when the count has stopped growing for two looks (timeoutMs / 100
    // apart): a source that never sends one still answers quickly, and one
    // that does is never cut short when its reply comes in pieces.
    // Waits up to `leanMs` without processing events first. Returned without
    // its line feed; a trailing NUL or CR is dropped.
    QByteArray receiveReply(int timeoutMs, int leanMs);

    // A long reply: up to its line feed, or the whole of the length an
    // IEEE 488.2 definite-length block header announces. The first bytes
    // must come within `timeoutMs`, and the rest may pause no longer than that.
    // `complete` is false on a time-out, with what arrived returned.
    QByteArray receiveBlock(int timeoutMs, int leanMs, bool& complete);

private:
    bool pull();
    void leanWait(const std::function<bool()>& done, int leanMs);
    qsizetype blockEnd(bool& block) const;
    QByteArray take(qsizetype length);

    QTcpSocket socket_;
    QByteArray buffer_;
    QString host_;
    int port_ = 0;
    bool failed_ = false;
    bool seenLineFeed_ = false;
    bool staleInput_ = false;
};

} // namespace ostrel
