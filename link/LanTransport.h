#pragma once
// The raw SCPI socket: one TCP connection, Nagle off, unbuffered so that a
// write goes out at once and the received count is what the system holds.
#include "link/QueryResult.h"

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

    // One reply line into `reply`, without its line feed (a trailing NUL or CR
    // is dropped). A source that terminates its replies (the default) has
    // answered only when the line feed is there: Cut when bytes came without
    // it within `timeoutMs`. For a source that never terminates them, a
    // reply is complete when the count has stopped growing for two looks
    // (timeoutMs / 100 apart). Waits up to `leanMs` without processing
    // events first.
    ReplyStatus receiveLine(int timeoutMs, int leanMs, QByteArray& reply);
    // The first reply of a connection (identification) decides whether this
    // source terminates its replies: bytes without a line feed at the
    // time-out mean it never does, and are the reply.
    ReplyStatus receiveFirstReply(int timeoutMs, int leanMs, QByteArray& reply);
    bool terminatedReplies() const { return terminated_; }

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
    bool terminated_ = true;
    bool staleInput_ = false;
};

} // namespace ostrel
