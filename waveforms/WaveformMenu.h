#pragma once
// The waveform windows' entries in the main window.
namespace ostrel {

class frmMain;
struct Program;

void RegisterWaveformWindows(frmMain& main, Program& program);

} // namespace ostrel
