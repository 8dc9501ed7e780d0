#include "measure/WriteRecords.h"

#include <QFile>
#include <QSaveFile>

#include <charconv>
#include <cmath>

namespace ostrel {

QString QuotedField(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString NumberField(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString DateField(const QDateTime& when) {
    return QLatin1Char('#') + when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QLatin1Char('#');
}

std::optional<QStringList> SplitRecord(QStringView line) {
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (true) {
        while (i < n && line[i] == QLatin1Char(' '))
            ++i;
        if (i < n && (line[i] == QLatin1Char('"') || line[i] == QLatin1Char('#'))) {
            const QChar mark = line[i];
            const qsizetype end = line.indexOf(mark, i + 1);
            if (end < 0) return std::nullopt;
            fields.append(line.mid(i + 1, end - i - 1).toString());
            i = end + 1;
            while (i < n && line[i] == QLatin1Char(' '))
                ++i;
            if (i < n && line[i] != QLatin1Char(',')) return std::nullopt;
        } else {
            qsizetype end = line.indexOf(QLatin1Char(','), i);
            if (end < 0) end = n;
            fields.append(line.mid(i, end - i).trimmed().toString());
            i = end;
        }
        if (i >= n) return fields;
        ++i; // the comma
    }
}

bool UnstorableInRecord(const QString& text) {
    return text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QLatin1Char('\r'));
}

bool WriteRecordFile(const QString& path, const QStringList& records, const QString& kind,
                     QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write((records.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        if (file.commit()) return true;
    }
    error =
        QStringLiteral("The %1 file %2 cannot be written: %3").arg(kind, path, file.errorString());
    return false;
}

bool ReadRecordFile(const QString& path, const QString& kind, QStringList& lines, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("The %1 file %2 cannot be opened: %3")
                    .arg(kind, path, file.errorString());
        return false;
    }
    lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    return true;
}

QString FormatScientific(double value) {
    if (!std::isfinite(value)) return QStringLiteral("0.00E+00");
    char buffer[48];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 2);
    return QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
}

} // namespace ostrel
