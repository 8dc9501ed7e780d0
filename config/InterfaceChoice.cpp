#include "config/InterfaceChoice.h"

#include "core/Program.h"
#include "link/Decoders.h"
#include "link/Identification.h"
#include "link/Waits.h"

#include <QElapsedTimer>

namespace ostrel {

namespace {

const QString kNoConnection = QStringLiteral("Interface will be set to No Connection.");

void adopt(Program& program, const InterfaceChoice& c) {
    LinkSettings& l = program.settings.link;
    l.bus = c.bus;
    l.commPort = c.serialPort;
    l.commBaud = c.baudIndex;
    l.handshake = c.handshake;
    l.sourceAddress = c.address;
    l.gpibBoard = c.board;
    l.ipAddress = c.ipAddress;
    l.socketPort = c.socketPort;
    program.link.state.serialPortName = c.serialDevice;
}

// Opens the chosen transport for the terminal unless it is open already.
bool openForTerminal(Program& program, const InterfaceChoice& c) {
    InstrumentLink& link = program.link;
    switch (c.bus) {
    case BusSerial: {
        if (link.SerialPortOpen()) return true;
        QString error;
        bool unavailable = false;
        if (link.OpenSerialPort(c.serialPort, c.baudIndex, c.handshake, error, unavailable)) return true;
        program.prompt().showMessage(error, PromptIcon::Information);
        return false;
    }
    case BusLan:
        if (link.state.lanConnected) return true;
        if (link.ConnectLan(c.ipAddress, c.socketPort)) return true;
        program.prompt().showMessage(QStringLiteral("LAN IP ") + c.ipAddress + QLatin1Char(' ') +
                                         LanStateText(link.LanState()),
                                     PromptIcon::Information);
        return false;
    case BusGpib: {
        QString error;
        if (link.LoadGpib(error)) return true;
        program.prompt().showMessage(error, PromptIcon::Information);
        return false;
    }
    default: return false;
    }
}

} // namespace

InterfaceChoice CurrentInterface(const Program& program) {
    const LinkSettings& l = program.settings.link;
    InterfaceChoice c;
    c.bus = l.bus;
    c.serialPort = std::max(1, l.commPort);
    c.serialDevice = program.link.state.serialPortName;
    c.baudIndex = l.commBaud;
    c.handshake = l.handshake;
    c.address = l.sourceAddress;
    c.board = l.gpibBoard;
    c.ipAddress = l.ipAddress;
    c.socketPort = l.socketPort;
    return c;
}

QString VerifiedAddress(const InterfaceChoice& c) {
    switch (c.bus) {
    case BusSerial:
        return c.serialDevice.isEmpty() ? QStringLiteral("RS-232 port COM%1").arg(c.serialPort)
                                        : QStringLiteral("RS-232 port ") + c.serialDevice;
    case BusGpib: return QStringLiteral("GPIB board %1 address %2").arg(c.board).arg(c.address);
    case BusLan: return QStringLiteral("LAN %1 port %2").arg(c.ipAddress).arg(c.socketPort);
    default: return QStringLiteral("simulation");
    }
}

int VerifyInterface(Program& program, const InterfaceChoice& c, QString& text) {
    const QString ownDevice = program.link.state.serialPortName;
    program.link.state.serialPortName = c.serialDevice;
    int model = -1;
    switch (c.bus) {
    case BusSerial: model = IdentifySource(program, BusSerial, c.serialPort, c.baudIndex, text); break;
    case BusGpib: model = IdentifySource(program, BusGpib, c.address, c.board, text); break;
    case BusLan:
        text = c.ipAddress;
        model = IdentifySource(program, BusLan, c.socketPort, c.baudIndex, text);
        break;
    default: text.clear(); return -1;
    }
    if (model >= 0) return model;
    // Verifying only looks: the program goes back to its own transport, and
    // the identification's word about falling back to simulation does not hold.
    QStringList detail = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    detail.removeAll(kNoConnection);
    text = QStringLiteral("No source answered at ") + VerifiedAddress(c) + QStringLiteral(".\r\n") +
           (detail.isEmpty() ? QString() : detail.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    program.link.state.serialPortName = ownDevice;
    program.link.CloseLan();
    program.link.CloseSerialPort();
    QString reopenError;
    if (program.settings.link.bus == BusSimulation || OpenTransport(program, reopenError))
        text += QStringLiteral("Nothing was changed: the interface settings are as they were.");
    else
        text += QStringLiteral("The interface settings are as they were, but their source did not answer "
                               "again: ") + reopenError;
    return -1;
}

int ApplyInterface(Program& program, const InterfaceChoice& c,
                   const std::function<void(const QString&)>& lanProgress) {
    InstrumentLink& link = program.link;
    const auto fallBack = [&](const QString& message) {
        program.prompt().showMessage(message, PromptIcon::Information);
        program.settings.link.bus = BusSimulation;
        return BusSimulation;
    };
    adopt(program, c);
    if (c.bus != BusSerial) link.CloseSerialPort();
    if (c.bus != BusLan) link.CloseLan();
    switch (c.bus) {
    case BusSerial: {
        if (link.SerialPortOpen()) link.CloseSerialPort();
        QString error;
        bool unavailable = false;
        if (!link.OpenSerialPort(c.serialPort, c.baudIndex, c.handshake, error, unavailable))
            return fallBack(unavailable ? QStringLiteral("Device unavailable error. Com port in use by other Program "
                                                         "or not available on this PC! ") + kNoConnection
                                        : QStringLiteral("Trapped error ") + error + QStringLiteral(". ") + kNoConnection);
        return BusSerial;
    }
    case BusGpib: {
        QString error;
        if (!link.LoadGpib(error)) return fallBack(error + QStringLiteral(" ") + kNoConnection);
        return BusGpib;
    }
    case BusLan: {
        link.CloseLan();
        QElapsedTimer elapsed;
        elapsed.start();
        int shownSecond = 0;
        const bool connected = link.ConnectLan(c.ipAddress, c.socketPort, [&](int) {
            const int second = static_cast<int>(elapsed.elapsed() / 1000);
            if (second > shownSecond && lanProgress) {
                shownSecond = second;
                lanProgress(QString::number(second) + QStringLiteral(" sec - ") + LanStateText(link.LanState()) +
                            QStringLiteral("\r\n"));
            }
        });
        if (!connected)
            return fallBack(QStringLiteral("LAN IP ") + c.ipAddress + QLatin1Char(' ') + LanStateText(link.LanState()) +
                            QStringLiteral("\r\n") + kNoConnection);
        return BusLan;
    }
    default: return BusSimulation;
    }
}

void SendFromTerminal(Program& program, const InterfaceChoice& c, const QString& command,
                      const std::function<void(const QString&)>& output) {
    if (c.bus == BusSimulation) {
        program.prompt().showMessage(QStringLiteral("No Interface to AC Source available!"), PromptIcon::Information);
        return;
    }
    // The terminal talks on the dialog's transport, so it can be tried before OK.
    const LinkSettings kept = program.settings.link;
    const QString keptDevice = program.link.state.serialPortName;
    adopt(program, c);
    if (openForTerminal(program, c)) {
        InstrumentLink& link = program.link;
        const bool query = command.contains(QLatin1Char('?'));
        QString reply;
        if (query)
            reply = link.Query(0, command, 1.0);
        else
            link.Send(0, command);
        if (c.bus == BusGpib && link.GpibFailed())
            link.ShowGpibError((query ? QStringLiteral("Error getting reading. ") : QStringLiteral("Error sending Command ")) +
                               command);
        const QString upper = command.trimmed().toUpper();
        if (upper.startsWith(QLatin1String("*RST"))) {
            output(QStringLiteral("Waiting for RESET completion...\r\n"));
            Delay(1.0);
        } else if (upper.startsWith(QLatin1String("*TST"))) {
            output(QStringLiteral("Waiting %1 secs for Selftest completion...\r\n").arg(10));
            Delay(10.0);
        }
        if (query) output(reply + QStringLiteral("\r\n"));
        const QString errors = link.CheckError();
        if (!errors.isEmpty()) output(errors.trimmed() + QStringLiteral("\r\n"));
    }
    program.settings.link = kept;
    program.link.state.serialPortName = keptDevice;
}

} // namespace ostrel
