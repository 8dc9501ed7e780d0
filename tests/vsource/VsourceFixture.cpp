#include "VsourceFixture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSerialPort>

namespace ostrel::test {

bool ScpiClient::connectTo(const QString& host, quint16 port, int timeoutMs) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(host, port);
    if (!socket->waitForConnected(timeoutMs)) return false;
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    tcp_ = socket.get();
    device_ = std::move(socket);
    return true;
}

bool ScpiClient::openSerial(const QString& path) {
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(QSerialPort::Baud115200);
    if (!port->open(QIODevice::ReadWrite)) return false;
    tcp_ = nullptr;
    device_ = std::move(port);
    return true;
}

void ScpiClient::send(const QByteArray& line) {
    device_->write(line + '\n');
    if (tcp_)
        tcp_->flush();
    else
        device_->waitForBytesWritten(1000);
}

QByteArray ScpiClient::readLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!device_->canReadLine() && !deadline.hasExpired()) {
        if (!device_->waitForReadyRead(int(deadline.remainingTime()))) break;
    }
    return device_->canReadLine() ? device_->readLine() : device_->readAll();
}

std::optional<QString> ScpiClient::query(const QByteArray& line, int timeoutMs) {
    send(line);
    QByteArray reply = readLine(timeoutMs);
    if (!reply.endsWith('\n')) return std::nullopt;
    reply.chop(1);
    return QString::fromLatin1(reply);
}

TimelineEvents readTimeline(const QString& path) {
    TimelineEvents events;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return events;
    while (!file.atEnd()) {
        QJsonParseError error;
        QJsonDocument doc = QJsonDocument::fromJson(file.readLine(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        events.push_back(doc.object());
    }
    return events;
}

TimelineEvents eventsOf(const TimelineEvents& all, const QString& kind) {
    TimelineEvents out;
    for (const QJsonObject& e : all)
        if (e.value(QLatin1String("event")).toString() == kind) out.push_back(e);
    return out;
}

void VsourceTest::startSource(QStringList args, Transport transport) {
    ASSERT_TRUE(dir.isValid());
    timelinePath = dir.filePath(QStringLiteral("timeline.jsonl"));
    args << QStringLiteral("--timeline") << timelinePath;
    if (transport == Transport::Pty) args << QStringLiteral("--pty");
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    if (transport == Transport::Pty)
        ASSERT_TRUE(client.openSerial(source.ptyPath()));
    else
        ASSERT_TRUE(client.connectTo(source.host(), source.port()));
}

std::string transportName(const ::testing::TestParamInfo<Transport>& info) {
    return info.param == Transport::Tcp ? "Tcp" : "Pty";
}

QString VsourceTest::query(const QByteArray& line) {
    std::optional<QString> reply = client.query(line);
    EXPECT_TRUE(reply.has_value()) << "no reply to " << line.toStdString();
    return reply.value_or(QStringLiteral("<no reply>"));
}

QStringList VsourceTest::drainErrors() {
    QStringList errors;
    for (int i = 0; i < 100; ++i) {
        QString e = nextError();
        if (e.startsWith(QLatin1String("0,")) || e == QLatin1String("<no reply>")) break;
        errors << e;
    }
    return errors;
}

} // namespace ostrel::test
