#pragma once
// Delimited measurement log files. The columns are fixed when logging starts;
// the header and every row come from the same column list, so a row can never
// shift against its header. Numbers are written with "." as decimal point.
#include "config/Settings.h"
#include "measure/MeasurementState.h"
#include "measure/StandardMeasurement.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QVector>

namespace ostrel {

// A phase readout, or with phase -1 a line-to-line voltage (0 Vac, 1 Vab, 2 Vbc).
struct LogColumn {
    int phase = 0;
    int readout = 0;
};

struct LogLayout {
    bool dateTimeStamp = true;
    QChar delimiter = QLatin1Char(',');
    QVector<LogColumn> columns;
};

LogLayout MakeLogLayout(const std::array<bool, kPhaseCount>& phases,
                        const std::array<bool, kReadoutCount>& readouts, bool lineToLine,
                        bool dateTimeStamp, QChar delimiter);

// The first line of a new file: the date-time and the comment as "write" fields.
QString LogFirstLine(const QDateTime& now, const QString& comment);
QString LogHeader(const LogLayout& layout);
// The time stamp fields of a row: date and time, or the serial day number.
QString LogTimeStamp(const QDateTime& now, bool dateTimeStamp, QChar delimiter);
// One data row; a column that was not read in this cycle is left empty.
QString LogRow(const LogLayout& layout, const QDateTime& now, const CycleResult& cycle,
               const LineVoltages& lines);

// Days since 1899-12-30 with the time of day as fraction.
double SerialDay(const QDateTime& when);

// A log file that is written one whole line at a time and flushed after each.
class LogFile {
public:
    // Overwrites or appends; before appending, a last row left unfinished
    // (the writer died inside it) is cut off. On failure `error` names the file.
    bool open(const QString& path, bool append, QString& error);
    bool writeLine(const QString& line);
    void close() { file_.close(); }
    QString path() const { return file_.fileName(); }

private:
    QFile file_;
};

// Opens a log for a run: appending adds rows after the existing ones; a new
// (or empty) file gets the first line and the header.
bool BeginLog(LogFile& file, const QString& path, bool append, const QDateTime& now,
              const QString& comment, const QString& header, QString& error);

// Records not yet given a file take the file and interval of the settings;
// a file named without a folder is in the user folder, and shown so.
void SeedLogRecords(MeasurementState& state, const MeasurementSettings& settings, const QString& userDir);

// The log path of a record: a relative path is under the user folder.
QString ResolveLogPath(const QString& path, const QString& userDir);

// The path the logger dialog accepts: "" when empty, else with ".csv" (comma
// delimiter) or ".txt" added when the file name has no extension.
QString LoggerFilePath(const QString& typed, QChar delimiter);

} // namespace ostrel
