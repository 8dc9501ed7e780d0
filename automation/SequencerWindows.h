#pragma once
// The output sequencer's and the command macros' entries in the main window.
namespace ostrel {

class frmMain;
struct Program;

void RegisterSequencerWindows(frmMain& main, Program& program);

} // namespace ostrel
