#include "link/Identification.h"

#include "core/Program.h"
#include "link/Decoders.h"
#include "link/ModelSetup.h"
#include "link/ModelTable.h"
#include "link/Numbers.h"
#include "link/Waits.h"

#include <QScopeGuard>
#include <QStringList>

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kNoConnection = QStringLiteral("Interface will be set to No Connection.");

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}

QString field(const QStringList& fields, int i) {
    return i < fields.size() ? fields[i] : QString();
}

QString identifyLan(Program& program, int port, QString& text, bool& failed) {
    InstrumentLink& link = program.link;
    const QString host = text.trimmed();
    text.clear();
    if (!link.ConnectLan(host, port)) {
        text = QStringLiteral("Trapped Error: Ethernet connection failed.") + kCrLf + kNoConnection;
        failed = true;
        return {};
    }
    link.SocketSend(QStringLiteral("*cls"));
    QString reply;
    for (int i = 0; i < 2 && !link.Lost(); ++i) {
        link.lan().discardInput();
        link.SocketSend(QStringLiteral("*idn?"));
        reply = link.LanIdentityReply();
    }
    return reply;
}

QString identifyGpib(Program& program, int address, int board, QString& text, bool& failed) {
    InstrumentLink& link = program.link;
    text.clear();
    QString error;
    if (!link.LoadGpib(error)) {
        text = error + kCrLf + kNoConnection;
        failed = true;
        return {};
    }
    link.GpibTimeout(board, T300ms);
    link.GpibEnableRemote(board, address);
    link.GpibInterfaceClear(board);
    // A reply an earlier program left unread would answer our identity query.
    link.GpibDeviceClear(board, address);
    link.GpibSend(board, address, "*cls ");
    link.GpibSend(board, address, "*idn?");
    QByteArray reply;
    if (!link.GpibFailed()) reply = link.GpibReceive(board, address, 255);
    link.GpibSend(board, address, "*cls");
    link.GpibTimeout(board, T1s);
    return QString::fromLatin1(reply);
}

QString identifySerial(Program& program, int port, int baudIndex, QString& text, bool& failed) {
    InstrumentLink& link = program.link;
    text.clear();
    link.CloseSerialPort();
    const int bus = program.settings.link.bus;
    // The opening conversation runs on RS-232, whatever the stored bus says.
    program.settings.link.bus = BusSerial;
    const auto restoreBus = qScopeGuard([&] { program.settings.link.bus = bus; });
    QString error;
    bool unavailable = false;
    if (!link.OpenSerialPort(port, baudIndex, program.settings.link.handshake, error,
                             unavailable)) {
        text = unavailable ? QStringLiteral("Device unavailable error.") + kCrLf +
                                 QStringLiteral("Comm port in use by other Program") + kCrLf +
                                 QStringLiteral("or not available on this PC!")
                           : error + kCrLf + kNoConnection;
        failed = true;
        return {};
    }
    SerialTransport& serial = link.serial();
    for (int i = 0; i < 2; ++i) {
        serial.write("*CLS\n", 1000);
        Delay(0.1);
    }
    QString why;
    if (!link.LearnIdentity(why)) {
        const QString name =
            link.state.serialPortName.isEmpty() ? QString::number(port) : link.state.serialPortName;
        text = link.Lost() ? why
                           : QStringLiteral("Timeout Occurred on Serial Port. Unable to") + kCrLf +
                                 QStringLiteral("find KV AC Source on RS232C Port ") + name;
        failed = true;
        return {};
    }
    return link.state.identity;
}

} // namespace

QString ParseIdentity(SourceModel& model, const QString& reply) {
    const QStringList fields = reply.split(QLatin1Char(','));
    QString modelText = field(fields, 1);
    modelText.remove(QLatin1Char(' '));
    model.SerialNumber = field(fields, 2).trimmed();

    QString firmware = field(fields, 3);
    if (!firmware.isEmpty() &&
        (firmware.back() == QLatin1Char('\n') || firmware.back() == QLatin1Char('\r') ||
         firmware.back() == QChar(0)))
        firmware.chop(1);
    auto after = [&firmware](const QString& marker) {
        const qsizetype at = firmware.indexOf(marker);
        if (at < 0) return false;
        firmware = firmware.mid(at + marker.size());
        return true;
    };
    if (!after(QStringLiteral("REV"))) after(QStringLiteral("V"));
    after(QStringLiteral("A."));
    if (firmware.contains(QLatin1String(" X")))
        model.FirmwareRevision = static_cast<float>(Val(firmware.mid(2)) / 100.0);
    else
        model.FirmwareRevision = static_cast<float>(Val(firmware));
    model.FirmwarePartNumber = firmware.size() == 5 || firmware.size() == 6
                                   ? QStringLiteral("KVP501-") + firmware.mid(4)
                                   : QStringLiteral("KVP501-1");
    return modelText;
}

