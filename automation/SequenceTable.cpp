#include "automation/SequenceTable.h"

#include "config/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cmath>

namespace ostrel {

namespace {

const QString kMagic = QStringLiteral("OSTREL-SEQ 1");
// Longer than any line the program writes: a longer one is damaged input.
constexpr qsizetype kMaxLineBytes = 64 * 1024;

QString failure(const QString& name, int line, const QString& reason) {
    return name + QStringLiteral(", line ") + QString::number(line) + QStringLiteral(": ") + reason;
}

// Quoted cells with doubled inner quotes; a bare cell is taken as it stands.
std::optional<QStringList> splitCells(QStringView line) {
    QStringList cells;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        QString cell;
        if (i < n && line[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == u'"') {
                    if (i + 1 < n && line[i + 1] == u'"') {
                        cell += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                cell += line[i++];
            }
            if (!closed) return std::nullopt;
            if (i < n && line[i] != u',') return std::nullopt;
        } else {
            const qsizetype comma = line.indexOf(u',', i);
            const qsizetype end = comma < 0 ? n : comma;
            cell = line.mid(i, end - i).trimmed().toString();
            if (cell.contains(u'"')) return std::nullopt;
            i = end;
        }
        cells << cell;
        if (i >= n) break;
        ++i; // the comma
    }
    return cells;
}

QString quoted(QString cell) {
    cell.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    cell.replace(u'\r', u' ');
    cell.replace(u'\n', u' ');
    cell.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + cell + u'"';
}

bool numeric(const QString& cell) {
    if (cell.isEmpty()) return true;
    bool ok = false;
    const double v = cell.toDouble(&ok); // "." only: the file is locale-free
    return ok && std::isfinite(v);
}

} // namespace

QString SequenceHeading(int column, bool dc) {
    static const char* const kFixed[] = {"Step #", "Status", "F (Hz)", "Volt", "Cur Lim.", "Dwell (s)"};
    static const char* const kReadings[] = {"Vrms (V)", "Irms (A)", "Ipeak (A)", "Pwr(kW)", "PF"};
    if (column < SeqFirstReading) return QString::fromLatin1(kFixed[column]);
    const int k = (column - SeqFirstReading) / 3;
    switch ((column - SeqFirstReading) % 3) {
    case 1:
        return QStringLiteral("Hi lim ");
    case 2:
        return QStringLiteral("Lo lim ");
    default:
        break;
    }
    if (dc && k == SeqReadVoltage) return QStringLiteral("Vdc (V)");
    if (dc && k == SeqReadCurrent) return QStringLiteral("Idc (A)");
    return QString::fromLatin1(kReadings[k]);
}

QStringList SequenceHeadings(bool dc) {
    QStringList headings;
    for (int c = 0; c < kSequenceColumns; ++c)
        headings << SequenceHeading(c, dc);
    return headings;
}

QString SequenceReadingKey(int reading) {
    static const char* const kKeys[] = {"voltage", "current", "peak_current", "power_kw",
                                        "power_factor"};
    return QString::fromLatin1(kKeys[reading]);
}

SequenceRead ReadSequenceFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, path + QStringLiteral(": ") + file.errorString()};
    // A sequence holds at most 300 rows of short cells; anything far larger is not one.
    if (file.size() > 4 * 1024 * 1024)
        return {std::nullopt, failure(path, 1, QStringLiteral("the file is too large to be a sequence"))};
    return ParseSequenceText(file.readAll(), path);
}

