#include "standards/StepGrid.h"

namespace ostrel {

QString StepGrid::cell(int row, int column) const {
    if (row == 0) return headers.value(column);
    if (row < 1 || row > rowCount()) return {};
    return rows[size_t(row - 1)].value(column);
}

void StepGrid::setCell(int row, int column, const QString& text) {
    if (column < 0 || column > columnCount()) return;
    if (row == 0) {
        headers[column] = text;
        return;
    }
    if (row < 1 || row > rowCount()) return;
    QStringList& cells = rows[size_t(row - 1)];
    while (cells.size() <= column) cells.append(QString());
    cells[column] = text;
}

StepGrid StepGrid::cleared() {
    StepGrid grid;
    grid.headers = {QString(), QStringLiteral("A")};
    grid.rows = {QStringList{QString(), QString()}};
    return grid;
}

} // namespace ostrel
