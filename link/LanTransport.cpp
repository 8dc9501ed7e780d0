#include "link/LanTransport.h"

#include "link/Decoders.h"
#include "link/LinkPlatform.h"
#include "link/Waits.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace ostrel {

bool LanTransport::connectTo(const QString& host, int port, int polls, int pollMs,
                             const std::function<void(int)>& onPoll) {
    if (isConnected() && host == host_ && port == port_) return true;
    close();
    host_ = host;
    port_ = port;
    failed_ = false;
    socket_.connectToHost(host, static_cast<quint16>(port),
                          QIODevice::ReadWrite | QIODevice::Unbuffered);
    // The connection makes progress in the event loop; a blocking wait would
    // give up on it at its first time-out.
    const auto settled = [this] {
        const auto state = socket_.state();
        return state == QAbstractSocket::ConnectedState ||
               state == QAbstractSocket::UnconnectedState;
    };
    for (int poll = 1; poll <= polls; ++poll) {
        WaitUntil(settled, pollMs);
        if (onPoll) onPoll(poll);
        if (isConnected()) {
            socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
            return true;
        }
        if (socket_.state() == QAbstractSocket::UnconnectedState) break;
    }
    close();
    failed_ = true;
    return false;
}

void LanTransport::close() {
    socket_.abort();
    buffer_.clear();
    failed_ = false;
    terminated_ = true;
    staleInput_ = false;
}

int LanTransport::stateCode() const {
    switch (socket_.state()) {
    case QAbstractSocket::UnconnectedState:
        return failed_ ? LanError : LanClosed;
    case QAbstractSocket::HostLookupState:
        return LanResolvingHost;
    case QAbstractSocket::ConnectingState:
        return LanConnecting;
    case QAbstractSocket::ConnectedState:
        return LanConnected;
    case QAbstractSocket::BoundState:
        return LanOpen;
    case QAbstractSocket::ListeningState:
        return LanListening;
    case QAbstractSocket::ClosingState:
        return LanClosing;
    }
    return LanError;
}

bool LanTransport::write(const QByteArray& data, int timeoutMs) {
    if (!isConnected()) return false;
    if (socket_.write(data) != data.size()) return false;
    if (socket_.bytesToWrite() == 0) return true;
    return WaitUntil(
               [this] {
                   if (!isConnected()) return true;
                   socket_.flush();
                   return socket_.bytesToWrite() == 0;
               },
               timeoutMs) &&
           isConnected();
}

bool LanTransport::pull() {
    if (!isConnected()) return false;
    bool got = false;
    char chunk[16384];
    for (;;) {
        const qint64 n = socket_.read(chunk, sizeof chunk);
        if (n <= 0) break;
        buffer_.append(chunk, n);
        got = true;
        if (n < static_cast<qint64>(sizeof chunk)) break;
    }
    return got;
}

// Waits for `done` without processing events: the socket is polled
// directly, so no notifier is switched and no event is queued. A source on
// the same host or subnet answers within tens of microseconds, sooner than
// a sleeping thread wakes, so the wait first reads for a short spell,
// yielding the processor between reads, and only then sleeps in poll().
void LanTransport::leanWait(const std::function<bool()>& done, int leanMs) {
    constexpr qint64 kSpinNs = 40'000;
    QElapsedTimer clock;
    clock.start();
    while (!done() && isConnected() && clock.nsecsElapsed() < kSpinNs) {
        if (!pull()) QThread::yieldCurrentThread();
    }
    while (!done() && isConnected()) {
        const int left = leanMs - static_cast<int>(clock.elapsed());
        if (left <= 0 || !WaitReadable(socket_.socketDescriptor(), left)) break;
        pull();
    }
}

LanTransport::LanTransport() {
    // Bytes noticed by the event loop outside a reply wait are not ours to keep.
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { staleInput_ = true; });
}

void LanTransport::discardInput() {
    buffer_.clear();
    if (!staleInput_) return;
    pull();
    buffer_.clear();
    staleInput_ = false;
}

qint64 LanTransport::bytesReceived() {
    pull();
    return buffer_.size();
}

QByteArray LanTransport::take(qsizetype length) {
    QByteArray reply = buffer_.left(length);
    buffer_.remove(0, length);
    return reply;
}

