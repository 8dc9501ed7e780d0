#include "link/Decoders.h"

#include <utility>

namespace ostrel {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

QString GpibStatusText(const GpibStatus& status) {
    static constexpr std::pair<int, const char*> bits[] = {
        {0x8000, " ERR"},  {0x4000, " TIMO"}, {0x2000, " END"},  {0x1000, " SRQI"},
        {0x0800, " RQS"},  {0x0100, " CMPL"}, {0x0080, " LOK"},  {0x0040, " REM"},
        {0x0020, " CIC"},  {0x0010, " ATN"},  {0x0008, " TACS"}, {0x0004, " LACS"},
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
    static constexpr std::pair<int, const char*> texts[] = {
        {0, "iberr = EDVR <DOS Error>"},         {1, "iberr = ECIC <Not CIC>"},
        {2, "iberr = ENOL <No Listener>"},       {3, "iberr = EADR <Address Error>"},
        {4, "iberr = EARG <Invalid argument>"},  {5, "iberr = ESAC <Not Sys Ctrlr>"},
        {6, "iberr = EABO <Op. aborted>"},       {7, "iberr = ENEB <No GPIB board>"},
        {10, "iberr = EOIP <Async I/O in prg>"}, {11, "iberr = ECAP <No capability>"},
        {12, "iberr = EFSO <File sys. error>"},  {14, "iberr = EBUS <Command error>"},
        {15, "iberr = ESTB <Status byte lost>"}, {16, "iberr = ESRQ <SRQ stuck high>"},
        {20, "iberr = ETAB <Table overflow>"},
    };
    for (const auto& [code, text] : texts)
        if (code == status.iberr) return kCrLf + QLatin1String(text);
    return {};
}

QString GpibCountText(const GpibStatus& status) {
    return kCrLf + QStringLiteral("ibcnt = 0x") +
           QString::number(static_cast<unsigned>(status.ibcnt) & 0xFFFFu, 16).toUpper();
}

QString SerialEventText(int eventCode, int transmitPending) {
    if (eventCode == 1)
        return QStringLiteral("There are ") + QString::number(transmitPending) +
               QStringLiteral(" nr of chars in Xmit Buffer");
    static constexpr std::pair<int, const char*> texts[] = {
        {2, "Received RThreshold # of chars"},
        {6, "Change in Ring Indicator"},
        {1001, "Break Occured"},
        {1002, "CTS Timeout"},
        {1003, "DSR Timeout"},
        {1004, "Framing Error"},
        {1006, "Overrun Error"},
        {1007, "CD Timeout"},
        {1008, "Receive Buffer Overflow"},
        {1009, "Parity Error"},
        {1010, "Transmit Buffer Full"},
    };
    for (const auto& [code, text] : texts)
        if (code == eventCode) return QLatin1String(text);
    return {};
}

QString LanStateText(int state) {
    static const char* const names[] = {
        "Closed",         "Open",          "Listening",  "Connection Pending",
        "Resolving Host", "Host Resolved", "Connecting", "Connected",
        "Closing",        "Error",
    };
    const QString prefix = QStringLiteral("Connection Status: ");
    if (state < 0 || state > 9)
        return prefix + QStringLiteral("ERROR:") + kCrLf +
               QStringLiteral(" UNKNOWN CONNECTION STATE");
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
