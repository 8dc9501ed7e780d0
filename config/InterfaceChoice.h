#pragma once
// What the interface dialog does with the transport the operator chose:
// verify it, apply it (falling back to simulation), and talk through it.
#include <QString>

#include <functional>

namespace ostrel {

struct Program;

struct InterfaceChoice {
    int bus = 0;           // 0 simulation, 1 RS-232, 2 GPIB, 3 LAN
    int serialPort = 1;    // port number
    QString serialDevice;  // a device path that overrides the port number ("" = none)
    int baudIndex = 6;
    int handshake = 1;
    int address = 1;
    int board = 0;
    QString ipAddress;
    int socketPort = 5025;
};

InterfaceChoice CurrentInterface(const Program& program);

// Identifies the source on the chosen transport: the model index or -1, and
// the text for the operator, which on failure names the address that did
// not answer and says that nothing was changed.
int VerifyInterface(Program& program, const InterfaceChoice& choice, QString& text);

// "LAN 10.0.0.5 port 5025", "GPIB board 0 address 1", "RS-232 port COM3".
QString VerifiedAddress(const InterfaceChoice& choice);

// Makes the choice the program's transport and opens it. A failure is shown
// and leaves the program in simulation; returns the bus in use afterwards.
// `lanProgress` receives the connection status lines while LAN connects.
int ApplyInterface(Program& program, const InterfaceChoice& choice,
                   const std::function<void(const QString&)>& lanProgress);

// The command terminal: sends the text on the chosen transport (a query's
// reply and any source errors go to `output`). Waits out "*RST" and "*TST".
void SendFromTerminal(Program& program, const InterfaceChoice& choice, const QString& command,
                      const std::function<void(const QString&)>& output);

} // namespace ostrel
