#pragma once
// What the link does differently by platform: the GPIB library's names and
// calling convention, and the serial devices' names.
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstddef>

#if defined(_WIN32) && !defined(_WIN64)
#define OSTREL_GPIB_CALL __stdcall
#else
#define OSTREL_GPIB_CALL
#endif

namespace ostrel {

#if defined(_WIN32)
using GpibCount = std::size_t;
#else
using GpibCount = long;
#endif

// Libraries tried in order: the one named by OSTREL_GPIB_LIBRARY when set,
// else the platform's usual NI-488.2 implementations.
QStringList GpibLibraryNames();

// The device of serial port number `port` (1 = the first port).
QString SerialPortName(int port);

// Blocks up to `timeoutMs` until the socket has bytes to read or was closed
// by its peer; false on time-out. No events are processed.
bool WaitReadable(qintptr socketDescriptor, int timeoutMs);

} // namespace ostrel
