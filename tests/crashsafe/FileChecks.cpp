#include "FileChecks.h"

#include <QFile>
#include <QRegularExpression>

namespace ostrel::crashsafe {

namespace {

const QByteArray kLineEnd = "\r\n";

bool readAll(const QString& path, QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bytes = file.readAll();
    return true;
}

bool sameParts(const DocxPackage& a, const DocxPackage& b) {
    if (a.parts.size() != b.parts.size()) return false;
    for (qsizetype i = 0; i < a.parts.size(); ++i)
        if (a.parts[i].name != b.parts[i].name || a.parts[i].data != b.parts[i].data) return false;
    return true;
}

} // namespace

QByteArray WithoutPdfDates(QByteArray pdf) {
    static const QRegularExpression date(QStringLiteral(R"(/CreationDate \(D:[^)]*\))"));
    QString text = QString::fromLatin1(pdf);
    text.replace(date, QStringLiteral("/CreationDate ()"));
    return text.toLatin1();
}

bool LoadExpected(Check check, const QString& pathA, const QString& pathB, ExpectedFile& out,
                  QString& error) {
    out.check = check;
    const QString paths[2] = {pathA, pathB};
    for (int which = 0; which < 2; ++which) {
        if (!readAll(paths[which], out.bytes[size_t(which)])) {
            error = paths[which] + QStringLiteral(" cannot be read");
            return false;
        }
        if (check == Check::PdfBody)
            out.bytes[size_t(which)] = WithoutPdfDates(out.bytes[size_t(which)]);
        if (check == Check::DocxParts &&
            !ReadDocxPackage(paths[which], paths[which], out.docx[size_t(which)], error))
            return false;
    }
    if (out.bytes[0] == out.bytes[1]) {
        error = QStringLiteral("A and B are the same: a mix would not show");
        return false;
    }
    return true;
}

int WhichContent(const ExpectedFile& expected, const QString& path, QString& why) {
    QByteArray bytes;
    if (!readAll(path, bytes)) {
        why = QStringLiteral("missing");
        return -1;
    }
    if (expected.check == Check::DocxParts) {
        DocxPackage package;
        QString error;
        if (!ReadDocxPackage(path, path, package, error)) {
            why = QStringLiteral("not a whole document (%1 bytes): %2").arg(bytes.size()).arg(error);
            return -1;
        }
        for (int which = 0; which < 2; ++which)
            if (sameParts(package, expected.docx[size_t(which)])) return which;
        why = QStringLiteral("a document whose parts are neither A's nor B's");
        return -1;
    }
    if (expected.check == Check::PdfBody) bytes = WithoutPdfDates(bytes);
    for (int which = 0; which < 2; ++which)
        if (bytes == expected.bytes[size_t(which)]) return which;
    why = QStringLiteral("%1 bytes, neither A (%2) nor B (%3)")
              .arg(bytes.size())
              .arg(expected.bytes[0].size())
              .arg(expected.bytes[1].size());
    return -1;
}

bool LogCheck::start(const QByteArray& file, QString& why) {
    const QList<QByteArray> lines = file.split('\n');
    if (lines.size() != 3 || !file.endsWith(kLineEnd) ||
        lines[1] != LogHeaderText().toUtf8() + '\r') {
        why = QStringLiteral("the new log is not its first line and header: ") +
              QString::fromUtf8(file.left(200));
        return false;
    }
    checked_ = file;
    return true;
}

bool LogCheck::afterKill(const QByteArray& file, int worker, int done, QString& why) {
    if (!file.startsWith(checked_)) {
        why = QStringLiteral("rows checked after an earlier kill changed or went missing");
        return false;
    }
    qsizetype at = checked_.size();
    int rows = 0;
    bool torn = false;
    while (at < file.size()) {
        const QByteArray row = LogRowText(worker, rows + 1).toUtf8() + kLineEnd;
        const QByteArray rest = file.mid(at);
        if (rest.startsWith(row)) {
            at += row.size();
            ++rows;
            continue;
        }
        // A kill inside the write(2) of a row that crosses a page may leave
        // its first part: only the row not yet reported done may be cut so.
        if (rows == done && rest.size() < row.size() && row.startsWith(rest)) {
            torn = true;
            break;
        }
        why = QStringLiteral("after row %1 of writer %2 come %3 bytes that are no row of it: \"%4\"")
                  .arg(rows)
                  .arg(worker)
                  .arg(rest.size())
                  .arg(QString::fromUtf8(rest.left(300)));
        return false;
    }
    if (rows < done || rows > done + 1) {
        why = QStringLiteral("writer %1 reported %2 rows flushed, the file holds %3")
                  .arg(worker)
                  .arg(done)
                  .arg(rows);
        return false;
    }
    // A torn row is not kept: the next writer must cut it off before its
    // own rows, or they would not follow on from here.
    checked_ = file.left(at);
    tornRows_ += torn ? 1 : 0;
    return true;
}

} // namespace ostrel::crashsafe
