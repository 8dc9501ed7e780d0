#include "link/InstrumentLink.h"

#include "core/Program.h"
#include "link/Decoders.h"
#include "link/LinkPlatform.h"
#include "link/Numbers.h"
#include "link/Waits.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

namespace ostrel {

namespace {

// A reply on a local line comes within a few hundred microseconds; waiting
// this long without processing events costs the windows nothing and saves
// the event loop's round trip on every query.
constexpr int kLeanWaitMs = 3;
// In a tight run of fast queries the windows still get their events this often.
constexpr int kEventsEveryMs = 50;
// The SCPI error queue is bounded; a source that never reports 0 is broken.
constexpr int kMaxErrorReplies = 100;

// An error-queue entry is a whole code, then a comma and its text. A reply
// that is not one (a garbled line) must never read as "No error".
std::optional<int> errorCode(const QString& reply) {
    static const QRegularExpression entry(QStringLiteral("^\\s*([+-]?\\d{1,6})\\s*(,|$)"));
    const QRegularExpressionMatch m = entry.match(reply);
    if (!m.hasMatch()) return std::nullopt;
    return m.captured(1).toInt();
}

QString notAnEntry(const QString& reply) {
    return QStringLiteral("The reply to \"syst:err?\" is not an error-queue entry: \"%1\"")
        .arg(reply.trimmed().left(40));
}

QByteArray toWire(const QString& text) {
    return text.toLatin1();
}
QString fromWire(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

QString gpibWhy(const GpibStatus& status) {
    return QStringLiteral(" (") + GpibErrorText(status).trimmed() + QLatin1Char(')');
}

} // namespace

InstrumentLink::InstrumentLink(Program& program) : program_(program) {
    sinceEvents_.start();
}

int InstrumentLink::bus() const {
    return program_.settings.link.bus;
}

void InstrumentLink::trace(const QString& text) {
    program_.busTrace.add(text);
}

void InstrumentLink::remote() {
    if (onRemote) onRemote();
}

void InstrumentLink::keepWindowsLive() {
    if (sinceEvents_.elapsed() < kEventsEveryMs) return;
    QCoreApplication::processEvents();
    sinceEvents_.restart();
}

// ---- commands -------------------------------------------------------------

void InstrumentLink::transmit(int unit, const QString& command, bool traced) {
    const auto& link = program_.settings.link;
    if (state.lost) return;
    if (traced && state.traceCommands) trace(command);
    switch (bus()) {
    case BusSerial:
        SerialWrite(command);
        break;
    case BusGpib:
        if (traced) remote();
        GpibSend(link.gpibBoard, link.sourceAddress + unit, toWire(command));
        if (GpibFailed()) MarkLost(QStringLiteral("the command was not taken") + gpibWhy(state.gpib));
        WaitMs(link.cmdDelay);
        break;
    case BusLan:
        SocketSend(command);
        WaitMs(link.cmdDelay);
        break;
    default:
        break;
    }
}

void InstrumentLink::hold(int unit, const QString& command, bool traced) {
    held_.push_back({unit, command, traced});
    flushHeld();
}

// Each entry leaves the queue before it is sent, so a call that comes in
// while it goes out (through processed events) sends the rest first.
void InstrumentLink::flushHeld() {
    while (!held_.empty() && !state.queryInProgress) {
        const Held next = held_.front();
        held_.pop_front();
        transmit(next.unit, next.command, next.traced);
    }
}

void InstrumentLink::Send(int unit, const QString& command) {
    if (state.queryInProgress || !held_.empty()) return hold(unit, command, true);
    transmit(unit, command, true);
    announceLost();
}

void InstrumentLink::SendUntraced(int unit, const QString& command) {
    if (state.queryInProgress || !held_.empty()) return hold(unit, command, false);
    transmit(unit, command, false);
    announceLost();
}

QString InstrumentLink::SendAndReport(int unit, const QString& command) {
    if (state.queryInProgress) return QStringLiteral("Query in progress, command aborted");
    flushHeld();
    if (state.lost) return QStringLiteral("ERROR: ") + state.lostReason;
    const auto& link = program_.settings.link;
    if (state.traceCommands) trace(command);
    QString result;
    switch (bus()) {
    case BusSerial:
        if (!SerialWrite(command)) result = QStringLiteral("ERROR: RS232 command send failure.");
        break;
    case BusGpib:
        remote();
        GpibSend(link.gpibBoard, link.sourceAddress + unit, toWire(command + QLatin1Char(' ')));
        WaitMs(link.cmdDelay);
        if (GpibFailed()) {
            result = QStringLiteral("ERROR: IEEE command send failure.");
            MarkLost(QStringLiteral("the command was not taken") + gpibWhy(state.gpib));
        }
        break;
    case BusLan:
        SocketSend(command);
        WaitMs(link.cmdDelay);
        break;
    default:
        break;
    }
    if (state.lost) {
        announceLost();
        return result.isEmpty() ? QStringLiteral("ERROR: ") + state.lostReason : result;
    }
    const QString errors = CheckError();
    if (!errors.isEmpty()) result = errors;
    return result;
}

// ---- queries --------------------------------------------------------------

bool InstrumentLink::BeginQuery() {
    // A nested query leaves the waiting one's markers alone.
    if (state.busy[BusyQuery]) return false;
    keepWindowsLive();
    flushHeld();
    if (state.busy[BusyQuery]) return false;
    state.busy[BusyQuery] = true;
    return true;
}

void InstrumentLink::EndQuery() {
    state.busy[BusyQuery] = false;
    state.queryInProgress = false;
    flushHeld();
}

QString InstrumentLink::Query(int unit, const QString& command, double timeoutSeconds) {
    const QueryResult r = TryQuery(unit, command, timeoutSeconds);
    return r.ok() ? r.text : QString();
}

QueryResult InstrumentLink::TryQuery(int unit, const QString& command, double timeoutSeconds) {
    QueryResult r;
    r.command = command;
    const double seconds = std::clamp(timeoutSeconds, 0.0, 32.0);
    if (state.lost) {
        r.status = ReplyStatus::LinkLost;
        describe(r, seconds);
        return r;
    }
    if (!BeginQuery()) {
        describe(r, seconds);
        return r;
    }
    const int timeoutMs = static_cast<int>(std::lround(seconds * 1000.0));
    if (state.traceCommands) trace(command);

    switch (bus()) {
    case BusSerial:
        if (unit == 0) querySerial(command, timeoutMs, r);
        break;
    case BusGpib:
        queryGpib(unit, command, seconds, r);
        break;
    case BusLan:
        if (seconds > 1) state.lanTimeoutMs = timeoutMs;
        queryLan(command, state.lanTimeoutMs > 0 ? state.lanTimeoutMs : timeoutMs, r);
        break;
    default:
        break;
    }
    if (r.status != ReplyStatus::Ok) r.text.clear();
    if (state.traceResponses) trace(QStringLiteral("<-- ") + r.text);
    recover(unit, command, timeoutMs, r);
    describe(r, seconds);
    EndQuery();
    announceLost();
    return r;
}

void InstrumentLink::describe(QueryResult& r, double seconds) const {
    if (r.status == ReplyStatus::Ok) {
        r.error.clear();
        return;
    }
    const QString quoted = QLatin1Char('"') + r.command + QLatin1Char('"');
    const QString within = QString::number(seconds, 'g', 3) + QStringLiteral(" s");
    switch (r.status) {
    case ReplyStatus::Ok:
        break;
    case ReplyStatus::TimedOut:
        r.error = QStringLiteral("No reply to %1 within %2.").arg(quoted, within);
        break;
    case ReplyStatus::Cut:
        r.error = QStringLiteral("The reply to %1 was cut short: its end did not come within %2.")
                      .arg(quoted, within);
        break;
    case ReplyStatus::LinkLost:
        r.error = QStringLiteral("%1 was not answered: %2").arg(quoted, state.lostReason);
        break;
    case ReplyStatus::Refused:
        r.error = bus() == BusSimulation
                      ? QStringLiteral("%1 was not sent: no source is connected.").arg(quoted)
                  : bus() == BusSerial
                      ? QStringLiteral("%1 was not sent: RS-232 reaches only the source itself.")
                            .arg(quoted)
                      : QStringLiteral("%1 was not sent: another query is waiting for its reply.")
                            .arg(quoted);
        break;
    }
}

// A failed query leaves the stream out of step: its reply may still come and
// would answer the next query. Put it back in step now, or lose the link.
void InstrumentLink::recover(int unit, const QString& command, int timeoutMs, QueryResult& r) {
    if (r.status == ReplyStatus::Ok) {
        state.timeoutsInRow = 0;
        return;
    }
    if (r.status != ReplyStatus::TimedOut && r.status != ReplyStatus::Cut) return;
    constexpr int kTimeoutsToLose = 3;
    ++state.timeoutsInRow;
    if (bus() == BusGpib) {
        const auto& link = program_.settings.link;
        GpibDeviceClear(link.gpibBoard, link.sourceAddress + unit);
        if (GpibFailed())
            MarkLost(QStringLiteral("the device clear after a time-out failed") +
                     GpibErrorText(state.gpib));
        else if (state.timeoutsInRow >= kTimeoutsToLose && !gpibAnswers(unit))
            MarkLost(QStringLiteral("no reply to %1 queries in a row").arg(kTimeoutsToLose));
    } else if (resync(command, timeoutMs)) {
        state.timeoutsInRow = 0;
    }
    if (state.lost) r.status = ReplyStatus::LinkLost;
}

// A source that still answers its identity query has not gone, however many
// queries before it went unanswered.
bool InstrumentLink::gpibAnswers(int unit) {
    QueryResult probe;
    queryGpib(unit, QStringLiteral("*IDN?"), 1.0, probe);
    if (probe.ok()) {
        state.timeoutsInRow = 0;
        return true;
    }
    const auto& link = program_.settings.link;
    if (!state.lost) GpibDeviceClear(link.gpibBoard, link.sourceAddress + unit);
    return false;
}

bool InstrumentLink::resync(const QString& failedCommand, int timeoutMs) {
    // A late reply to an identity query looks like the marker's own reply, so
    // that one is followed by a query whose answer is a number.
    const bool identityFailed = failedCommand.contains(QLatin1String("*idn?"), Qt::CaseInsensitive);
    const QString identity = state.identity;
    auto looksLikeIdentity = [](const QString& line) { return line.count(QLatin1Char(',')) >= 3; };
    const int patienceMs = std::max(2000, 2 * timeoutMs);
    if (identityFailed)
        return syncTo(
            QStringLiteral("*OPC?"),
            [&](const QString& line) {
                float value = 0;
                return !looksLikeIdentity(line) && TryParseSingle(line, value);
            },
            patienceMs);
    return syncTo(
        QStringLiteral("*IDN?"),
        [&](const QString& line) {
            return identity.isEmpty() ? looksLikeIdentity(line) : line == identity;
        },
        patienceMs);
}

bool InstrumentLink::syncTo(const QString& marker,
                            const std::function<bool(const QString&)>& isAnswer, int timeoutMs) {
    if (state.traceCommands) trace(marker);
    if (!writeLine(marker, timeoutMs)) return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0) break;
        QByteArray line;
        const ReplyStatus status = readLine(left, line);
        if (state.lost) return false;
        const QString text = fromWire(line).trimmed();
        if (status == ReplyStatus::Ok && isAnswer(text)) {
            if (state.traceResponses) trace(QStringLiteral("<-- ") + text);
            return true;
        }
        if (status == ReplyStatus::TimedOut) break;
        if (state.traceResponses && !text.isEmpty())
            trace(QStringLiteral("<-- (dropped) ") + text);
    }
    MarkLost(QStringLiteral("the source did not answer \"%1\" within %2 s")
                 .arg(marker, QString::number(timeoutMs / 1000.0, 'g', 3)));
    return false;
}

