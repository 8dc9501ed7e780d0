#include "link/InstrumentLink.h"

#include "app/Program.h"
#include "link/Decoders.h"
#include "link/LinkPlatform.h"
#include "link/Numbers.h"
#include "link/Waits.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

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

QByteArray toWire(const QString& text) {
    return text.toLatin1();
}
QString fromWire(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
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
    if (traced && state.traceCommands) trace(command);
    switch (bus()) {
    case BusSerial:
        SerialWrite(command);
        break;
    case BusGpib:
        if (traced) remote();
        GpibSend(link.gpibBoard, link.sourceAddress + unit, toWire(command));
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
}

void InstrumentLink::SendUntraced(int unit, const QString& command) {
    if (state.queryInProgress || !held_.empty()) return hold(unit, command, false);
    transmit(unit, command, false);
}

QString InstrumentLink::SendAndReport(int unit, const QString& command) {
    if (state.queryInProgress) return QStringLiteral("Query in progress, command aborted");
    flushHeld();
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
        if (GpibFailed()) result = QStringLiteral("ERROR: IEEE command send failure.");
        break;
    case BusLan:
        SocketSend(command);
        WaitMs(link.cmdDelay);
        break;
    default:
        break;
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
    if (!BeginQuery()) return {};
    const double seconds = std::clamp(timeoutSeconds, 0.0, 32.0);
    const int timeoutMs = static_cast<int>(std::lround(seconds * 1000.0));
    if (state.traceCommands) trace(command);

    QString reply;
    switch (bus()) {
    case BusSerial:
        if (unit == 0) reply = querySerial(command, timeoutMs);
        break;
    case BusGpib:
        reply = queryGpib(unit, command, seconds);
        break;
    case BusLan:
        if (seconds > 1) state.lanTimeoutMs = timeoutMs;
        reply = queryLan(command, state.lanTimeoutMs > 0 ? state.lanTimeoutMs : timeoutMs);
        break;
    default:
        break;
    }

    if (state.traceResponses) trace(QStringLiteral("<-- ") + reply);
    EndQuery();
    return reply;
}

QString InstrumentLink::querySerial(const QString& command, int timeoutMs) {
    if (serial_.isOpen()) serial_.discardInput();
    if (!SerialWrite(command)) return {};
    state.queryInProgress = true;
    return fromWire(serial_.receiveReply(timeoutMs, kLeanWaitMs).value_or(QByteArray()));
}

QString InstrumentLink::queryGpib(int unit, const QString& command, double timeoutSeconds) {
    const auto& link = program_.settings.link;
    const int address = link.sourceAddress + unit;
    remote();
    GpibSend(link.gpibBoard, address, toWire(command + QLatin1Char(' ')));
    if (GpibFailed()) return {};
    state.queryInProgress = true;
    const bool longWait = timeoutSeconds > 1;
    if (longWait)
        GpibTimeout(link.gpibBoard, timeoutSeconds <= 3 ? T3s : timeoutSeconds <= 10 ? T10s : T30s);
    WaitMs(link.cmdDelay);
    QByteArray reply = GpibReceive(link.gpibBoard, address, 2048);
    if (!GpibFailed()) {
        const qsizetype lf = reply.indexOf('\n');
        if (lf >= 0) reply.truncate(lf);
        if (reply.endsWith('\r')) reply.chop(1);
    }
    if (longWait) GpibTimeout(link.gpibBoard, T1s);
    return fromWire(reply);
}

QString InstrumentLink::queryLan(const QString& command, int timeoutMs) {
    lan_.discardInput();
    if (!lan_.write(toWire(command) + '\n', timeoutMs)) {
        showLanFailure();
        return {};
    }
    state.queryInProgress = true;
    WaitMs(program_.settings.link.cmdDelay);
    const QByteArray reply = lan_.receiveReply(timeoutMs, kLeanWaitMs);
    if (!lan_.isConnected()) state.lanConnected = false;
    return fromWire(reply);
}

QString InstrumentLink::CheckError() {
    const QString crlf = QStringLiteral("\r\n");
    QString reply = Query(0, QStringLiteral("syst:err?"), 1);
    if (Val(reply) == 0) return {};
    QString errors = crlf + reply;
    for (int i = 1; i < kMaxErrorReplies; ++i) {
        reply = Query(0, QStringLiteral("syst:err?"), 1);
        if (Val(reply) == 0) break;
        errors += crlf + reply;
    }
    return errors;
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
    if (!sent) return false;
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

void InstrumentLink::showLanFailure() {
    if (!lan_.isConnected()) state.lanConnected = false;
    program_.prompt().showMessage(QStringLiteral("LAN send failed: ") +
                                      (lan_.isConnected()
                                           ? lan_.errorString()
                                           : QStringLiteral("no connection to the AC source.")),
                                  PromptIcon::Critical);
}

void InstrumentLink::SocketSend(const QString& text) {
    lan_.suspectStaleInput();
    if (!lan_.write(toWire(text) + '\n', lanTimeoutMs())) return showLanFailure();
    QCoreApplication::processEvents();
}

QString InstrumentLink::SocketReceive() {
    const int timeout = lanTimeoutMs();
    if (!lan_.isConnected()) return {};
    return fromWire(lan_.receiveReply(timeout, kLeanWaitMs));
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

void InstrumentLink::ShowGpibError(const QString& text) {
    program_.prompt().showMessage(text + GpibStatusText(state.gpib) + GpibErrorText(state.gpib) +
                                      GpibCountText(state.gpib),
                                  PromptIcon::Exclamation);
}

// ---- exit -----------------------------------------------------------------

void InstrumentLink::Release() {
    const auto& link = program_.settings.link;
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
