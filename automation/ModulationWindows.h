#pragma once
// The modulation and DC ripple windows' entries in the main window.
namespace ostrel {

class frmMain;
struct Program;

void RegisterModulationWindows(frmMain& main, Program& program);

} // namespace ostrel
