#include "transients/PointTable.h"

namespace ostrel {

QString PointColumnHeading(int column) {
    static const char* const kHeadings[kPointColumns] = {
        "Dwell",    "Freq.", "FSlew",   "Volt(A)",  "Slew", "Function", "Volt(B)",
        "Slew",     "Function", "Volt(C)", "Slew", "Function", "Repeat",  "Acq Trig"};
    return column >= 0 && column < kPointColumns ? QString::fromLatin1(kHeadings[column])
                                                 : QString();
}

int ColumnCount(const QStringList& cells, int& gapRow) {
    int count = 0;
    while (count < cells.size() && !cells[count].trimmed().isEmpty())
        ++count;
    for (int row = count; row < cells.size(); ++row) {
        if (cells[row].trimmed().isEmpty()) continue;
        gapRow = row + 1;
        return -1;
    }
    return count;
}

} // namespace ostrel
