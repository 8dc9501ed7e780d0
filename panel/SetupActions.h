#pragma once
// The File menu's setup operations, the source's setup registers and the
// front-panel lock. The caller refills the panel afterwards.
#include <QString>

namespace ostrel {

struct Program;

// Reads and checks the whole file, then sends it. Nothing changes (neither
// OutputState nor the source) when the file is refused. True when sent.
bool OpenSetupFile(Program& program, const QString& path);

// The whole setting to the source (not in simulation), ending with the relay
// and a read of the error queue; any error is shown.
void SendWholeSetting(Program& program);

// The zero-current question; false when the operator says No.
bool ConfirmZeroCurrent(Program& program, bool forRegister);

// Save (saveAs false and a current name) or save as; updates `currentFile`.
bool SaveSetup(Program& program, QString& currentFile, bool saveAs);

// "*rst", readback, model set-up. False when the operator declined.
bool ResetSource(Program& program);

void SaveRegister(Program& program, int index);
// True when the recall was accepted (the panel then shows the read-back state).
bool RecallRegister(Program& program, int index);

// Locked: the source's front panel is disabled. Returns false with a message
// when there is no interface to the source.
bool SetFrontPanelLock(Program& program, bool locked);

} // namespace ostrel
