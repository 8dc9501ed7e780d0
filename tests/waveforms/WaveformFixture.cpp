#include "WaveformFixture.h"

#include "app/Program.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"

#include <QRegularExpression>

namespace ostrel::test {

void WaveformFixture::connectSource(const QStringList& args) {
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    LinkSettings& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    link.arbDownloadDelay = 0;
    program().link.state.lanTimeoutMs = 2000;
    ASSERT_TRUE(program().link.ConnectLan(source.host(), source.port()));
    QString message;
    const int index = OpenAndIdentify(program(), message);
    ASSERT_GE(index, 0) << message.toStdString();
    LoadModel(program(), index);
}

QStringList WaveformFixture::received() {
    const QString sync = QStringLiteral("*opc?");
    program().link.Query(0, sync, 1.0);
    static const QRegularExpression kReceived(QStringLiteral("^\\S+ TCP < (.*)$"));
    QStringList lines;
    for (const QString& line : source.logTail(20000)) {
        const QRegularExpressionMatch m = kReceived.match(line);
        if (m.hasMatch() && m.captured(1).trimmed() != sync) lines.append(m.captured(1).trimmed());
    }
    return lines;
}

QString WaveformFixture::query(const QString& text) {
    return program().link.TryQuery(0, text, 2).text;
}

std::vector<double> WaveformFixture::registerSamples(const QString& name) {
    std::vector<double> values;
    for (const QString& v : query(QStringLiteral("trac:data? ") + name).split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.push_back(v.toDouble());
    return values;
}

} // namespace ostrel::test
