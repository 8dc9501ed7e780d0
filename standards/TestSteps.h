#pragma once
// The engine's operations on a step grid: columns by header, linked step
// groups, planned times, durations, and the checks a run makes before it
// sends anything. Plain functions over the grid record.
#include "standards/StepGrid.h"

#include <QChar>
#include <QString>

#include <optional>
#include <vector>

namespace ostrel {

struct SourceModel;
struct OutputState;

constexpr int kMaxGroupSteps = 100;

// Fixed positions the engine programs from.
enum StepColumn {
    ColFreq = 1,
    ColFreqSlew = 2,
    ColVoltA = 3, // phase p: voltage 3p, slew 3p + 1, shape 3p + 2
    ColDwell = 12,
    ColLoop = 13,
};

// The first data column headed exactly `header`, 0 when none is.
int FindColumn(const StepGrid& grid, const QString& header);
// row + the "Link" value (negative counts as 0), at most the last row; row
// itself without a "Link" column or with an empty or non-integer cell.
int LastStepOfGroup(const StepGrid& grid, int row);

struct StepGroupSpan {
    int first = 1;
    int last = 1;
    int steps() const { return last - first + 1; }
};
// The linked groups from row 1 to the last row.
std::vector<StepGroupSpan> StepGroups(const StepGrid& grid);

// Seconds a run takes by its dwells and loops: Loop empty or 0 counts as 1,
// an empty dwell as 0.001 s, Link clamped to the last row.
double TotalTestTime(const StepGrid& grid, QChar decimalSeparator);
// The same for the one group that starts on `row`.
double StepGroupTime(const StepGrid& grid, int row, QChar decimalSeparator);

// "000:01:02:03" for 3723 seconds; days, then a time of day.
QString FormatDuration(double seconds);

// The highest voltage of the present mode and range (range index 0 or 1).
double RangeMaximum(const SourceModel& model, const OutputState& out);
// The last row whose voltage of a programmed phase exceeds `maximum`; 0 when none.
int CheckVoltages(const StepGrid& grid, bool threePhase, double maximum, QChar decimalSeparator);
// The last row whose frequency lies outside the model's limits; 0 when none.
int CheckFrequencies(const StepGrid& grid, double minHz, double maxHz, QChar decimalSeparator);

// The checks that refuse a run before anything is sent; "" when it may run.
// Fixed columns carry their headers; every cell the run programs holds a
// number (a slew may read MAX; Loop and Link empty or integers).
QString CheckStepColumns(const StepGrid& grid);
QString CheckStepCells(const StepGrid& grid, bool dc, bool threePhase, QChar decimalSeparator);
// A group of more steps than the source's lists hold.
QString CheckGroupSizes(const StepGrid& grid);

// A cell as a number: the locale's separator or "."; none when it is not one.
std::optional<double> CellNumber(const QString& text, QChar decimalSeparator);
bool IsMax(const QString& text); // "MAX" in any case

} // namespace ostrel
