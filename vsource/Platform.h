#pragma once
// What differs by operating system for the virtual source: its pseudo-terminal
// and noticing that the process that started it has gone.
#include <QtGlobal>

#include <string>

namespace ostrel::vsource::platform {

struct Pty {
    qintptr master = -1; // read and written by the instrument, non-blocking
    qintptr slave = -1;  // held open so the master never sees a hang-up
    std::string path;    // what a serial client opens
};

// Opens a raw pseudo-terminal; false with a message when the platform has none.
bool openPty(Pty& pty, std::string& error);
void closePty(Pty& pty);

// Bytes read (0 when none are waiting), or -1 on an error.
qint64 readPty(const Pty& pty, char* buffer, qint64 size);
// Bytes written (0 when the terminal is full), or -1 on an error.
qint64 writePty(const Pty& pty, const char* data, qint64 size);

// A descriptor that turns readable when the process is asked to end (SIGTERM,
// SIGINT, SIGHUP), so that the event loop can close down cleanly; -1 when none.
qintptr terminationSignals();

// The descriptor of standard input, watched to end with the parent; -1 when it cannot be watched.
qintptr standardInput();
// True when standard input has reached its end.
bool standardInputClosed();

} // namespace ostrel::vsource::platform
