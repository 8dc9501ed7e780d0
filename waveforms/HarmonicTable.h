#pragma once
// A harmonic table: 25 rows of odd harmonics (1, 3 ... 49) and 25 of even
// ones (2, 4 ... 50), each an amplitude in percent of the fundamental and a
// phase in degrees, kept as the texts the grids show.
#include <QChar>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace ostrel {

inline constexpr int kHarmonicTableRows = 25;

struct HarmonicRow {
    QString oddAmplitude, oddPhase, evenAmplitude, evenPhase;
};
using HarmonicTable = std::array<HarmonicRow, kHarmonicTableRows>;

// "100" as the fundamental's amplitude and nothing else.
HarmonicTable NewHarmonicTable();

// A cell's number, read with "." or the decimal separator it is shown with;
// 0 for an empty cell, nothing for text that is not a number.
std::optional<double> HarmonicCellValue(const QString& text, QChar separator);

struct Harmonic {
    int order = 1;
    double percent = 0;
    double degrees = 0;
};
// Every harmonic whose amplitude is not 0, in rising order; a cell that
// does not hold a number reads as 0.
std::vector<Harmonic> TableHarmonics(const HarmonicTable& table, QChar separator);

// Total harmonic distortion of the table in percent of the fundamental;
// nothing without a fundamental.
std::optional<double> TableThdPercent(const std::vector<Harmonic>& harmonics);

// A number as the grids show it: "." replaced by the separator.
QString CellText(const QString& invariant, QChar separator);

} // namespace ostrel
