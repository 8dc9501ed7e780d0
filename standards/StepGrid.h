#pragma once
// The step grid of a test as plain text cells, the way the operator sees
// them (the locale's decimal separator): row 0 holds the headers, rows
// 1 .. rowCount() the steps; column 0 is the row-label column. The window's
// grid, the sequence file reader and the engine all trade in this record.
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

struct StepGrid {
    QStringList headers;           // headers[0 .. columnCount()]
    std::vector<QStringList> rows; // rows[r - 1][0 .. columnCount()]

    int columnCount() const { return int(headers.size()) - 1; } // data columns
    int rowCount() const { return int(rows.size()); }
    // An empty grid has one column and one row.
    bool empty() const { return columnCount() <= 1; }
    // "" outside the grid.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    // One row and one column headed "A" with an empty cell.
    static StepGrid cleared();
};

} // namespace ostrel
