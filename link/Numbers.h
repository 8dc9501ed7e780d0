#pragma once
// Number text in both directions: to the source with a display mask and "."
// as the decimal point, and back from replies and operator entries.
#include <QChar>
#include <QString>
#include <QStringView>

namespace ostrel {

// Formats with a display mask: "0" digit (always shown), "#" digit (shown when
// significant), one optional ".". Rounds half away from zero on the decimal
// value, never truncates the integer part, no digit grouping, "." as the
// decimal point. A float is read to 7 significant digits, a double to 15, so
// 2.675f and 1.005 round the way the operator typed them.
QString FormatNumber(double value, QStringView mask);
QString FormatNumber(float value, QStringView mask);
inline QString FormatNumber(int value, QStringView mask) {
    return FormatNumber(static_cast<double>(value), mask);
}

// The leading number of a text, "." as decimal point ("  12.5 V" -> 12.5,
// "-113,\"Undefined header\"" -> -113, "ON" -> 0, "" -> 0).
double Val(QStringView text);

// The whole text (blanks around it allowed) as a number. The decimal point is
// "." or the given separator; digit grouping is never accepted, so "1,5" reads
// 1.5 with a comma separator and is refused with ".".
bool TryParseSingle(QStringView text, float& value, QChar decimalSeparator = QLatin1Char('.'));
// As TryParseSingle, 0 when the text is not a number.
float ParseSingle(QStringView text, QChar decimalSeparator = QLatin1Char('.'));

} // namespace ostrel
