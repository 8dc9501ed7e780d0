// The test-table engine's structure tables: any file is read without a
// crash; a refusal names the file; an accepted table holds every row and
// column it declares, and nothing is read outside them.
#include "FuzzInput.h"

#include "standards/TestFiles.h"

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = InputFile(QStringLiteral("input.ini"), data, size);
    QString error;
    const std::optional<StructureTable> table = ReadStructureTable(input, error);
    if (!table) {
        Check(error.contains(input), "a refused file is named", error);
        return 0;
    }
    const int columns = table->columnCount();
    const int rows = int(table->rows.size());
    Check(columns >= 1 && columns <= kMaxStructureColumns, "1 to 12 columns", QString::number(columns));
    Check(rows >= 1 && rows <= kMaxTableRows, "1 to 10000 rows", QString::number(rows));
    Check(table->widths.size() == size_t(columns), "a width for every column");
    for (double w : table->widths)
        Check(std::isfinite(w) && w >= 0, "a width is a finite percentage", QString::number(w));
    for (const QStringList& row : table->rows)
        Check(row.size() == columns, "every row holds every column");
    // Outside the table a cell is empty; the labels and sequence names come from inside.
    for (const auto& [r, c] : {std::pair{0, 1}, {rows + 1, 1}, {1, 0}, {1, columns + 1}})
        Check(table->cell(r, c).isEmpty(), "a cell outside the table is empty");
    for (int r = 1; r <= rows; ++r) {
        Check(table->sequenceName(r) == table->rows[size_t(r - 1)].back(), "the sequence name is the last column");
        table->testLabel(r);
    }
    return 0;
}