// One line out on the present transport, outside the held-command queue.
bool InstrumentLink::writeLine(const QString& text, int timeoutMs) {
    switch (bus()) {
    case BusSerial:
        return SerialWrite(text);
    case BusLan:
        if (lan_.write(toWire(text) + '\n', timeoutMs)) return true;
        MarkLost(QStringLiteral("LAN send failed: ") +
                 (lan_.isConnected() ? lan_.errorString()
                                     : QStringLiteral("no connection to the AC source.")));
        return false;
    default:
        return false;
    }
}

ReplyStatus InstrumentLink::readLine(int timeoutMs, QByteArray& line) {
    ReplyStatus status = ReplyStatus::Refused;
    switch (bus()) {
    case BusSerial:
        status = serial_.receiveLine(timeoutMs, kLeanWaitMs, line);
        if (status == ReplyStatus::LinkLost)
            MarkLost(QStringLiteral("the serial port failed: ") + serial_.errorString());
        break;
    case BusLan:
        status = lan_.receiveLine(timeoutMs, kLeanWaitMs, line);
        if (status == ReplyStatus::LinkLost) {
            state.lanConnected = false;
            MarkLost(QStringLiteral("the source closed the connection"));
        }
        break;
    default:
        break;
    }
    return status;
}

void InstrumentLink::querySerial(const QString& command, int timeoutMs, QueryResult& r) {
    if (serial_.isOpen()) serial_.discardInput();
    if (!SerialWrite(command)) {
        r.status = state.lost ? ReplyStatus::LinkLost : ReplyStatus::Refused;
        return;
    }
    state.queryInProgress = true;
    QByteArray line;
    r.status = readLine(timeoutMs, line);
    r.text = fromWire(line);
}

