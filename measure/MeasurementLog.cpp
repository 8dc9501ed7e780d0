#include "measure/MeasurementLog.h"

#include "config/FileNames.h"
#include "link/Numbers.h"
#include "measure/WriteRecords.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace ostrel {

namespace {

const char* const kLineColumns[3] = {"Vac (V)", "Vab (V)", "Vbc (V)"};

QString columnName(const LogColumn& c) {
    if (c.phase < 0) return QString::fromLatin1(kLineColumns[c.readout]);
    return ReadoutColumn(c.readout, c.phase);
}

std::optional<float> columnValue(const LogColumn& c, const CycleResult& cycle,
                                 const LineVoltages& lines) {
    if (c.phase >= 0) return cycle.values[c.phase][c.readout];
    const std::optional<float> line[3] = {lines.vac, lines.vab, lines.vbc};
    return line[c.readout];
}

// A row cut short (the program was killed, or the machine lost power, inside
// its write) was never reported written; appending after it would glue the
// next row onto its fragment, so the file is cut back to its last whole line.
bool dropUnfinishedRow(QFile& file) {
    const qint64 size = file.size();
    if (size == 0) return true;
    qint64 end = size;
    constexpr qint64 kChunk = 4096;
    while (end > 0) {
        const qint64 from = std::max<qint64>(0, end - kChunk);
        if (!file.seek(from)) return false;
        const QByteArray tail = file.read(end - from);
        const qsizetype feed = tail.lastIndexOf('\n');
        if (feed >= 0) {
            end = from + feed + 1;
            break;
        }
        end = from;
    }
    return end == size || file.resize(end);
}

} // namespace

LogLayout MakeLogLayout(const std::array<bool, kPhaseCount>& phases,
                        const std::array<bool, kReadoutCount>& readouts, bool lineToLine,
                        bool dateTimeStamp, QChar delimiter) {
    LogLayout layout;
    layout.dateTimeStamp = dateTimeStamp;
    layout.delimiter = delimiter;
    for (int p = 0; p < kPhaseCount; ++p)
        for (int k = 0; k < kReadoutCount; ++k)
            if (phases[p] && readouts[k]) layout.columns.append({p, k});
    if (lineToLine)
        for (int i = 0; i < 3; ++i)
            layout.columns.append({-1, i});
    return layout;
}

QString LogFirstLine(const QDateTime& now, const QString& comment) {
    return DateField(now) + QLatin1Char(',') + QuotedField(comment);
}

QString LogHeader(const LogLayout& layout) {
    QStringList names;
    if (layout.dateTimeStamp)
        names << QStringLiteral("Date") << QStringLiteral("Time");
    else
        names << QStringLiteral("Time_serial");
    names << QStringLiteral("F (Hz)");
    for (const LogColumn& c : layout.columns)
        names << columnName(c);
    for (QString& n : names)
        n = QuotedField(n);
    return names.join(layout.delimiter);
}

double SerialDay(const QDateTime& when) {
    static const QDate epoch(1899, 12, 30);
    const QTime t = when.time();
    return double(epoch.daysTo(when.date())) + t.msecsSinceStartOfDay() / 86400000.0;
}

QString LogTimeStamp(const QDateTime& now, bool dateTimeStamp, QChar delimiter) {
    if (!dateTimeStamp) return FormatNumber(SerialDay(now), u"####0.00000");
    return now.toString(QStringLiteral("yyyy-MM-dd")) + delimiter +
           now.toString(QStringLiteral("HH:mm:ss"));
}

QString LogRow(const LogLayout& layout, const QDateTime& now, const CycleResult& cycle,
               const LineVoltages& lines) {
    QString row = LogTimeStamp(now, layout.dateTimeStamp, layout.delimiter) + layout.delimiter +
                  cycle.frequency;
    for (const LogColumn& c : layout.columns) {
        row += layout.delimiter;
        const std::optional<float> v = columnValue(c, cycle, lines);
        if (v) row += c.phase < 0 ? FormatNumber(*v, u"##0.00") : FormatReadout(c.readout, *v);
    }
    return row;
}

bool LogFile::open(const QString& path, bool append, QString& error) {
    file_.close();
    file_.setFileName(path);
    if (!append) {
        if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
    } else if (file_.open(QIODevice::ReadWrite) && dropUnfinishedRow(file_) && file_.seek(file_.size())) {
        return true;
    }
    error = QStringLiteral("The log file %1 cannot be opened: %2").arg(path, file_.errorString());
    file_.close();
    return false;
}

bool LogFile::writeLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + "\r\n";
    return file_.write(bytes) == bytes.size() && file_.flush();
}

bool BeginLog(LogFile& file, const QString& path, bool append, const QDateTime& now,
              const QString& comment, const QString& header, QString& error) {
    if (!file.open(path, append, error)) return false;
    // Appending to nothing starts a file like any other, so it still has its header.
    const bool continuing = append && QFileInfo(path).size() > 0;
    if (continuing || (file.writeLine(LogFirstLine(now, comment)) && file.writeLine(header)))
        return true;
    error = QStringLiteral("The log file %1 cannot be written.").arg(path);
    file.close();
    return false;
}

void SeedLogRecords(MeasurementState& state, const MeasurementSettings& settings, const QString& userDir) {
    const auto seed = [&userDir](LogSettings& s, const QString& file, int interval) {
        if (!s.path.isEmpty()) return;
        s.path = ResolveLogPath(file, userDir);
        s.intervalSeconds = interval;
    };
    seed(state.log[LogStandard], settings.measFile, settings.cycleInterval);
    seed(state.log[LogHarmonics], settings.harmFile, settings.harmLogInterval);
}

QString ResolveLogPath(const QString& path, const QString& userDir) {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) return path;
    return QDir(userDir).filePath(path);
}

QString LoggerFilePath(const QString& typed, QChar delimiter) {
    const QString path = typed.trimmed();
    return WithDefaultExtension(path, delimiter == QLatin1Char(',') ? QStringLiteral("csv")
                                                                    : QStringLiteral("txt"));
}

} // namespace ostrel
