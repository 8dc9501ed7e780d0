#include "WaveformFixture.h"

#include "core/Program.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "waveforms/AbwFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cmath>

namespace ostrel::test {

void WaveformFixture::connectSource(const QStringList& args) {
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    attach();
}

void WaveformFixture::attach() {
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
    for (const QString& v :
         query(QStringLiteral("trac:data? ") + name).split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.push_back(v.toDouble());
    return values;
}

QString WaveformFixture::libraryFolder() {
    const QString folder = fixture.tempPath(QStringLiteral("library"));
    QDir().mkpath(folder);
    WaveformSamples sine{};
    for (int k = 0; k < kWaveformPeriod; ++k)
        sine[k] = std::sin(2 * M_PI * k / 1024);
    QString error;
    for (const char* name :
         {"Alpha.abw", "beta.ABW", "c1.abw", "D2.abw", "e3.abw", "F4.abw", "g5.abw", "H6.abw",
          "i7.abw", "J8.abw", "k9.abw", "L10.abw", "2fast.abw"})
        EXPECT_TRUE(WriteAbwFile(folder + QLatin1Char('/') + QLatin1String(name), sine, error));
    sine[100] = 1.5;
    EXPECT_TRUE(WriteAbwFile(folder + QStringLiteral("/Wide.abw"), sine, error));
    QFile bad(folder + QStringLiteral("/bent.abw"));
    EXPECT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\"x\",\" \"\r\n0,0\r\n-3,0.5\r\n");
    QFile other(folder + QStringLiteral("/notes.txt"));
    EXPECT_TRUE(other.open(QIODevice::WriteOnly));
    return folder;
}

} // namespace ostrel::test