void InstrumentLink::queryGpib(int unit, const QString& command, double timeoutSeconds,
                               QueryResult& r) {
    const auto& link = program_.settings.link;
    const int address = link.sourceAddress + unit;
    remote();
    GpibSend(link.gpibBoard, address, toWire(command + QLatin1Char(' ')));
    if (GpibFailed()) {
        MarkLost(QStringLiteral("the query was not taken") + gpibWhy(state.gpib));
        r.status = ReplyStatus::LinkLost;
        return;
    }
    state.queryInProgress = true;
    const bool longWait = timeoutSeconds > 1;
    if (longWait)
        GpibTimeout(link.gpibBoard, timeoutSeconds <= 3 ? T3s : timeoutSeconds <= 10 ? T10s : T30s);
    WaitMs(link.cmdDelay);
    constexpr int kReplyBuffer = 2048;
    QByteArray reply = GpibReceive(link.gpibBoard, address, kReplyBuffer);
    const GpibStatus status = state.gpib;
    if (longWait) GpibTimeout(link.gpibBoard, T1s);
    if (status.ibsta & kGpibErr) {
        if (status.ibsta & kGpibTimo) {
            r.status = reply.isEmpty() ? ReplyStatus::TimedOut : ReplyStatus::Cut;
        } else {
            state.gpib = status;
            MarkLost(QStringLiteral("the reply could not be read") + gpibWhy(status));
            r.status = ReplyStatus::LinkLost;
        }
        return;
    }
    // A full buffer without END holds only the start of a longer reply.
    if (!(status.ibsta & kGpibEnd) && reply.size() >= kReplyBuffer) {
        r.status = ReplyStatus::Cut;
        return;
    }
    const qsizetype lf = reply.indexOf('\n');
    if (lf >= 0) reply.truncate(lf);
    if (reply.endsWith('\r')) reply.chop(1);
    r.status = ReplyStatus::Ok;
    r.text = fromWire(reply);
}

