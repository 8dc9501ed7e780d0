#pragma once
// Harmonic table files (".hwv", and the window's "lastsave.$$$"): one record
// per row of four quoted texts - odd amplitude, odd phase, even amplitude,
// even phase - with "." as the decimal point.
#include "waveforms/HarmonicTable.h"

#include <QString>

#include <optional>

namespace ostrel {

inline const QString kHarmonicTableFilter =
    QStringLiteral("Harmonic Table (*.hwv)|*.HWV|All Files (*.*)|*.*");
inline const QString kLastSaveFile = QStringLiteral("lastsave.$$$");

// The cells as the grids show them (`separator` as decimal point). Older
// files written with the separator read as well. Refused, naming the file
// and line: a record that is not four fields, more than 25 records, a
// non-empty field that is not a number.
std::optional<HarmonicTable> ReadHarmonicTableFile(const QString& path, QChar separator,
                                                   QString& error);
// The whole file or nothing; a cell that is not a number is written empty.
bool WriteHarmonicTableFile(const QString& path, const HarmonicTable& table, QChar separator,
                            QString& error);

} // namespace ostrel
