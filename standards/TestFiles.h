#pragma once
// Structure tables and test sequence files (INI format). Readers refuse a
// damaged or hostile file naming the file and the line or key, and never
// hand out a partly read table; numbers are "." on disk and the locale's
// separator in the grid. Writers replace the whole file or nothing.
#include "standards/StepGrid.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace ostrel {

constexpr int kMaxStructureColumns = 12;
constexpr int kMaxSequenceColumns = 25;
constexpr int kMaxTableRows = 10000;

struct StructureTable {
    QString description;        // lblTableHeader
    QStringList headers;        // columns 1 .. NoCols
    std::vector<double> widths; // percent of the usable grid width
    std::vector<QStringList> rows; // rows[r - 1][c - 1]
    int columnCount() const { return int(headers.size()); }
    // Cell (row, column), both from 1; "" outside the table.
    QString cell(int row, int column) const;
    // The last column: the base name of the row's sequence file ("" for none).
    QString sequenceName(int row) const { return cell(row, columnCount()); }
    // Column 1 + column 2 + TAB + column 3.
    QString testLabel(int row) const;
};

struct SequenceFile {
    QString description; // txtTestFileHeader
    bool phaseDisplay = true;
    StepGrid grid;              // cells as shown, with the locale's separator
    std::vector<double> widths; // columns 0 .. NoCols, percent
};

std::optional<StructureTable> ReadStructureTable(const QString& path, QString& error);
std::optional<SequenceFile> ReadSequenceFile(const QString& path, QChar decimalSeparator,
                                             QString& error);
// Cells through the write masks, "." on disk. The ";" lines that open an
// existing file are kept.
bool WriteSequenceFile(const QString& path, const SequenceFile& file, QChar decimalSeparator,
                       QString& error);

// The display and disk forms of one cell under its column header.
QString CellForDisplay(const QString& header, const QString& disk, QChar decimalSeparator);
QString CellForDisk(const QString& header, const QString& shown, QChar decimalSeparator);

// The user library list and the waveform list: one name a line, plain or
// quoted, blank lines skipped. A missing file is an empty list.
QStringList ReadNameList(const QString& path);

} // namespace ostrel
