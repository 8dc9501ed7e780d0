#pragma once
// A linked step group as the source's list commands, and the command blocks
// around a run. Pure: the same grid and options always give the same lines,
// so tests compare them with literal text.
#include "standards/HfFactors.h"
#include "standards/StepGrid.h"

#include <QChar>
#include <QString>
#include <QStringList>

namespace ostrel {

struct OutputState;

struct CompileOptions {
    bool dc = false;
    bool threePhase = false;
    bool triggerOutBot = false; // "BoT" instead of "List"
    HfFactors factors;
    QChar decimalSeparator = QLatin1Char('.');
};

struct CompiledGroup {
    QStringList lines; // frequency lists, per phase voltage and shape, dwell and count, trigger-out
    int points = 0;
    int count = 1;        // passes: Loop of the first step, empty or 0 = 1
    double dwellSum = 0;  // seconds of one pass
    QString error;        // a cell that is not a number: nothing to send
    double seconds() const { return dwellSum * count; }
};

CompiledGroup CompileGroup(const StepGrid& grid, int firstRow, int lastRow,
                           const CompileOptions& options);

QStringList SetListModesLines(bool dc, bool threePhase);
QStringList SetTriggeringLines(bool dc, bool triggerOutBot, double angle, int count);
QStringList ResetListsLines(bool dc, double steadyFrequency);
QStringList SetFixedModesLines(int outputMode);
// The main panel's steady state again, per mode and phase count.
QStringList SteadyStateLines(const OutputState& out, bool threePhase);

} // namespace ostrel
