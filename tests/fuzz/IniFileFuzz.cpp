// The INI reader: any file is read without a crash; what it reads survives
// a save and a load, and a saved file keeps its text; writing one key changes
// that key and no other.
#include "FuzzInput.h"

#include "config/IniFile.h"

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

using Entries = QList<std::pair<QString, QStringList>>;

// Every section with its keys' values, in file order.
Entries entries(const IniFile& ini) {
    Entries all;
    for (const QString& section : ini.sections()) {
        QStringList values;
        for (const QString& key : ini.keys(section)) {
            Check(ini.contains(section, key), "a listed key is found", section + QLatin1Char('/') + key);
            values << key + QLatin1Char('=') + ini.value(section, key);
        }
        all.append({section, values});
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IniFile first;
    Check(first.load(InputFile(QStringLiteral("input.ini"), data, size)), "a file is read", first.errorText());
    const Entries read = entries(first);

    const QString output = InputFile(QStringLiteral("written.ini"), nullptr, 0);
    Check(first.save(output), "a read file is saved", first.errorText());
    IniFile second;
    Check(second.load(output), "a saved file is read", second.errorText());
    Check(entries(second) == read, "a saved file reads back the same values");
    // A lone carriage return at a line's end becomes part of a CR LF on saving;
    // from then on the text is kept byte for byte.
    Check(second.save(output), "a file read back is saved", second.errorText());
    IniFile third;
    Check(third.load(output) && third.text() == second.text(), "a saved file keeps its text",
          QString::fromUtf8(FileBytes(output)));

    // Into the first section the file names (or a new one), a key it may or may not hold.
    const QString section = read.isEmpty() ? QStringLiteral("Added") : read.first().first;
    const QString key = QStringLiteral("FuzzKey");
    const QString value = QStringLiteral("1, \"two\" = three");
    second.setValue(section, key, value);
    Check(second.value(section, key) == value, "a written key reads back", second.text());
    for (const auto& [s, values] : read)
        for (const QString& entry : values) {
            const QString k = entry.section(QLatin1Char('='), 0, 0);
            if (s.compare(section, Qt::CaseInsensitive) == 0 && k.compare(key, Qt::CaseInsensitive) == 0)
                continue;
            Check(second.value(s, k) == entry.section(QLatin1Char('='), 1, -1),
                  "writing one key leaves the others", s + QLatin1Char('/') + k + QStringLiteral("\n") + second.text());
        }
    return 0;
}
