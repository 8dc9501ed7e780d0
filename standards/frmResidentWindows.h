#pragma once
// The main window's entries of the resident option windows: enabled when the
// source reports the option, opened only on a steady state the option's
// tests can start from.
namespace ostrel {

class frmMain;
struct Program;

void RegisterResidentWindows(frmMain& main, Program& program);

} // namespace ostrel
