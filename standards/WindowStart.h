#pragma once
// What a test window does when it opens, as plain functions the window and
// the command-line runner share.
#include "standards/TestStandard.h"

#include <QString>
#include <QStringList>

namespace ostrel {

struct Program;

struct WaveformDownloads {
    QStringList downloaded;
    QStringList failed;  // listed, with a file, whose transfer failed
    QStringList missing; // listed without a file
};
// On a connected source with waveform registers: each listed waveform whose
// file exists is deleted first when the source has it ("trac:del "), then
// downloaded; then the catalog is read again. Status texts as it goes.
WaveformDownloads DownloadWaveformList(Program& program, const TestStandard& standard, int revision);

// "inst:coup all"; lists to 0 V, max slew, the steady frequency, sine; no
// trigger-out; CheckError.
void ResetLists(Program& program);

// With waveform registers (the Vk family): the shortest sample interval,
// returned as the source reads it back ("" otherwise or on failure).
QString SetUpAcquisition(Program& program);

// Every text the window start shows goes to the status bar; a missing file
// or failed transfer does not stop it.
struct WindowStartResult {
    WaveformDownloads waveforms;
    QString sampleInterval;
    int defaultGroup = 0;
};
WindowStartResult RunWindowStart(Program& program, const TestStandard& standard, int revision);

} // namespace ostrel
