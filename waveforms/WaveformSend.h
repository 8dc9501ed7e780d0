#pragma once
// Sending one period to a named register of the source, as the waveform
// windows and ostrel-cli do it: clear the error queue, refuse without a
// source, download, pause, read the error queue again.
#include <QString>

#include <span>

namespace ostrel {

struct Program;

enum class SendResult {
    Done,        // taken by the source
    NoSource,    // simulation: nothing was sent
    MemoryFull,  // the definition was refused; no samples were sent
    SourceError, // the source reported an error for the waveform
    LinkLost,    // the connection failed during the transfer
};

struct SendOutcome {
    SendResult result = SendResult::Done;
    QString sourceError; // the error queue's text, CR LF separated
    bool sent() const { return result != SendResult::NoSource; }
};

inline constexpr int kTransferPauseMs = 1000;

// Sends samples 0..1023 under `name` (already checked). Sets the program's
// waveform-transfer flag while it runs and tells the operator of every
// failure.
SendOutcome SendWaveform(Program& program, const QString& name, std::span<const float> samples,
                         int pauseMs = kTransferPauseMs);

} // namespace ostrel
