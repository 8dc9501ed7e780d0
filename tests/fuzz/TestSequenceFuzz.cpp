// The test-table engine's sequence files, with "." or "," as the grid's
// separator (by the input's size, so each has half the inputs): any file is read without a crash; a refusal names the file;
// an accepted grid holds its rows and columns, and is written over the file
// and read again to the same grid - a number only put in its column's form
// - and once written, a grid reads back cell for cell.
#include "FuzzInput.h"

#include "standards/TestFiles.h"
#include "standards/TestSteps.h"

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

QString gridText(const SequenceFile& f) {
    QString out = f.description + QLatin1Char('\n') + f.grid.headers.join(QLatin1Char('|'));
    for (const QStringList& row : f.grid.rows)
        out += QLatin1Char('\n') + row.join(QLatin1Char('|'));
    return out;
}

bool isNumber(const QString& cell) {
    return CellNumber(cell, QLatin1Char('.')) || CellNumber(cell, QLatin1Char(','));
}

// Written over the file and read again.
SequenceFile rewritten(const QString& path, const SequenceFile& file, QChar separator) {
    QString error;
    Check(WriteSequenceFile(path, file, separator, error), "an accepted grid is written", error);
    const std::optional<SequenceFile> back = ReadSequenceFile(path, separator, error);
    Check(back.has_value(), "a written grid is read back", error);
    return *back;
}

bool sameGrid(const SequenceFile& a, const SequenceFile& b) {
    return a.description == b.description && a.phaseDisplay == b.phaseDisplay && a.grid.headers == b.grid.headers &&
           a.grid.rows == b.grid.rows && a.widths == b.widths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QChar separator = size % 2 ? QLatin1Char(',') : QLatin1Char('.');
    const QString input = InputFile(QStringLiteral("input.ini"), data, size);
    QString error;
    const std::optional<SequenceFile> first = ReadSequenceFile(input, separator, error);
    if (!first) {
        Check(error.contains(input), "a refused file is named", error);
        return 0;
    }
    const int columns = first->grid.columnCount();
    Check(columns >= 1 && columns <= kMaxSequenceColumns, "1 to 25 columns", QString::number(columns));
    Check(first->grid.rowCount() >= 1 && first->grid.rowCount() <= kMaxTableRows, "1 to 10000 rows");
    Check(first->widths.size() == size_t(columns) + 1, "a width for every column and the labels");
    for (double w : first->widths)
        Check(std::isfinite(w) && w >= 0, "a width is a finite percentage", QString::number(w));
    for (const QStringList& row : first->grid.rows)
        Check(row.size() == columns + 1, "every row holds every column");

    // Over the file itself, as the window saves: its opening comments stay.
    const SequenceFile second = rewritten(input, *first, separator);
    const QString both = gridText(*first) + QStringLiteral("\n---\n") + gridText(second);
    Check(second.description == first->description && second.phaseDisplay == first->phaseDisplay &&
              second.grid.headers == first->grid.headers && second.grid.rowCount() == first->grid.rowCount(),
          "a written grid keeps its headers and rows", both);
    for (int r = 1; r <= second.grid.rowCount(); ++r)
        for (int c = 0; c <= columns; ++c) {
            const QString cell = first->grid.cell(r, c);
            Check(second.grid.cell(r, c) == cell || isNumber(cell), "a written cell reads back", both);
        }
    for (size_t c = 0; c < first->widths.size(); ++c)
        Check(second.widths[c] == std::round(first->widths[c]), "a width reads back whole",
              QString::number(first->widths[c]));
    Check(sameGrid(rewritten(input, second, separator), second), "a written grid reads back cell for cell",
          gridText(second));
    return 0;
}