void InstrumentLink::queryLan(const QString& command, int timeoutMs, QueryResult& r) {
    lan_.discardInput();
    if (!writeLine(command, timeoutMs)) {
        r.status = ReplyStatus::LinkLost;
        return;
    }
    state.queryInProgress = true;
    WaitMs(program_.settings.link.cmdDelay);
    QByteArray line;
    r.status = readLine(timeoutMs, line);
    r.text = fromWire(line);
}

QueryResult InstrumentLink::TryQueryBlock(const QString& command, double timeoutSeconds,
                                          int maxBytes) {
    if (bus() == BusSerial) return TryQuery(0, command, timeoutSeconds);
    QueryResult r;
    r.command = command;
    const double seconds = std::clamp(timeoutSeconds, 0.0, 32.0);
    if (state.lost) {
        r.status = ReplyStatus::LinkLost;
        describe(r, seconds);
        return r;
    }
    if (!BeginQuery()) {
        describe(r, seconds);
        return r;
    }
    if (state.traceCommands) trace(command);
    const int timeoutMs = static_cast<int>(std::lround(seconds * 1000.0));
    if (bus() == BusLan)
        blockLan(command, lanTimeoutMs(), r);
    else if (bus() == BusGpib)
        blockGpib(command, seconds, maxBytes, r);
    if (r.status != ReplyStatus::Ok) r.text.clear();
    if (state.traceResponses) {
        constexpr int kShown = 200;
        const QString shown = r.text.left(kShown).trimmed();
        trace(QStringLiteral("<-- ") + (r.text.size() > kShown ? shown + QStringLiteral("...") : shown));
    }
    recover(0, command, bus() == BusLan ? lanTimeoutMs() : timeoutMs, r);
    describe(r, bus() == BusLan ? lanTimeoutMs() / 1000.0 : seconds);
    EndQuery();
    announceLost();
    return r;
}

