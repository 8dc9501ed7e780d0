#pragma once
// The step table compiled into the source's list program: each row gives a
// main point and, for drops and surges/sags, a return point to the level in
// force before it; a start phase (AC) or a "Break" (DC) opens a segment.
#include "link/OutputState.h"
#include "link/SourceModel.h"
#include "transients/ListProgram.h"
#include "transients/StepTable.h"

#include <QString>

#include <array>
#include <optional>

namespace ostrel {

struct CompileOptions {
    int mode = ModeAC;                            // ModeAC, ModeDC or ModeACDC
    std::array<double, kListPhases> startLevel{}; // each phase's level before the first row
    double frequency = 60;                        // in force before the first row
    std::array<QString, kListPhases> waveform{QStringLiteral("sin"), QStringLiteral("sin"),
                                              QStringLiteral("sin")};
    double vnom = 120; // relative bases, already checked positive
    double fnom = 60;
    int listCapacity = 100;      // points one segment may hold
    double minimumDwell = 0.001; // seconds
    SourceModel model;           // voltage and frequency limits
    int triggerStep = 1;         // 1-based row whose main point sets trigger-out
    bool triggerOutList = false;
    int outputs = 1; // 1 or 3
};

struct CompileResult {
    std::optional<ListProgram> program; // none: refused
    QString error;                      // the operator's message when refused
    bool nothingToDo = false;           // the first row is empty
};

// The table's rows up to the first Empty one, checked and compiled. Nothing
// is half-done: a refusal carries no program.
CompileResult CompileStepTable(const StepTable& table, const CompileOptions& options);

inline const QString kNothingToDoMessage =
    QStringLiteral("First list data point is empty. Nothing to do.");

// The message for a segment that outgrows the source's list at `row`.
QString CapacityMessage(int row);

} // namespace ostrel