ReplyStatus LanTransport::receiveLine(int timeoutMs, int leanMs, QByteArray& reply) {
    QElapsedTimer clock;
    clock.start();
    auto lineIn = [this] { return buffer_.contains('\n'); };
    auto complete = [&] {
        pull();
        return lineIn();
    };
    leanWait(lineIn, std::min(leanMs, timeoutMs));
    if (!lineIn() && isConnected()) {
        if (terminated_) {
            const int left = static_cast<int>(timeoutMs - clock.elapsed());
            if (left > 0) WaitUntil(complete, left);
        } else {
            const int pollMs = std::max(1, static_cast<int>(std::lround(timeoutMs / 100.0)));
            qsizetype last = buffer_.size();
            bool stable = false;
            while (isConnected() && clock.elapsed() < timeoutMs) {
                const int left = static_cast<int>(timeoutMs - clock.elapsed());
                if (WaitUntil(complete, std::min(pollMs, left), pollMs)) break;
                const qsizetype n = buffer_.size();
                if (n > last) {
                    last = n;
                } else if (n == last && n != 0) {
                    if (stable) break;
                    stable = true;
                }
            }
        }
    }
    const qsizetype lf = buffer_.indexOf('\n');
    reply = take(lf < 0 ? buffer_.size() : lf + 1);
    // A reply cut short may go on arriving; one followed by more bytes came with junk.
    if (lf < 0 || !buffer_.isEmpty()) staleInput_ = true;
    if (reply.endsWith('\0')) reply.chop(1);
    if (reply.endsWith('\n')) reply.chop(1);
    if (reply.endsWith('\r')) reply.chop(1);
    if (lf >= 0) return ReplyStatus::Ok;
    if (!isConnected()) return ReplyStatus::LinkLost;
    if (reply.isEmpty()) return ReplyStatus::TimedOut;
    return terminated_ ? ReplyStatus::Cut : ReplyStatus::Ok;
}

ReplyStatus LanTransport::receiveFirstReply(int timeoutMs, int leanMs, QByteArray& reply) {
    terminated_ = true;
    const ReplyStatus status = receiveLine(timeoutMs, leanMs, reply);
    if (status != ReplyStatus::Cut) return status;
    terminated_ = false;
    staleInput_ = false;
    return ReplyStatus::Ok;
}

// Length of the reply in the buffer when it is all there, else -1; `block`
// tells a definite-length block from a line.
qsizetype LanTransport::blockEnd(bool& block) const {
    block = false;
    qsizetype start = 0;
    while (start < buffer_.size() && (buffer_[start] == ' ' || buffer_[start] == '\r'))
        ++start;
    if (start < buffer_.size() && buffer_[start] == '#') {
        if (buffer_.size() < start + 2) return -1;
        const char digits = buffer_[start + 1];
        if (digits >= '1' && digits <= '9') {
            block = true;
            const int n = digits - '0';
            if (buffer_.size() < start + 2 + n) return -1;
            bool ok = false;
            const qint64 length = buffer_.mid(start + 2, n).toLongLong(&ok);
            if (!ok || length < 0) return -1;
            const qsizetype end = start + 2 + n + static_cast<qsizetype>(length);
            return buffer_.size() >= end ? end : -1;
        }
    }
    const qsizetype lf = buffer_.indexOf('\n');
    return lf < 0 ? -1 : lf;
}

QByteArray LanTransport::receiveBlock(int timeoutMs, int leanMs, bool& complete) {
    QElapsedTimer quiet;
    quiet.start();
    bool block = false;
    auto done = [&] {
        pull();
        return blockEnd(block) >= 0;
    };
    leanWait([&] { return blockEnd(block) >= 0; }, std::min(leanMs, timeoutMs));
    qsizetype seen = buffer_.size();
    if (seen > 0) quiet.restart();
    while (!done() && isConnected() && quiet.elapsed() < timeoutMs) {
        WaitUntil([&] { return done() || buffer_.size() != seen; },
                  static_cast<int>(timeoutMs - quiet.elapsed()));
        if (buffer_.size() != seen) {
            seen = buffer_.size();
            quiet.restart();
        }
    }
    const qsizetype end = blockEnd(block);
    complete = end >= 0;
    if (!complete) staleInput_ = true;
    QByteArray reply = take(end >= 0 ? end : buffer_.size());
    if (complete && buffer_.startsWith('\n')) buffer_.remove(0, 1);
    if (!block) {
        if (reply.endsWith('\0')) reply.chop(1);
        if (reply.endsWith('\r')) reply.chop(1);
    }
    return reply;
}

} // namespace ostrel
