#include "LinkConversation.h"

#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"

#include <QFile>

namespace ostrel::test {

const char* BusName(int bus) {
    switch (bus) {
    case BusLan:
        return "Lan";
    case BusSerial:
        return "Serial";
    case BusGpib:
        return "Gpib";
    default:
        return "Simulation";
    }
}

void LinkConversation::start(QStringList args) {
    const int bus = GetParam();
    args << QStringLiteral("--log") << logPath;
    if (bus == BusSerial) args << QStringLiteral("--pty");
    if (bus == BusGpib) args << QStringLiteral("--gpib");
    ASSERT_TRUE(source.start(args)) << source.errorString().toStdString();
    auto& link = program().settings.link;
    link.bus = bus;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    link.commBaud = 0; // 9600: long lines must still fit their time-out
    link.handshake = 0;
    link.sourceAddress = 5;
    link.gpibBoard = 0;
    program().link.state.serialPortName = source.ptyPath();
    program().link.state.lanTimeoutMs = 1000;
    if (bus == BusGpib) {
        qputenv("OSTREL_GPIB_LIBRARY", VirtualSourceProcess::gpibShimPath().toLocal8Bit());
        qputenv("OSTREL_VSOURCE_GPIB", source.gpibSocket().toLocal8Bit());
    }
}

int LinkConversation::identify() {
    QString message;
    const int index = OpenAndIdentify(program(), message);
    EXPECT_GE(index, 0) << message.toStdString();
    if (index < 0) return index;
    LoadModel(program(), index);
    ReadSourceConfiguration(program(), index);
    return index;
}

QStringList LinkConversation::received() const {
    QFile file(logPath);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    // "<seconds> <channel> <direction> <text>"
    for (const QByteArray& entry : file.readAll().split('\n')) {
        const QList<QByteArray> parts = entry.split(' ');
        if (parts.size() < 3 || parts[1] == "CONTROL" || parts[2] != "<") continue;
        const qsizetype at = parts[0].size() + parts[1].size() + parts[2].size() + 3;
        lines << QString::fromLatin1(entry.mid(at)).trimmed();
    }
    return lines;
}

} // namespace ostrel::test
