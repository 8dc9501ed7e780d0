#include "FuzzInput.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace ostrel::fuzz {

QString InputText(const uint8_t* data, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QStringList RecordLines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray RecordBytes(const QStringList& records) {
    return (records.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QString InputFile(const QString& name, const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QSaveFile f(path);
    Check(f.open(QIODevice::WriteOnly) &&
              f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size) && f.commit(),
          "the input file is written", path);
    return path;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void Fail(const char* check, const QString& detail) {
    std::fprintf(stderr, "fuzz check failed: %s\n%s\n", check, detail.toUtf8().constData());
    std::abort();
}

} // namespace ostrel::fuzz