SequenceRead ParseSequenceText(const QByteArray& bytes, const QString& name) {
    if (bytes.contains('\0'))
        return {std::nullopt, failure(name, int(bytes.left(bytes.indexOf('\0')).count('\n')) + 1,
                                      QStringLiteral("a NUL byte; this is not a sequence file"))};
    const QList<QByteArray> raw = bytes.split('\n');
    SequenceTable table;
    std::array<bool, 3> seen{};
    int phase = -1;
    bool headingNext = false;
    for (int i = 0; i < raw.size(); ++i) {
        const int number = i + 1;
        QByteArray bytesOfLine = raw[i];
        if (bytesOfLine.endsWith('\r')) bytesOfLine.chop(1);
        if (bytesOfLine.size() > kMaxLineBytes)
            return {std::nullopt, failure(name, number, QStringLiteral("the line is too long"))};
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString line = utf8(bytesOfLine);
        if (utf8.hasError())
            return {std::nullopt, failure(name, number, QStringLiteral("not UTF-8 text"))};
        if (i == 0) {
            if (line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
            if (line.trimmed() != kMagic)
                return {std::nullopt,
                        failure(name, number, QStringLiteral("the first line is not \"") + kMagic +
                                                  QStringLiteral("\""))};
            continue;
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty()) continue;
        if (trimmed.startsWith(u'[')) {
            static const QStringList kBlocks{QStringLiteral("[Phase A]"), QStringLiteral("[Phase B]"),
                                             QStringLiteral("[Phase C]")};
            phase = int(kBlocks.indexOf(trimmed));
            if (phase < 0)
                return {std::nullopt, failure(name, number, QStringLiteral("unknown block ") + trimmed)};
            if (seen[size_t(phase)])
                return {std::nullopt, failure(name, number, trimmed + QStringLiteral(" appears twice"))};
            seen[size_t(phase)] = true;
            headingNext = true;
            continue;
        }
        if (phase < 0)
            return {std::nullopt,
                    failure(name, number, QStringLiteral("a row before the first [Phase] block"))};
        const std::optional<QStringList> cells = splitCells(line);
        if (!cells)
            return {std::nullopt, failure(name, number, QStringLiteral("a cell's quotes do not close"))};
        if (cells->size() != kSequenceColumns)
            return {std::nullopt, failure(name, number,
                                          QStringLiteral("%1 cells, not %2")
                                              .arg(cells->size())
                                              .arg(kSequenceColumns))};
        if (headingNext) {
            headingNext = false;
            if (*cells == SequenceHeadings(false)) {
                table.dcHeadings = false;
                continue;
            }
            if (*cells == SequenceHeadings(true)) {
                table.dcHeadings = true;
                continue;
            }
            return {std::nullopt,
                    failure(name, number, QStringLiteral("not the headings of a sequence table"))};
        }
        auto& rows = table.phases[size_t(phase)];
        if (rows.size() >= size_t(kMaxSequenceRows))
            return {std::nullopt, failure(name, number,
                                          QStringLiteral("more than %1 rows").arg(kMaxSequenceRows))};
        SequenceRow row;
        for (int c = 0; c < kSequenceColumns; ++c) {
            const QString cell = (*cells)[c];
            if (SequenceNumericColumn(c) && !numeric(cell.trimmed()))
                return {std::nullopt, failure(name, number,
                                              QStringLiteral("\"") + SequenceHeading(c, table.dcHeadings) +
                                                  QStringLiteral("\" is not a number: ") + cell.left(40))};
            row[size_t(c)] = SequenceNumericColumn(c) ? cell.trimmed() : cell;
        }
        rows.push_back(row);
    }
    return {table, {}};
}

QByteArray SequenceFileText(const SequenceTable& table, bool dc) {
    QString text = kMagic + u'\n';
    static const char* const kBlocks[] = {"[Phase A]", "[Phase B]", "[Phase C]"};
    QStringList headings;
    for (const QString& h : SequenceHeadings(dc))
        headings << quoted(h);
    for (int p = 0; p < 3; ++p) {
        text += QString::fromLatin1(kBlocks[p]) + u'\n';
        text += headings.join(u',') + u'\n';
        for (const SequenceRow& row : table.phases[size_t(p)]) {
            QStringList cells;
            for (const QString& cell : row)
                cells << quoted(cell);
            text += cells.join(u',') + u'\n';
        }
    }
    return text.toUtf8();
}

bool WriteSequenceFile(const QString& path, const SequenceTable& table, bool dc, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SequenceFileText(table, dc)) < 0 ||
        !file.commit()) {
        error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

QString SequenceIniPath(const QString& seqPath) {
    const QFileInfo info(seqPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(base + QStringLiteral(".ini"));
}

SequenceUserData ReadSequenceUserData(const QString& iniPath) {
    SequenceUserData data;
    IniFile ini;
    if (!ini.load(iniPath)) return data;
    const QString section = QStringLiteral("UserData");
    data.testedBy = ini.value(section, u"TestedBy", data.testedBy);
    data.eut = ini.value(section, u"EUT", data.eut);
    data.comment = ini.value(section, u"Comment", data.comment);
    return data;
}

bool WriteSequenceUserData(const QString& iniPath, const SequenceUserData& data,
                           std::optional<bool> simulated, QString& error) {
    IniFile ini;
    if (!ini.load(iniPath)) {
        error = ini.errorText();
        return false;
    }
    const auto oneLine = [](QString text) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(u'\n', u' ');
        text.replace(u'\r', u' ');
        return text;
    };
    const QString section = QStringLiteral("UserData");
    ini.setValue(section, u"TestedBy", oneLine(data.testedBy));
    ini.setValue(section, u"EUT", oneLine(data.eut));
    ini.setValue(section, u"Comment", oneLine(data.comment));
    if (simulated)
        ini.setValue(u"RunData", u"Simulated", *simulated ? QStringLiteral("1") : QStringLiteral("0"));
    if (!ini.save(iniPath)) {
        error = ini.errorText();
        return false;
    }
    return true;
}

QString SequenceDataFileName(const QString& seqPath, const QDateTime& when) {
    const QFileInfo info(seqPath);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(base + u'_' + when.toString(QStringLiteral("yyyyMMdd_hhmmss")) +
                                      QStringLiteral(".seq"));
}

QString UniqueSequenceDataFileName(const QString& seqPath, const QDateTime& when) {
    const QString first = SequenceDataFileName(seqPath, when);
    if (!QFileInfo::exists(first)) return first;
    const QString stem = first.chopped(4);
    for (int n = 2;; ++n) {
        const QString next = stem + u'_' + QString::number(n) + QStringLiteral(".seq");
        if (!QFileInfo::exists(next)) return next;
    }
}

} // namespace ostrel
