#pragma once
// The transient windows' entries in the main window.
namespace ostrel {

class frmMain;
struct Program;

void RegisterTransientWindows(frmMain& main, Program& program);

} // namespace ostrel
