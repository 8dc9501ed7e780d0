#pragma once
// Setup files (".stp"): the whole steady-state setting in five lines of
// comma-separated invariant numbers — the model index; the global settings;
// one line per phase A, B, C.
#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <QString>

namespace ostrel {

inline const QString kSetupFilter = QStringLiteral("Setup (*.stp)|*.STP|All Files (*.*)|*.*");
inline const QString kWrongModelMessage =
    QStringLiteral("Sorry, the file you are trying to load is for a different AC source model. "
                   "Operation cancelled");

struct SetupReadResult {
    bool ok = false;
    bool wrongModel = false; // the file is for another model
    QString error;           // names the file and the line
    OutputState state;       // `current` with the file's fields applied
};

// Reads and checks the whole file before anything is taken from it: on any
// failure `state` is left as `current`. The fields the file does not hold
// (DC offset, impedance, sync) keep their present values.
SetupReadResult ReadSetupFile(const QString& path, const SourceModel& model, const OutputState& current);

// Writes through a temporary file; false with a message naming the file.
bool WriteSetupFile(const QString& path, int modelIndex, const OutputState& state, QString* error);

} // namespace ostrel
