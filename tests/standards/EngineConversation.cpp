#include "EngineConversation.h"

#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"

#include <QFile>

namespace ostrel::test {

void EngineConversation::connect(int model, const QStringList& extra, const QString& steady) {
    QStringList args{QStringLiteral("--model"), QString::number(model), QStringLiteral("--time-scale"),
                     QString::number(kEngineTimeScale), QStringLiteral("--log"), logPath,
                     QStringLiteral("--timeline"), timelinePath};
    ASSERT_TRUE(source.start(args + extra)) << source.errorString().toStdString();
    auto& link = program().settings.link;
    link.bus = BusLan;
    link.ipAddress = source.host();
    link.socketPort = source.port();
    program().link.state.lanTimeoutMs = 1000;
    program().engineClock.timeScale = kEngineTimeScale;
    QString message;
    const int index = OpenAndIdentify(program(), message);
    ASSERT_GE(index, 0) << message.toStdString();
    LoadModel(program(), index);
    ReadSourceConfiguration(program(), index);
    if (!steady.isEmpty()) program().link.Send(0, steady);
    ASSERT_FALSE(ReadBackState(program(), index));
    prompt().clear();
}

QStringList EngineConversation::received() {
    // Commands go out without a reply: a query behind them says they are all in.
    if (!program().link.Lost()) program().link.TryQuery(0, QStringLiteral("*opc?"));
    return logged();
}

QStringList EngineConversation::logged() const {
    QFile file(logPath);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray& entry : file.readAll().split('\n')) {
        const QList<QByteArray> parts = entry.split(' ');
        if (parts.size() < 3 || parts[1] != "TCP" || parts[2] != "<") continue;
        const qsizetype at = parts[0].size() + parts[1].size() + parts[2].size() + 3;
        const QString line = QString::fromLatin1(entry.mid(at)).trimmed();
        if (line != QLatin1String("*opc?")) lines << line;
    }
    return lines;
}

QString EngineConversation::controlLine(const QString& command) {
    QStringList lines;
    EXPECT_TRUE(source.control(command, &lines));
    return lines.value(0);
}

qsizetype IndexOf(const QStringList& lines, const QString& line, qsizetype from) {
    for (qsizetype i = std::max<qsizetype>(0, from); i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return -1;
}

} // namespace ostrel::test
