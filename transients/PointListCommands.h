#pragma once
// What the list editor sends: its checks and list lines (Write), the run's
// set-up and start, and the reading of the source's lists (Read).
#include "link/QueryResult.h"
#include "transients/PointTable.h"

#include <QStringList>

namespace ostrel {

struct Program;

struct PointListTarget {
    bool dc = false;       // no frequency lists
    int outputs = 1;       // 1 or 3: phases the output addresses
    bool vkFamily = true;  // function lists; the acquisition offset
};

// The lines, or the refusal for the operator (then nothing may be sent).
struct PointListLines {
    QStringList lines;
    QString refusal;
};

// Write: the checks, then the dwell, repeat and acquisition trigger lists,
// the frequency lists or fixed frequency, and per phase its lists or fixed
// mode. An empty "Acq Trig" column goes out as "list:ttlt 0".
PointListLines PointListWriteCommands(const PointTable& table, const PointListTarget& target);

// The run's set-up: pacing and count, trigger source, retrigger, the
// acquisition trigger, the start angle. `acquisitionOffsetMs` is the
// waveform acquisition offset setting.
QStringList PointListRunSetup(const PointTable& table, const PointListTarget& target,
                              double acquisitionOffsetMs);

// The start: with acquisition trigger points the acquisition is armed first.
QStringList PointListStartCommands(const PointTable& table);

// Read: the source's lists into `table` (at most 100 points a list; `note`
// says when the source holds more) and its list count. The table changes
// only when every query was answered.
QueryFailure ReadPointLists(Program& program, const PointListTarget& target, PointTable& table,
                            QString& note);

} // namespace ostrel
