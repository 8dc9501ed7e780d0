#pragma once
// Bus, serial and socket status turned into the texts the operator reads.
#include "link/LinkState.h"

#include <QString>

namespace ostrel {

// CR LF + "ibsta = &H<hex> <" + the names of the set bits + ">".
QString GpibStatusText(const GpibStatus& status);
// CR LF + the iberr text; "" for an error code without one.
QString GpibErrorText(const GpibStatus& status);
// CR LF + "ibcnt = 0x<hex>".
QString GpibCountText(const GpibStatus& status);

// Status-bar text for a serial port event code; "" for codes without one.
QString SerialEventText(int eventCode, int transmitPending);

// Socket state codes as the operator knows them.
enum LanStateCode {
    LanClosed = 0,
    LanOpen = 1,
    LanListening = 2,
    LanConnectionPending = 3,
    LanResolvingHost = 4,
    LanHostResolved = 5,
    LanConnecting = 6,
    LanConnected = 7,
    LanClosing = 8,
    LanError = 9,
};
QString LanStateText(int state);

// The baud list: index 0..6 gives 9600, 19200, 38400, 57600, 115200, 230400, 460800.
constexpr int kBaudCount = 7;
int BaudRate(int baudIndex);
// "<baud>,n,8,1"
QString SerialSettingsText(int baudIndex);

} // namespace ostrel
