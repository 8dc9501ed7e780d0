#pragma once
// The list editor's table: the source's list memory point by point, one
// column per list, each column filled from the top with its own count. Cells
// hold the texts as entered, "." as the decimal point; a slew may be "max".
#include <QString>
#include <QStringList>

#include <array>

namespace ostrel {

constexpr int kPointColumns = 14;
constexpr int kMaxListPoints = 100;

enum PointColumn {
    ColDwell,
    ColFreq,
    ColFreqSlew,
    ColVoltA,
    ColSlewA,
    ColFunctionA,
    ColVoltB,
    ColSlewB,
    ColFunctionB,
    ColVoltC,
    ColSlewC,
    ColFunctionC,
    ColListRepeat,
    ColAcqTrig,
};

// The list selections, in the order of their boxes.
enum ListSelect { SelectFreq, SelectVoltA, SelectVoltB, SelectVoltC };

// Trigger sources in the order of the editor's options.
enum PointTrigger { PointTriggerImmediate, PointTriggerExternal, PointTriggerBus };

struct PointTable {
    QString comment;
    int listCount = 1;
    std::array<bool, 4> select{};
    bool startAtAngle = false; // else "Start Randomly"
    double startAngle = 0;
    int triggerSource = PointTriggerImmediate;
    bool once = false; // else "Auto": paced by the dwell times
    bool retrigger = false;
    // Cell texts per column, top down; an empty text is an empty cell.
    std::array<QStringList, kPointColumns> columns;
};

// Column headings as the editor shows them.
QString PointColumnHeading(int column);

// The first phase column (voltage) of phase 0..2, and its slew and function.
inline int VoltColumn(int phase) { return ColVoltA + 3 * phase; }
inline int SlewColumn(int phase) { return ColSlewA + 3 * phase; }
inline int FunctionColumn(int phase) { return ColFunctionA + 3 * phase; }

// The count of a column: its filled cells from the top. A filled cell below
// an empty one is a gap: -1, with `gapRow` the 1-based row of that cell.
int ColumnCount(const QStringList& cells, int& gapRow);

} // namespace ostrel
