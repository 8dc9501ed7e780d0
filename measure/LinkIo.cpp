#include "measure/LinkIo.h"

#include "app/Program.h"
#include "measure/ArrayReply.h"

#include <algorithm>

namespace ostrel {

namespace {

// The longest text form of one value ("-1.234567E+03,") with room to spare.
constexpr int kTextBytesPerValue = 20;

// Holds the link's query markers for the length of one array query; commands
// sent meanwhile go out when it ends, as after any query.
class QueryMark {
public:
    explicit QueryMark(InstrumentLink& link) : link_(link), held_(link.BeginQuery()) {}
    ~QueryMark() {
        if (held_) link_.EndQuery();
    }
    bool held() const { return held_; }

private:
    InstrumentLink& link_;
    const bool held_;
};

QString shortTrace(const QByteArray& reply) {
    constexpr int kShown = 200;
    const QString text = QString::fromLatin1(reply.left(kShown)).trimmed();
    return reply.size() > kShown ? text + QStringLiteral("...") : text;
}

} // namespace

void LinkIo::send(const QString& command) {
    program_.link.Send(0, command);
}

QString LinkIo::query(const QString& command, double timeoutSeconds) {
    return program_.link.Query(0, command, timeoutSeconds);
}

QString LinkIo::checkError() {
    return program_.link.CheckError();
}

QByteArray LinkIo::queryArray(const QString& command, double timeoutSeconds, int maxValues,
                              QString& error) {
    InstrumentLink& link = program_.link;
    switch (program_.settings.link.bus) {
    case BusLan:
    case BusGpib: {
        const QueryMark mark(link);
        if (!mark.held()) {
            error = QStringLiteral("\"%1\" was not sent: another query is waiting.").arg(command);
            return {};
        }
        if (link.state.traceCommands) program_.busTrace.add(command);
        const QByteArray reply = program_.settings.link.bus == BusLan
                                     ? lanArray(command, error)
                                     : gpibArray(command, timeoutSeconds, maxValues, error);
        if (link.state.traceResponses)
            program_.busTrace.add(QStringLiteral("<-- ") + shortTrace(reply));
        return reply;
    }
    case BusSerial: {
        const QByteArray reply = link.Query(0, command, timeoutSeconds).toLatin1();
        if (!link.serial().lastReplyComplete()) {
            error = QStringLiteral("The reply to \"%1\" is incomplete: no line feed came within "
                                   "the time-out.")
                        .arg(command);
            return {};
        }
        return reply;
    }
    default:
        return {};
    }
}

QByteArray LinkIo::lanArray(const QString& command, QString& error) {
    InstrumentLink& link = program_.link;
    link.lan().discardInput();
    link.SocketSend(command);
    link.state.queryInProgress = true;
    try {
        return link.SocketReceiveBlock();
    } catch (const LinkError& e) {
        error = QStringLiteral("The reply to \"%1\" is incomplete: %2")
                    .arg(command, QString::fromStdString(e.what()));
        return {};
    }
}

QByteArray LinkIo::gpibArray(const QString& command, double timeoutSeconds, int maxValues,
                             QString& error) {
    InstrumentLink& link = program_.link;
    const LinkSettings& s = program_.settings.link;
    const int address = s.sourceAddress;
    QString loadError;
    if (!link.LoadGpib(loadError)) {
        error = loadError;
        return {};
    }
    // The source goes to remote as for any GPIB query (the front-panel lock box
    // follows); queries go out with a trailing blank, as the link sends them.
    if (link.onRemote) link.onRemote();
    link.GpibSend(s.gpibBoard, address, (command + QLatin1Char(' ')).toLatin1());
    if (link.GpibFailed()) {
        error = QStringLiteral("ERROR: Error sending IEEE command");
        return {};
    }
    link.state.queryInProgress = true;
    link.GpibTimeout(s.gpibBoard, timeoutSeconds <= 3 ? T3s : timeoutSeconds <= 10 ? T10s : T30s);
    const int room = std::max(BlockBufferSize(maxValues, BlockNumberForm::Double),
                              maxValues * kTextBytesPerValue + 16);
    QByteArray reply = link.GpibReceive(s.gpibBoard, address, room);
    const bool failed = link.GpibFailed();
    link.GpibTimeout(s.gpibBoard, T1s);
    if (failed) {
        error = QStringLiteral("The reply to \"%1\" did not arrive.").arg(command);
        return {};
    }
    return reply;
}

} // namespace ostrel