void InstrumentLink::blockLan(const QString& command, int timeoutMs, QueryResult& r) {
    lan_.discardInput();
    if (!writeLine(command, timeoutMs)) {
        r.status = ReplyStatus::LinkLost;
        return;
    }
    state.queryInProgress = true;
    bool complete = false;
    const QByteArray reply = lan_.receiveBlock(timeoutMs, kLeanWaitMs, complete);
    if (!lan_.isConnected() && !complete) {
        state.lanConnected = false;
        MarkLost(QStringLiteral("the source closed the connection"));
        r.status = ReplyStatus::LinkLost;
        return;
    }
    r.status = complete ? ReplyStatus::Ok : reply.isEmpty() ? ReplyStatus::TimedOut : ReplyStatus::Cut;
    r.text = fromWire(reply);
}

void InstrumentLink::blockGpib(const QString& command, double timeoutSeconds, int maxBytes,
                               QueryResult& r) {
    const LinkSettings& s = program_.settings.link;
    remote();
    GpibSend(s.gpibBoard, s.sourceAddress, toWire(command + QLatin1Char(' ')));
    if (GpibFailed()) {
        MarkLost(QStringLiteral("the query was not taken") + gpibWhy(state.gpib));
        r.status = ReplyStatus::LinkLost;
        return;
    }
    state.queryInProgress = true;
    GpibTimeout(s.gpibBoard, timeoutSeconds <= 3 ? T3s : timeoutSeconds <= 10 ? T10s : T30s);
    QByteArray reply = GpibReceive(s.gpibBoard, s.sourceAddress, maxBytes);
    const GpibStatus status = state.gpib;
    GpibTimeout(s.gpibBoard, T1s);
    if (status.ibsta & kGpibErr) {
        if (status.ibsta & kGpibTimo) {
            r.status = reply.isEmpty() ? ReplyStatus::TimedOut : ReplyStatus::Cut;
        } else {
            state.gpib = status;
            MarkLost(QStringLiteral("the reply could not be read") + gpibWhy(status));
            r.status = ReplyStatus::LinkLost;
        }
        return;
    }
    if (!(status.ibsta & kGpibEnd) && reply.size() >= maxBytes) {
        r.status = ReplyStatus::Cut;
        return;
    }
    // The terminator ends the message: a line feed, or CR LF from a source set that way.
    if (reply.endsWith('\n')) reply.chop(1);
    if (reply.endsWith('\r')) reply.chop(1);
    r.status = ReplyStatus::Ok;
    r.text = fromWire(reply);
}

QString InstrumentLink::CheckError() {
    const QString crlf = QStringLiteral("\r\n");
    QueryResult reply = TryQuery(0, QStringLiteral("syst:err?"), 1);
    // Simulation has no queue; a failed error query on a source is an error.
    if (!reply.ok()) return bus() == BusSimulation ? QString() : crlf + reply.error;
    std::optional<int> code = errorCode(reply.text);
    if (!code) return crlf + notAnEntry(reply.text);
    if (*code == 0) return {};
    QString errors = crlf + reply.text;
    for (int i = 1; i < kMaxErrorReplies; ++i) {
        reply = TryQuery(0, QStringLiteral("syst:err?"), 1);
        if (!reply.ok()) return errors + crlf + reply.error;
        code = errorCode(reply.text);
        if (!code) return errors + crlf + notAnEntry(reply.text);
        if (*code == 0) break;
        errors += crlf + reply.text;
    }
    return errors;
}

