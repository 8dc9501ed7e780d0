// The record splitter: any line is split without a crash, and fields joined
// back with quotes split to the same fields.
#include "FuzzInput.h"

#include "measure/WriteRecords.h"

using namespace ostrel;
using namespace ostrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line = InputText(data, size);
    const std::optional<QStringList> fields = SplitRecord(line);
    if (!fields) return 0;
    Check(!fields->isEmpty(), "a split record has a field", line);

    // A quoted field holds anything but its closing quote.
    for (const QString& f : *fields)
        if (f.contains(QLatin1Char('"'))) return 0;
    QStringList quoted;
    for (const QString& f : *fields)
        quoted.append(QuotedField(f));
    const QString joined = quoted.join(QLatin1Char(','));
    const std::optional<QStringList> again = SplitRecord(joined);
    Check(again.has_value(), "quoted fields split again", joined);
    Check(*again == *fields, "quoted fields split to the same fields",
          joined + QStringLiteral("\n--- first: ") + fields->join(QStringLiteral(" | ")) +
              QStringLiteral("\n--- again: ") + again->join(QStringLiteral(" | ")));
    return 0;
}
