// The resident option set-up files (".704", ".160") and the test durations
// ("MS704_Durations.ini"): any file is read without a crash; a refused file
// is named; an accepted one is written and read again to the same set-up,
// for each option's window, and the window that opens a file is the one
// whose standard it names; each option's groups in turn (by the input's
// size) read a duration per test.
#include "FuzzInput.h"

#include "standards/ResidentFiles.h"

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

QByteArray asWritten(const ResidentOption& option, const ResidentSetup& setup) {
    const QString path = InputFile(QStringLiteral("compare") + option.extension, nullptr, 0);
    QString error;
    Check(WriteResidentFile(option, setup, path, error), "a set-up is written", error);
    return FileBytes(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const ResidentOption* option : ResidentOptions()) {
        const QString name = QStringLiteral("input") + option->extension;
        const QString input = InputFile(name, data, size);
        QString error;
        const std::optional<ResidentSetup> first = ReadResidentFile(*option, input, error);
        if (!first) {
            Check(error.startsWith(name), "a refused file is named", error);
            continue;
        }
        const QString output = InputFile(QStringLiteral("written") + option->extension, nullptr, 0);
        Check(WriteResidentFile(*option, *first, output, error), "an accepted set-up is written", error);
        const std::optional<ResidentSetup> second = ReadResidentFile(*option, output, error);
        Check(second.has_value(), "a written set-up is read back", error);
        const QByteArray written = FileBytes(output);
        Check(asWritten(*option, *second) == written, "a written set-up reads back the same",
              QString::fromUtf8(written));
        const ResidentOption* opening = ResidentOptionOfFile(input, error);
        Check(opening != nullptr, "an accepted file names the window that opens it", error);
        Check(opening == option, "the window that opens a file is the one that reads it", first->standard);
    }
    const QString durations = InputFile(QStringLiteral("MS704_Durations.ini"), data, size);
    for (const ResidentOption* option : ResidentOptions()) {
        const ResidentGroup& group = option->groups[size % option->groups.size()];
        const std::vector<int> seconds = ReadResidentDurations(*option, group, durations);
        Check(seconds.size() == size_t(option->catalogue.size()), "a duration for every test");
        for (int s : seconds)
            Check(s >= 1 && s <= 86400, "a duration is 1 s to a day", QString::number(s));
    }
    return 0;
}
