#pragma once
// The link's program-wide values besides the transport settings: trace
// switches, busy markers, LAN time-out and the GPIB status of the last call.
#include <QString>

#include <array>
#include <stdexcept>

namespace ostrel {

struct GpibStatus {
    int ibsta = 0;
    int iberr = 0;
    int ibcnt = 0;
    bool globalsRegistered = false;
};

constexpr int kGpibErr = 0x8000;
constexpr int kGpibTimo = 0x4000;
constexpr int kGpibEnd = 0x2000;

enum BusyMarker { BusyQuery = 0, BusySerialWrite = 1, BusySerialWriteRaw = 2 };

struct LinkState {
    bool traceCommands = false;  // owned by the bus monitor window
    bool traceResponses = false; // owned by the bus monitor window
    bool queryInProgress = false;
    std::array<bool, 3> busy{};
    int lanTimeoutMs = 0; // 0 = not yet set
    bool lanConnected = false;
    GpibStatus gpib;
    // A serial device by name (a USB adapter, a pseudo-terminal); when empty
    // the port number of the settings names the platform's port.
    QString serialPortName;
    // The source's identity reply, read when the link was opened: the known
    // answer that tells a resynchronised stream.
    QString identity;
    // Lost: the transport failed or the source stopped answering. Nothing is
    // sent until the transport is opened again.
    bool lost = false;
    QString lostReason;
    int timeoutsInRow = 0;
};

// A failure the caller's error handler shows, with its number.
class LinkError : public std::runtime_error {
public:
    LinkError(int number, const QString& text)
        : std::runtime_error(text.toStdString()), number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

} // namespace ostrel