// ---- lost link ------------------------------------------------------------

QString InstrumentLink::TransportName() const {
    const auto& link = program_.settings.link;
    switch (bus()) {
    case BusSerial:
        return QStringLiteral("RS-232 ") +
               (state.serialPortName.isEmpty() ? SerialPortName(link.commPort)
                                               : state.serialPortName);
    case BusGpib:
        return QStringLiteral("GPIB board %1 address %2").arg(link.gpibBoard).arg(link.sourceAddress);
    case BusLan:
        return QStringLiteral("LAN %1 port %2").arg(link.ipAddress).arg(link.socketPort);
    default:
        return QStringLiteral("simulation");
    }
}

void InstrumentLink::MarkLost(const QString& reason) {
    if (state.lost) return;
    state.lost = true;
    QString why = reason;
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    state.lostReason =
        QStringLiteral("the connection to the AC source (%1) is lost: %2.").arg(TransportName(), why);
    held_.clear();
    lostToAnnounce_ = true;
    announceLost();
}

// Told outside the query markers, so that whatever runs while the message is
// up finds the link lost and asks nothing.
void InstrumentLink::announceLost() {
    if (!lostToAnnounce_ || state.busy[BusyQuery]) return;
    lostToAnnounce_ = false;
    QString text = state.lostReason;
    text[0] = text[0].toUpper();
    // The status bar says it while the message is up.
    program_.prompt().setStatus(5, QStringLiteral("Disconnected"));
    if (onLost) onLost();
    program_.prompt().showMessage(
        text + QStringLiteral("\r\nNothing more is sent to it. Check the source and its "
                              "connection, then choose Source, Reconnect."),
        PromptIcon::Critical);
}

void InstrumentLink::ClearLost() {
    state.lost = false;
    state.lostReason.clear();
    state.timeoutsInRow = 0;
    lostToAnnounce_ = false;
}

bool InstrumentLink::LearnIdentity(QString& error) {
    state.identity.clear();
    if (bus() == BusSimulation) return true;
    QueryResult r;
    if (bus() == BusSerial) {
        r = serialIdentity();
    } else {
        if (bus() == BusGpib) {
            const auto& link = program_.settings.link;
            GpibDeviceClear(link.gpibBoard, link.sourceAddress);
        }
        r = TryQuery(0, QStringLiteral("*IDN?"), 1);
    }
    // The caller reports a failed opening in its own words.
    lostToAnnounce_ = false;
    if (!r.ok()) {
        error = r.error;
        return false;
    }
    state.identity = r.text.trimmed();
    return true;
}

// What an earlier program left on the serial line (a late reply, even a late
// identity) comes before ours: lines are dropped up to an identity, and the
// numeric answer of a second query then proves the line is in step.
QueryResult InstrumentLink::serialIdentity() {
    QueryResult r;
    r.command = QStringLiteral("*IDN?");
    constexpr int kTimeoutMs = 1000;
    if (!BeginQuery()) {
        describe(r, 1);
        return r;
    }
    if (serial_.isOpen()) serial_.discardInput();
    if (state.traceCommands) trace(r.command);
    r.status = SerialWrite(r.command) ? ReplyStatus::TimedOut : ReplyStatus::LinkLost;
    state.queryInProgress = true;
    QElapsedTimer clock;
    clock.start();
    while (r.status == ReplyStatus::TimedOut && clock.elapsed() < kTimeoutMs) {
        QByteArray line;
        const ReplyStatus status = readLine(kTimeoutMs - static_cast<int>(clock.elapsed()), line);
        if (status == ReplyStatus::LinkLost || status == ReplyStatus::TimedOut) {
            r.status = status;
            break;
        }
        if (status == ReplyStatus::Ok && line.count(',') >= 3) {
            r.status = ReplyStatus::Ok;
            r.text = fromWire(line);
        }
    }
    if (state.traceResponses) trace(QStringLiteral("<-- ") + r.text);
    if (r.ok() && !resync(r.command, kTimeoutMs)) r.status = ReplyStatus::LinkLost;
    if (!r.ok()) r.text.clear();
    describe(r, 1);
    EndQuery();
    return r;
}

