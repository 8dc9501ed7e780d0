#include "VsourceFixture.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

namespace ostrel::test {

bool ScpiClient::connectTo(const QString& host, quint16 port, int timeoutMs) {
    socket_.connectToHost(host, port);
    if (!socket_.waitForConnected(timeoutMs))
        return false;
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void ScpiClient::send(const QByteArray& line) {
    socket_.write(line + '\n');
    socket_.flush();
}

QByteArray ScpiClient::readLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!socket_.canReadLine() && !deadline.hasExpired()) {
        if (!socket_.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    return socket_.canReadLine() ? socket_.readLine() : socket_.readAll();
}

std::optional<QString> ScpiClient::query(const QByteArray& line, int timeoutMs) {
    send(line);
    QByteArray reply = readLine(timeoutMs);
    if (!reply.endsWith('\n'))
        return std::nullopt;
    reply.chop(1);
    return QString::fromLatin1(reply);
}

TimelineEvents readTimeline(const QString& path) {
    TimelineEvents events;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return events;
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
        if (e.value(QLatin1String("event")).toString() == kind)
            out.push_back(e);
    return out;
}

void VsourceTest::startSource(QStringList args) {
    ASSERT_TRUE(dir.isValid());
    timelinePath = dir.filePath(QStringLiteral("timeline.jsonl"));
    args << QStringLiteral("--timeline") << timelinePath;
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    ASSERT_TRUE(client.connectTo(source.host(), source.port()));
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
        if (e.startsWith(QLatin1String("0,")) || e == QLatin1String("<no reply>"))
            break;
        errors << e;
    }
    return errors;
}

} // namespace ostrel::test
