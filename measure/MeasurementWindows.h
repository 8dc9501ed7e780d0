#pragma once
// The measurement windows' entries in the main window: standard
// measurements, data logger, harmonic analysis, waveform capture and the
// watt-hour meter.
namespace ostrel {

class frmMain;
struct Program;

void RegisterMeasurementWindows(frmMain& main, Program& program);

} // namespace ostrel
