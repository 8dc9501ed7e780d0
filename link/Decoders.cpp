#include "link/Decoders.h"

#include <utility>

namespace ostrel {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

QString GpibStatusText(const GpibStatus& status) {
    static constexpr std::pair<int, const char*> bits[] = {
        {0x8000, " ERR"}, {0x4000, " TIMO"}, {0x2000, " END"}, {0x1000, " SRQI"},
        {0x0800, " RQS"}, {0x0100, " CMPL"}, {0x0080, " LOK"}, {0x0040, " REM"},
        {0x0020, " CIC"}, {0x0010, " ATN"},  {0x0008, " TACS"}, {0x0004, " LACS"},
        {0x0002, " DTAS"}, {0x0001, " DCAS"},
    };
    const int ibsta = status.ibsta & 0xFFFF;
    QString text = kCrLf + QStringLiteral("ibsta = &H") + QString::number(ibsta, 16).toUpper() +
                   QStringLiteral(" <");
    for (const auto& [bit, name] : bits)
        if (ibsta & bit) text += QLatin1String(name);
    return text + QLatin1Char('>');
}

QString GpibErrorText(const GpibStatus& status) {
    if (!(status.ibsta & kGpibErr))
        return kCrLf + QStringLiteral("No error, iberr = ") + QString::number(status.iberr);
    const char* text = nullptr;
    switch (status.iberr) {
    case 0: text = "iberr = EDVR <DOS Error>"; break;
    case 1: text = "iberr = ECIC <Not CIC>"; break;
    case 2: text = "iberr = ENOL <No Listener>"; break;
    case 3: text = "iberr = EADR <Address Error>"; break;
    case 4: text = "iberr = EARG <Invalid argument>"; break;
    case 5: text = "iberr = ESAC <Not Sys Ctrlr>"; break;
    case 6: text = "iberr = EABO <Op. aborted>"; break;
    case 7: text = "iberr = ENEB <No GPIB board>"; break;
    case 10: text = "iberr = EOIP <Async I/O in prg>"; break;
    case 11: text = "iberr = ECAP <No capability>"; break;
    case 12: text = "iberr = EFSO <File sys. error>"; break;
    case 14: text = "iberr = EBUS <Command error>"; break;
    case 15: text = "iberr = ESTB <Status byte lost>"; break;
    case 16: text = "iberr = ESRQ <SRQ stuck high>"; break;
    case 20: text = "iberr = ETAB <Table overflow>"; break;
    default: return {};
    }
    return kCrLf + QLatin1String(text);
}

QString GpibCountText(const GpibStatus& status) {
    return kCrLf + QStringLiteral("ibcnt = 0x") +
           QString::number(static_cast<unsigned>(status.ibcnt) & 0xFFFFu, 16).toUpper();
}

QString SerialEventText(int eventCode, int transmitPending) {
    switch (eventCode) {
    case 1:
        return QStringLiteral("There are ") + QString::number(transmitPending) +
               QStringLiteral(" nr of chars in Xmit Buffer");
    case 2: return QStringLiteral("Received RThreshold # of chars");
    case 6: return QStringLiteral("Change in Ring Indicator");
    case 1001: return QStringLiteral("Break Occured");
    case 1002: return QStringLiteral("CTS Timeout");
    case 1003: return QStringLiteral("DSR Timeout");
    case 1004: return QStringLiteral("Framing Error");
    case 1006: return QStringLiteral("Overrun Error");
    case 1007: return QStringLiteral("CD Timeout");
    case 1008: return QStringLiteral("Receive Buffer Overflow");
    case 1009: return QStringLiteral("Parity Error");
    case 1010: return QStringLiteral("Transmit Buffer Full");
    default: return {};
    }
}

QString LanStateText(int state) {
    static const char* const names[] = {
        "Closed",         "Open",          "Listening",  "Connection Pending", "Resolving Host",
        "Host Resolved", "Connecting",    "Connected",  "Closing",            "Error",
    };
    const QString prefix = QStringLiteral("Connection Status: ");
    if (state < 0 || state > 9)
        return prefix + QStringLiteral("ERROR:") + kCrLf + QStringLiteral(" UNKNOWN CONNECTION STATE");
    return prefix + QLatin1String(names[state]);
}

int BaudRate(int baudIndex) {
    if (baudIndex < 0) baudIndex = 0;
    if (baudIndex >= kBaudCount) baudIndex = kBaudCount - 1;
    return baudIndex < 3 ? 9600 << baudIndex : 7200 << baudIndex;
}

QString SerialSettingsText(int baudIndex) {
    return QString::number(BaudRate(baudIndex)) + QStringLiteral(",n,8,1");
}

} // namespace ostrel
