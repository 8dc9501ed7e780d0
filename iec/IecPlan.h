#pragma once
// The run plan: every command and wait of a dips or variations test, as a
// pure function of the test file, the nominal values, the phase mode and the
// options. The window, the runner and "Test time = " all read it.
#include "iec/IecTestFile.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

enum class IecTable { Dips, Variations };

struct IecPlanOptions {
    IecTable table = IecTable::Dips;
    bool threePhase = false;
    bool advanced = false; // the source has the "Advanced" option
    int outputs = 1;       // a multi-output source closes each relay
};

// Inrush pre-test constants.
constexpr double kInrushZeroSeconds = 5;      // 0 V before each attempt
constexpr double kInrushPointSeconds = 1;     // the one-point list at Unom
constexpr double kInrushPauseSeconds = 60;    // at Unom between the attempts
constexpr double kInrushMargin = 1.3;         // peak × this against the capability
constexpr double kInrushCapabilityFactor = 3; // × √2 × CurrentMax
constexpr double kInitSettleSeconds = 1;      // after "inst:nsel 1", before reading
constexpr double kVoltageTolerance = 2.3;     // V, the output check after closing
constexpr double kBlankSeconds = 10;          // Unom after each variation

struct IecStep {
    int row = 0;                   // 0-based table row
    int level = 0;                 // % Unom
    double cycles = 0;             // dips: the dip duration
    double td = 0, ts = 0, ti = 0; // variations, cycles
    QString phase;                 // the sync angle as sent
    int repetitions = 1;
    QString dwell;         // the dip (or first point's) dwell as sent
    QString recovery;      // the time at Unom after it as sent
    QStringList program;   // list and sync lines, then CheckError
    QStringList start;     // then CheckError and the idle wait
    double seconds = 0;    // one start: every repetition
    double delayAfter = 0; // seconds, when the row does not pause
    bool pause = false;    // the operator is asked after the row
};

struct IecPlan {
    QStringList init;       // before "outp 1"
    QStringList closeRelay; // "outp 1" per output
    QStringList check;      // "inst:nsel 1", then the settle wait and the reading
    std::vector<IecStep> steps;
    QStringList end;    // the restore after the verdict or an abort
    double seconds = 0; // the whole test, pre-test included
};

IecPlan PlanIecTest(const IecTestFile& file, const IecPlanOptions& options);

// The "Test time = hh:mm:ss" of the window.
QString IecTestTimeText(double seconds);
// 0 <= a < 360, as ":trig:sync:phas" takes it ("##0.0").
QString IecSyncAngle(double degrees);

// The inrush pre-test: the lines of one attempt at `angle`, the pause and the end.
struct IecInrushPlan {
    QStringList zero;    // then kInrushZeroSeconds
    QStringList attempt; // reset, list, sync, acquisition, start; then CheckError and IDLE
    QString peakQuery;   // "fetc:curr:ampl:max?"
    QStringList pause;   // at Unom, then kInrushPauseSeconds
    QStringList finish;  // TTL and list count back
};
IecInrushPlan PlanIecInrush(const IecTestFile& file, double angle);
constexpr double kInrushAngles[2] = {90, 270};
double IecInrushSeconds();

// The source's inrush capability: 3 × √2 × CurrentMax.
double IecInrushCapability(double currentMax);
// "Peak inrush current is OK, 12.345 Amps" or "... TOO HIGH, ..."
QString IecInrushText(double peak, double currentMax);
bool IecInrushTooHigh(double peak, double currentMax);

} // namespace ostrel
