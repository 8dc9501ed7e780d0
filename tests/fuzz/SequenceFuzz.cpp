// The ".seq" reader: any bytes are read without a crash, a refusal names the
// file and line, and a table it accepts is written and read again to the
// same cells.
#include "FuzzInput.h"

#include "automation/SequenceTable.h"

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = QStringLiteral("fuzz.seq");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const SequenceRead first = ParseSequenceText(bytes, name);
    if (!first.table) {
        Check(first.error.startsWith(name + QStringLiteral(", line ")), "a refusal names the file and line",
              first.error);
        return 0;
    }
    for (const auto& rows : first.table->phases)
        Check(rows.size() <= size_t(kMaxSequenceRows), "at most 100 rows a phase");
    const SequenceRead second = ParseSequenceText(SequenceFileText(*first.table, first.table->dcHeadings), name);
    Check(second.table.has_value(), "a written table is read back", second.error);
    // Line breaks inside a cell are written as blanks.
    SequenceTable expected = *first.table;
    for (auto& rows : expected.phases)
        for (SequenceRow& row : rows)
            for (QString& cell : row) {
                cell.replace(QLatin1Char('\r'), QLatin1Char(' '));
                cell.replace(QLatin1Char('\n'), QLatin1Char(' '));
            }
    Check(second.table->phases == expected.phases, "a written table reads back the same",
          InputText(data, size));
    return 0;
}
