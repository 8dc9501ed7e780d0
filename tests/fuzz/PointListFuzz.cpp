// The ".TRL" reader: any file is read without a crash, and a table it
// accepts is written and read again to the same table.
#include "FuzzInput.h"

#include "transients/PointListFile.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

bool sameTable(const PointTable& a, const PointTable& b) {
    return a.comment == b.comment && a.listCount == b.listCount && a.select == b.select &&
           a.startAtAngle == b.startAtAngle && a.startAngle == b.startAngle &&
           a.triggerSource == b.triggerSource && a.once == b.once && a.retrigger == b.retrigger &&
           a.columns == b.columns;
}

bool holdsUnstorable(const PointTable& t) {
    for (const QStringList& column : t.columns)
        for (const QString& cell : column)
            if (cell.contains(QLatin1Char('"')) || cell.contains(QLatin1Char('\r')) ||
                cell.contains(QLatin1Char('\n')))
                return true;
    return false;
}

QString show(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("(unreadable)");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.trl"));
    const QString output = dir.filePath(QStringLiteral("written.trl"));
    {
        QSaveFile f(input);
        Check(f.open(QIODevice::WriteOnly) &&
                  f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size) &&
                  f.commit(),
              "the input file is written", input);
    }

    QString error;
    const std::optional<PointTable> first = ReadPointListFile(input, error);
    if (!first) {
        Check(error.startsWith(input), "a refused file is named", error);
        return 0;
    }
    for (const QStringList& column : first->columns)
        Check(column.size() <= kMaxListPoints, "at most the list memory's points are read");

    // A cell holding a double quote or a line break (a lone carriage return
    // in a line) cannot be stored: the writer refuses the table and leaves
    // nothing behind.
    QFile::remove(output);
    if (!WritePointListFile(output, *first, error)) {
        Check(holdsUnstorable(*first), "only a cell that cannot be stored is refused", error);
        Check(error.contains(output) && !QFile::exists(output),
              "a refused table is named and nothing is written", error);
        return 0;
    }
    // Line breaks in the comment are stored as blanks.
    PointTable stored = *first;
    stored.comment.replace(QLatin1Char('\r'), QLatin1Char(' '));
    const std::optional<PointTable> second = ReadPointListFile(output, error);
    Check(second.has_value(), "a written table is read back",
          error + QStringLiteral("\n--- written:\n") + show(output));
    Check(sameTable(stored, *second), "a written table reads back the same", show(output));
    return 0;
}
