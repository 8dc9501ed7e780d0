#pragma once
// The point editor's table: one row per sample of the period, in volts.
#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>
#include <vector>

namespace ostrel {

// A row as the editor holds it: the text shown and, while that text is
// untouched, the sample it came from, so OK without an edit changes nothing.
struct EditRow {
    QString text;
    std::optional<float> sample;
};

// sample x Vpk, three decimals, with the decimal separator.
std::vector<EditRow> EditRows(std::span<const float> period, double vpk, QChar separator);

// Insert shifts the rows below down and drops the last one; delete shifts
// them up and appends "0". The row count stays.
void InsertRow(std::vector<EditRow>& rows, int at);
void DeleteRow(std::vector<EditRow>& rows, int at);

// The samples of the rows: each edited cell read as a real number ("." or
// the separator), divided by Vpk and limited to -1..+1. The first cell that
// is not a number: its row in `badRow`, nothing returned.
std::optional<std::vector<float>> EditedSamples(const std::vector<EditRow>& rows, double vpk,
                                                QChar separator, int& badRow);

QString EntryErrorMessage(int row);

} // namespace ostrel
