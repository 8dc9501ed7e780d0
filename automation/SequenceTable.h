#pragma once
// The output sequencer's step table: one grid of 21 columns per phase, the
// ".seq" file that keeps every cell (readings and status too, so a data file
// reopens with its results), its companion ".ini" of user data, and the
// names of the data files a run writes.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace ostrel {

constexpr int kSequenceColumns = 21;
constexpr int kMaxSequenceRows = 100;
constexpr int kSequenceReadings = 5;

enum SequenceColumn {
    SeqStep = 0,
    SeqStatus = 1,
    SeqFreq = 2,
    SeqVolt = 3,
    SeqCurr = 4,
    SeqDwell = 5,
    SeqFirstReading = 6, // reading k at 6 + 3k, its Hi limit beside it, then its Lo limit
};

enum SequenceReading { SeqReadVoltage, SeqReadCurrent, SeqReadPeakCurrent, SeqReadPower, SeqReadPowerFactor };

inline int ReadingColumn(int reading) { return SeqFirstReading + 3 * reading; }
inline int HiColumn(int reading) { return ReadingColumn(reading) + 1; }
inline int LoColumn(int reading) { return ReadingColumn(reading) + 2; }

// The grid's heading of a column; DC output reads "Vdc (V)" and "Idc (A)".
QString SequenceHeading(int column, bool dc);
QStringList SequenceHeadings(bool dc);
// Every column but "Step #" and "Status" holds a number or nothing.
inline bool SequenceNumericColumn(int column) { return column >= SeqFreq; }
// The name of a reading in the command-line tool's JSON.
QString SequenceReadingKey(int reading);

using SequenceRow = std::array<QString, kSequenceColumns>;

// Cells as typed, numbers with "." whatever the locale; rows in step order.
struct SequenceTable {
    std::array<std::vector<SequenceRow>, 3> phases;
    bool dcHeadings = false; // the heading set the file was written with
};

struct SequenceRead {
    std::optional<SequenceTable> table;
    QString error; // file + ", line " + n + ": " + reason
};

SequenceRead ReadSequenceFile(const QString& path);
SequenceRead ParseSequenceText(const QByteArray& bytes, const QString& name);
QByteArray SequenceFileText(const SequenceTable& table, bool dc);
// The whole file or nothing.
bool WriteSequenceFile(const QString& path, const SequenceTable& table, bool dc, QString& error);

struct SequenceUserData {
    QString testedBy = QStringLiteral("Test department");
    QString eut = QStringLiteral("Equipment Under Test model");
    QString comment = QStringLiteral("General information about test conditions");
};

// "burnin.seq" -> "burnin.ini".
QString SequenceIniPath(const QString& seqPath);
// Keys missing from the file keep the defaults above.
SequenceUserData ReadSequenceUserData(const QString& iniPath);
// [UserData] TestedBy, EUT, Comment; a data file's companion also says whether
// its readings were simulated ([RunData] Simulated).
bool WriteSequenceUserData(const QString& iniPath, const SequenceUserData& data,
                           std::optional<bool> simulated, QString& error);

// "burnin.seq" at 2024-01-31 14:25:02 -> "burnin_20240131_142502.seq" beside it.
QString SequenceDataFileName(const QString& seqPath, const QDateTime& when);
// The same name, or with "_2", "_3", ... when a file of that name exists.
QString UniqueSequenceDataFileName(const QString& seqPath, const QDateTime& when);

} // namespace ostrel
