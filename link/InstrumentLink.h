#pragma once
// The one conversation with the source. The bus value of the settings picks
// the transport at each call: 0 simulation, 1 RS-232, 2 GPIB, 3 LAN.
//
// Everything runs on the user-interface thread, and the waits process window
// events, so a window may call in while a query waits for its reply. A command
// that arrives then is held and goes out, in order, as soon as that query has
// its reply; a nested query answers "" at once.
//
// A query returns its own reply or a failure its caller sees. After a time-out
// or a cut reply the stream is put back in step before anything else is
// asked: GPIB clears the device; LAN and RS-232 ask a query whose answer is
// known and drop every line before it. A source that stops answering, or a
// transport that fails, loses the link: the operator is told once and nothing
// more is sent until the transport is opened again.
#include "link/GpibLibrary.h"
#include "link/LanTransport.h"
#include "link/LinkState.h"
#include "link/QueryResult.h"
#include "link/SerialTransport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <deque>
#include <functional>

namespace ostrel {

struct Program;

enum Bus { BusSimulation = 0, BusSerial = 1, BusGpib = 2, BusLan = 3 };

class InstrumentLink {
public:
    explicit InstrumentLink(Program& program);
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    LinkState state;
    // Called before a GPIB transfer, which puts the source in remote: the main
    // window ticks its front-panel lock box.
    std::function<void()> onRemote;
    // Called once when the link is lost, before the operator is told.
    std::function<void()> onLost;

    // "unit" is added to the GPIB source address (0 = the source itself).
    void Send(int unit, const QString& command);
    // "" when all went well, else the failure or the source's errors.
    QString SendAndReport(int unit, const QString& command);
    // As Send, without trace and without the front-panel hook.
    void SendUntraced(int unit, const QString& command);
    // The reply without its terminator; "" on time-out, failure, simulation,
    // or when another query is still waiting. At most 32 s.
    QString Query(int unit, const QString& command, double timeoutSeconds = 1.0);
    // The same query, with what became of it. Every caller that turns a
    // reply into a value asks this one.
    QueryResult TryQuery(int unit, const QString& command, double timeoutSeconds = 1.0);
    // A long reply (arrays, definite-length blocks), read by length on LAN and
    // GPIB; `maxBytes` bounds a GPIB read.
    QueryResult TryQueryBlock(const QString& command, double timeoutSeconds, int maxBytes);
    // For a caller that runs a query exchange of its own on the transport (a
    // long array reply): BeginQuery marks the link as Query does, false when
    // a query is already waiting; set state.queryInProgress once the command
    // is out. EndQuery clears both and sends the commands held meanwhile.
    bool BeginQuery();
    void EndQuery();
    // Drains "syst:err?": "" for an empty queue, else CR LF + each error. An
    // error query that failed on a connected source is reported as an error.
    QString CheckError();

    // The link is lost: the transport failed or the source stopped answering.
    bool Lost() const { return state.lost; }
    // Says once, naming the transport, that the link is lost (after the query
    // that found it, when one is waiting); drops the held commands and sends
    // nothing more until ClearLost.
    void MarkLost(const QString& reason);
    // The transport has been opened again.
    void ClearLost();
    // "LAN 127.0.0.1 port 5025", "RS-232 /dev/ttyS0", "GPIB board 0 address 1".
    QString TransportName() const;
    // After opening a transport: reads the source's identity (the known reply
    // of later resynchronisations); on RS-232 it first gets past whatever an
    // earlier program left on the line. False with the failure.
    bool LearnIdentity(QString& error);
    // LAN identification: the reply to an "*idn?" just sent, which also
    // decides whether this source terminates its replies.
    QString LanIdentityReply();

    // RS-232: true when the line (with a line feed) left within its time-out,
    // which grows with its length at the baud rate. Success on other buses.
    bool SerialWrite(const QString& text);
    // As SerialWrite with no terminator, then a pause for the source to read it.
    bool SerialWriteRaw(const QString& text);
    // LAN: one line; a failure is shown to the operator.
    void SocketSend(const QString& text);
    // LAN: one reply line (see LanTransport::receiveLine); "" when not connected.
    QString SocketReceive();
    // LAN: a long reply, up to its line feed or the end of its definite-length
    // block. Throws LinkError 999 when it is not all there within the LAN time-out.
    QByteArray SocketReceiveBlock();

    // The text followed by the decoded GPIB status, in a message box.
    void ShowGpibError(const QString& text);

    // Opening and closing the transports (identification, the interface
    // dialog, the command-line tool, exit).
    // `port` is the serial port number, used unless state.serialPortName is set.
    bool OpenSerialPort(int port, int baudIndex, int handshake, QString& error, bool& unavailable);
    void CloseSerialPort();
    bool SerialPortOpen() const { return serial_.isOpen(); }
    // Up to 100 looks 100 ms apart; `onPoll(poll)` after each.
    bool ConnectLan(const QString& host, int port, const std::function<void(int)>& onPoll = {});
    void CloseLan();
    int LanState() const { return lan_.stateCode(); }
    // Loads the GPIB library (once); false with a message naming it.
    bool LoadGpib(QString& error);

    // GPIB calls; each copies the library's status into state.gpib. Without
    // the library they set ERR and do nothing.
    void GpibSend(int board, int address, const QByteArray& data, int eotMode = kGpibNlEnd);
    QByteArray GpibReceive(int board, int address, int count);
    void GpibTimeout(int board, int code);
    void GpibInterfaceClear(int board);
    void GpibEnableRemote(int board, int address);
    void GpibEnableLocal(int board, int address);
    void GpibTrigger(int board, int address);
    // Device clear: the device drops its input and the reply it holds.
    void GpibDeviceClear(int board, int address);
    bool GpibFailed() const { return state.gpib.ibsta & kGpibErr; }

    // Returns the source to local control and closes the transport (exit).
    void Release();

    SerialTransport& serial() { return serial_; }
    LanTransport& lan() { return lan_; }

private:
    struct Held {
        int unit;
        QString command;
        bool traced;
    };

    int bus() const;
    void trace(const QString& text);
    void remote();
    void transmit(int unit, const QString& command, bool traced);
    void hold(int unit, const QString& command, bool traced);
    void flushHeld();
    void keepWindowsLive();
    bool ensureSerialOpen();
    bool gpibReady();
    int lanTimeoutMs();
    void queryLan(const QString& command, int timeoutMs, QueryResult& r);
    void querySerial(const QString& command, int timeoutMs, QueryResult& r);
    void queryGpib(int unit, const QString& command, double timeoutSeconds, QueryResult& r);
    void blockLan(const QString& command, int timeoutMs, QueryResult& r);
    void blockGpib(const QString& command, double timeoutSeconds, int maxBytes, QueryResult& r);
    bool writeLine(const QString& text, int timeoutMs);
    ReplyStatus readLine(int timeoutMs, QByteArray& line);
    void recover(int unit, const QString& command, int timeoutMs, QueryResult& r);
    bool resync(const QString& failedCommand, int timeoutMs);
    bool gpibAnswers(int unit);
    bool syncTo(const QString& marker, const std::function<bool(const QString&)>& isAnswer,
                int timeoutMs);
    void describe(QueryResult& r, double seconds) const;
    QueryResult serialIdentity();
    void announceLost();

    Program& program_;
    SerialTransport serial_;
    LanTransport lan_;
    GpibLibrary gpib_;
    QString gpibLoadError_;
    std::deque<Held> held_;
    bool lostToAnnounce_ = false;
    QElapsedTimer sinceEvents_;
};

} // namespace ostrel
