#pragma once
// The standard test windows' entries in the main window.
namespace ostrel {

class frmMain;
struct Program;

void RegisterStandardWindows(frmMain& main, Program& program);

} // namespace ostrel
