#pragma once
// A running virtual source and a plain blocking SCPI client on its TCP port.
#include "support/VirtualSourceProcess.h"

#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace ostrel::test {

class ScpiClient {
public:
    bool connectTo(const QString& host, quint16 port, int timeoutMs = 3000);
    void send(const QByteArray& line); // a line feed is added
    // The reply line without its terminator; nothing when no line came in time.
    std::optional<QString> query(const QByteArray& line, int timeoutMs = 2000);
    // Bytes up to and including the next line feed (or what came before the time-out).
    QByteArray readLine(int timeoutMs);
    QTcpSocket& socket() { return socket_; }

private:
    QTcpSocket socket_;
};

// One line of the output timeline.
using TimelineEvents = std::vector<QJsonObject>;
TimelineEvents readTimeline(const QString& path);
TimelineEvents eventsOf(const TimelineEvents& all, const QString& kind);

class VsourceTest : public ::testing::Test {
protected:
    // Starts the source with a timeline in a temporary folder and connects.
    void startSource(QStringList args = {});
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

} // namespace ostrel::test