// ---- RS-232 ---------------------------------------------------------------

bool InstrumentLink::ensureSerialOpen() {
    if (serial_.isOpen()) return true;
    const auto& link = program_.settings.link;
    QString error;
    bool unavailable = false;
    if (OpenSerialPort(link.commPort, link.commBaud, link.handshake, error, unavailable))
        return true;
    program_.prompt().showMessage(
        unavailable ? QStringLiteral("Device Unavailable Error. Com Port in use by other Program!")
                    : error,
        PromptIcon::Information);
    return false;
}

bool InstrumentLink::SerialWrite(const QString& text) {
    const int delay = program_.settings.link.cmdDelay;
    if (bus() != BusSerial) {
        WaitMs(delay);
        return true;
    }
    state.busy[BusySerialWrite] = true;
    const QByteArray line = toWire(text) + '\n';
    const bool sent =
        ensureSerialOpen() && serial_.write(line, (line.size() > 101 ? 2000 : 1000) +
                                                      2 * serial_.lineTimeMs(line.size()));
    state.busy[BusySerialWrite] = false;
    if (!sent) {
        if (serial_.isOpen())
            MarkLost(QStringLiteral("a line did not leave the serial port within its time-out"));
        return false;
    }
    WaitMs(delay);
    return true;
}

bool InstrumentLink::SerialWriteRaw(const QString& text) {
    if (bus() == BusSerial && !state.busy[BusySerialWriteRaw]) {
        state.busy[BusySerialWriteRaw] = true;
        const QByteArray bytes = toWire(text);
        const bool sent =
            ensureSerialOpen() && serial_.write(bytes, (bytes.size() > 100 ? 2000 : 1000) +
                                                           2 * serial_.lineTimeMs(bytes.size()));
        state.busy[BusySerialWriteRaw] = false;
        if (!sent) return false;
    }
    if (text.size() <= 100)
        WaitMs(program_.settings.link.cmdDelay);
    else
        WaitMs(static_cast<int>(text.size() / 2));
    return true;
}

bool InstrumentLink::OpenSerialPort(int port, int baudIndex, int handshake, QString& error,
                                    bool& unavailable) {
    const QString name =
        state.serialPortName.isEmpty() ? SerialPortName(port) : state.serialPortName;
    return serial_.open(name, BaudRate(baudIndex), handshake == 1, error, unavailable);
}

void InstrumentLink::CloseSerialPort() {
    serial_.close();
}

// ---- LAN ------------------------------------------------------------------

int InstrumentLink::lanTimeoutMs() {
    if (state.lanTimeoutMs == 0) state.lanTimeoutMs = 10000;
    return state.lanTimeoutMs;
}

void InstrumentLink::SocketSend(const QString& text) {
    if (state.lost) return;
    lan_.suspectStaleInput();
    if (!writeLine(text, lanTimeoutMs())) {
        state.lanConnected = lan_.isConnected();
        return announceLost();
    }
    keepWindowsLive();
}

QString InstrumentLink::SocketReceive() {
    const int timeout = lanTimeoutMs();
    if (!lan_.isConnected()) return {};
    QByteArray line;
    lan_.receiveLine(timeout, kLeanWaitMs, line);
    return fromWire(line);
}

QString InstrumentLink::LanIdentityReply() {
    const int timeout = lanTimeoutMs();
    if (!lan_.isConnected()) return {};
    QByteArray line;
    return lan_.receiveFirstReply(timeout, kLeanWaitMs, line) == ReplyStatus::Ok ? fromWire(line)
                                                                                 : QString();
}

QByteArray InstrumentLink::SocketReceiveBlock() {
    const int timeout = lanTimeoutMs();
    if (!lan_.isConnected()) return {};
    bool complete = false;
    QByteArray reply = lan_.receiveBlock(timeout, kLeanWaitMs, complete);
    if (!complete)
        throw LinkError(999, QStringLiteral("Timeout occured. Timeout = ") +
                                 QString::number(timeout) + QStringLiteral(" msec"));
    return reply;
}