int MatchModel(const QString& modelText, const QString& reply) {
    for (const IdentityRule& rule : kIdentityRules) {
        bool match = modelText.contains(text(kModelTable[rule.nameOfModel].displayName));
        for (std::string_view key : rule.keys)
            if (!key.empty() && modelText.contains(text(key))) match = true;
        if (match) return rule.index;
    }
    const QStringList fields = reply.split(QLatin1Char(','));
    if (reply.contains(text(kMakerNameCaps)) && modelText.contains(text(kOtherLineKey)) &&
        !field(fields, 2).trimmed().isEmpty())
        return kOtherLineModel;
    return -1;
}

int IdentifySource(Program& program, int bus, int param1, int param2, QString& text) {
    QString reply;
    bool failed = false;
    program.link.ClearLost();
    program.link.state.identity.clear();
    switch (bus) {
    case BusLan:
        reply = identifyLan(program, param1, text, failed);
        break;
    case BusGpib:
        reply = identifyGpib(program, param1, param2, text, failed);
        break;
    case BusSerial:
        reply = identifySerial(program, param1, param2, text, failed);
        break;
    default:
        return -1;
    }
    if (failed) return -1;

    if (bus != BusSerial) program.link.state.identity = reply.trimmed();
    const QString modelText = ParseIdentity(program.sourceModel, reply);
    const int index = modelText.isEmpty() ? -1 : MatchModel(modelText, reply);
    if (index < 0) {
        text = QStringLiteral("Unable to find supported AC Source") + kCrLf +
               QStringLiteral("on selected port. Program will default") + kCrLf +
               QStringLiteral("to simulation mode !");
        return -1;
    }
    text += QStringLiteral("Found : ") + modelText + QStringLiteral(" on selected port.");
    return index;
}

namespace {

// The configured transport opened and the source identified: the model index or -1.
int identifyConfigured(Program& program, QString& message) {
    const auto& link = program.settings.link;
    message.clear();
    switch (link.bus) {
    case BusGpib:
        return IdentifySource(program, BusGpib, link.sourceAddress, link.gpibBoard, message);
    case BusSerial:
        return IdentifySource(program, BusSerial, link.commPort, link.commBaud, message);
    case BusLan:
        message = link.ipAddress;
        return IdentifySource(program, BusLan, link.socketPort, link.commBaud, message);
    default:
        return program.settings.powerSource.modelNumber;
    }
}

} // namespace

int OpenAndIdentify(Program& program, QString& message) {
    auto& link = program.settings.link;
    const int index = identifyConfigured(program, message);
    if (link.bus == BusSimulation) return index;
    if (index < 0) {
        link.bus = BusSimulation;
        program.link.ClearLost();
    } else {
        program.settings.powerSource.modelNumber = index;
    }
    return index;
}

int ReconnectSource(Program& program) {
    if (program.settings.link.bus == BusSimulation) return -1;
    program.link.CloseLan();
    program.link.CloseSerialPort();
    QString message;
    const int index = identifyConfigured(program, message);
    if (index < 0) {
        program.link.MarkLost(QStringLiteral("no source answered when reconnecting"));
        return -1;
    }
    program.settings.powerSource.modelNumber = index;
    return index;
}

bool OpenTransport(Program& program, QString& message) {
    const auto& link = program.settings.link;
    message.clear();
    switch (link.bus) {
    case BusSerial: {
        bool unavailable = false;
        if (!program.link.OpenSerialPort(link.commPort, link.commBaud, link.handshake, message,
                                         unavailable))
            return false;
        break;
    }
    case BusGpib:
        if (!program.link.LoadGpib(message)) return false;
        program.link.GpibTimeout(link.gpibBoard, T1s);
        break;
    case BusLan:
        if (!program.link.ConnectLan(link.ipAddress, link.socketPort)) {
            message = QStringLiteral("LAN IP ") + link.ipAddress + QLatin1Char(' ') +
                      LanStateText(program.link.LanState()) + kCrLf + kNoConnection;
            return false;
        }
        break;
    default:
        return true;
    }
    program.link.ClearLost();
    return program.link.LearnIdentity(message);
}

} // namespace ostrel
