#pragma once
// Comma-separated "write" records of the data files: text in double quotes,
// numbers in invariant form, dates between "#" signs, one record per line.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace ostrel {

QString QuotedField(const QString& text);
// The shortest text that reads back as the same single-precision value.
QString NumberField(float value);
QString DateField(const QDateTime& when);

// The fields of one record, quotes and "#" signs removed; nullopt when a
// quoted field is not closed or is followed by anything but a comma.
std::optional<QStringList> SplitRecord(QStringView line);

// A double quote or a line break cannot be stored in a record: quoted again
// it would not read back.
bool UnstorableInRecord(const QString& text);
inline const QString kUnstorableReason =
    QStringLiteral("a double quote or a line break cannot be stored");

// Writes the records as CR LF lines, the whole file or nothing. `kind` names
// the file in the message ("waveform data", "harmonic data").
bool WriteRecordFile(const QString& path, const QStringList& records, const QString& kind,
                     QString& error);
// The file's lines without their line ends, trailing blank lines dropped.
bool ReadRecordFile(const QString& path, const QString& kind, QStringList& lines, QString& error);

// "1.23E+02": two decimals, signed two-digit exponent.
QString FormatScientific(double value);

} // namespace ostrel