bool InstrumentLink::ConnectLan(const QString& host, int port,
                                const std::function<void(int)>& onPoll) {
    state.lanConnected = lan_.connectTo(host, port, 100, 100, onPoll);
    return state.lanConnected;
}

void InstrumentLink::CloseLan() {
    lan_.close();
    state.lanConnected = false;
}

// ---- GPIB -----------------------------------------------------------------

bool InstrumentLink::LoadGpib(QString& error) {
    if (gpib_.isLoaded()) return true;
    if (!gpib_.load(GpibLibraryNames(), gpibLoadError_)) {
        error = gpibLoadError_;
        return false;
    }
    return true;
}

bool InstrumentLink::gpibReady() {
    QString error;
    if (!LoadGpib(error)) {
        state.gpib.ibsta = kGpibErr;
        state.gpib.iberr = 7; // ENEB: no board to talk through
        state.gpib.ibcnt = 0;
        return false;
    }
    if (state.gpib.globalsRegistered || !gpib_.needsGlobalsRegistration()) return true;
    int result = gpib_.registerGlobals();
    if (result == 1) {
        gpib_.unregisterGlobals();
        result = gpib_.registerGlobals();
    }
    if (result == 0) {
        state.gpib.globalsRegistered = true;
        return true;
    }
    QString text;
    switch (result) {
    case 2:
        text = QStringLiteral("Operating System is not multi-threaded. Quitting the Program!");
        gpib_.unregisterGlobals();
        break;
    case 3:
        text = QStringLiteral("Unable to register GPIB thread globals. Quitting the Program!");
        gpib_.unregisterGlobals();
        break;
    default:
        text =
            QStringLiteral("Unknown Error for Registering GPIB Globals!!! Quitting the Program!");
        break;
    }
    program_.prompt().showMessage(text, PromptIcon::Critical);
    state.gpib.ibsta = kGpibErr;
    QCoreApplication::exit(1);
    return false;
}

void InstrumentLink::GpibSend(int board, int address, const QByteArray& data, int eotMode) {
    if (gpibReady()) gpib_.send(board, address, data, eotMode, state.gpib);
}

QByteArray InstrumentLink::GpibReceive(int board, int address, int count) {
    if (!gpibReady()) return {};
    return gpib_.receive(board, address, count, kGpibStopEnd, state.gpib);
}

void InstrumentLink::GpibTimeout(int board, int code) {
    if (gpibReady()) gpib_.timeout(board, code, state.gpib);
}

void InstrumentLink::GpibInterfaceClear(int board) {
    if (gpibReady()) gpib_.interfaceClear(board, state.gpib);
}

void InstrumentLink::GpibEnableRemote(int board, int address) {
    if (gpibReady()) gpib_.enableRemote(board, address, state.gpib);
}

void InstrumentLink::GpibEnableLocal(int board, int address) {
    if (gpibReady()) gpib_.enableLocal(board, address, state.gpib);
}

void InstrumentLink::GpibTrigger(int board, int address) {
    if (gpibReady()) gpib_.trigger(board, address, state.gpib);
}

void InstrumentLink::GpibDeviceClear(int board, int address) {
    if (gpibReady()) gpib_.deviceClear(board, address, state.gpib);
}

void InstrumentLink::ShowGpibError(const QString& text) {
    program_.prompt().showMessage(text + GpibStatusText(state.gpib) + gpibWhy(state.gpib) +
                                      GpibCountText(state.gpib),
                                  PromptIcon::Exclamation);
}

// ---- exit -----------------------------------------------------------------

void InstrumentLink::Release() {
    const auto& link = program_.settings.link;
    if (state.lost) {
        CloseLan();
        CloseSerialPort();
        return;
    }
    switch (bus()) {
    case BusGpib:
        GpibEnableLocal(link.gpibBoard, link.sourceAddress);
        break;
    case BusSerial:
        SerialWrite(QStringLiteral("syst:loc"));
        WaitMs(200);
        SerialWrite(QStringLiteral("syst:loc"));
        CloseSerialPort();
        break;
    case BusLan:
        Delay(0.5);
        if (lan_.isConnected()) SocketSend(QStringLiteral("syst:loc"));
        CloseLan();
        Delay(0.5);
        break;
    default:
        break;
    }
}

} // namespace ostrel
