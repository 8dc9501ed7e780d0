#pragma once
// A running virtual source and a plain blocking SCPI client on its TCP port.
#include "support/VirtualSourceProcess.h"

#include <QIODevice>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace ostrel::test {

enum class Transport { Tcp, Pty };

inline void PrintTo(Transport t, std::ostream* os) {
    *os << (t == Transport::Tcp ? "TCP" : "pty");
}

// A plain blocking line client on the TCP port or on the pseudo-terminal.
class ScpiClient {
public:
    bool connectTo(const QString& host, quint16 port, int timeoutMs = 3000);
    bool openSerial(const QString& path);
    void send(const QByteArray& line); // a line feed is added
    // The reply line without its terminator; nothing when no line came in time.
    std::optional<QString> query(const QByteArray& line, int timeoutMs = 2000);
    // Bytes up to and including the next line feed (or what came before the time-out).
    QByteArray readLine(int timeoutMs);
    QIODevice& device() { return *device_; }
    QTcpSocket& socket() { return *tcp_; } // TCP only

private:
    std::unique_ptr<QIODevice> device_;
    QTcpSocket* tcp_ = nullptr;
};

// One line of the output timeline.
using TimelineEvents = std::vector<QJsonObject>;
TimelineEvents readTimeline(const QString& path);
TimelineEvents eventsOf(const TimelineEvents& all, const QString& kind);

class VsourceTest : public ::testing::Test {
protected:
    // Starts the source with a timeline in a temporary folder and talks to it
    // over the given transport.
    void startSource(QStringList args = {}, Transport transport = Transport::Tcp);
    QString query(const QByteArray& line);
    void send(const QByteArray& line) { client.send(line); }
    QString nextError() { return query("syst:err?"); }
    // Every error in the queue, oldest first, without the final 0,"No error".
    QStringList drainErrors();
    TimelineEvents timeline() const { return readTimeline(timelinePath); }

    QTemporaryDir dir;
    QString timelinePath;
    VirtualSourceProcess source;
    ScpiClient client;
};

// The same conversation over the socket and over the pseudo-terminal.
class BothTransports : public VsourceTest, public ::testing::WithParamInterface<Transport> {
protected:
    void startSource(QStringList args = {}) {
        VsourceTest::startSource(std::move(args), GetParam());
    }
};

std::string transportName(const ::testing::TestParamInfo<Transport>& info);

#define OSTREL_BOTH_TRANSPORTS(Suite)                                                              \
    INSTANTIATE_TEST_SUITE_P(Transports, Suite, ::testing::Values(Transport::Tcp, Transport::Pty), \
                             transportName)

} // namespace ostrel::test
