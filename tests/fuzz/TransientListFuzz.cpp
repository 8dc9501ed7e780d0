// The ".tls"/".dtl" reader: any bytes are read without a crash, and a table
// it accepts and can store is written and read again to the same table.
#include "FuzzInput.h"

#include "transients/TransientListFile.h"

#include <QRegularExpression>

#include <algorithm>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

const QString kFile = QStringLiteral("fuzz.tls");

bool blankRow(const StepRow& row) {
    return std::all_of(row.begin(), row.end(), [](const QString& c) { return c.trimmed().isEmpty(); });
}

// The table as a file keeps it: line breaks in the comment become blanks and
// blank rows after the last step are left out; every other field stays as read.
StepTable asStored(StepTable t) {
    static const QRegularExpression lineBreaks(QStringLiteral("\r\n|\r|\n"));
    t.comment.replace(lineBreaks, QStringLiteral(" "));
    while (!t.rows.empty() && blankRow(t.rows.back()))
        t.rows.pop_back();
    return t;
}

bool sameTable(const StepTable& a, const StepTable& b) {
    return a.rows == b.rows && a.relative == b.relative && a.vnomText == b.vnomText &&
           a.fnomText == b.fnomText && a.cycles == b.cycles && a.useSteadyState == b.useSteadyState &&
           a.phases == b.phases && a.continuous == b.continuous && a.runCount == b.runCount &&
           a.triggerSource == b.triggerSource && a.autoPacing == b.autoPacing &&
           a.popup == b.popup && a.comment == b.comment && a.triggerStep == b.triggerStep &&
           a.monitor == b.monitor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TransientListRead first = ParseTransientList(kFile, RecordLines(input));
    if (!first.table) {
        Check(first.error.startsWith(kFile + QStringLiteral(", line ")),
              "a refused file is named with its line", first.error);
        return 0;
    }
    Check(first.error.isEmpty(), "an accepted file carries no error", first.error);
    Check(first.table->rows.size() <= size_t(kMaxStepRows), "at most the table's rows are read");
    // The writer refuses such a table and writes nothing.
    if (!UnstorableText(*first.table).isEmpty()) return 0;

    const QByteArray written = RecordBytes(TransientListRecords(*first.table));
    const TransientListRead second = ParseTransientList(kFile, RecordLines(written));
    Check(second.table.has_value(), "a written table is read back",
          second.error + QStringLiteral("\n--- written:\n") + QString::fromUtf8(written));
    Check(sameTable(asStored(*first.table), *second.table), "a written table reads back the same",
          QString::fromUtf8(written));
    return 0;
}
