// The ".mod" reader: any file is read without a crash; a refusal names the
// file; accepted entries are written over the file and read again to the
// values the writer rounds them to, and the file's other lines stay.
#include "FuzzInput.h"

#include "automation/ModulationFile.h"
#include "config/IniFile.h"
#include "link/Numbers.h"

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

const QString kOtherSection = QStringLiteral("Kept");

// An entry as the file holds it after a write: each value through its mask.
ModulationEntry asWritten(const ModulationEntry& e) {
    const auto through = [](double v, QStringView mask) { return FormatNumber(v, mask).toDouble(); };
    return {through(e.average, u"##0.0"), through(e.depth, u"##0.00"), through(e.rate, u"##0.00"),
            through(e.runTime, u"##0.00")};
}

bool sameEntry(const ModulationEntry& a, const ModulationEntry& b) {
    return a.average == b.average && a.depth == b.depth && a.rate == b.rate && a.runTime == b.runTime;
}

QString describe(const ModulationEntry& e) {
    return QStringLiteral("%1 %2 %3 %4").arg(e.average).arg(e.depth).arg(e.rate).arg(e.runTime);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString name = QStringLiteral("input.mod");
    const QString input = InputFile(name, data, size);
    const ModulationFileRead first = ReadModulationFile(input);
    if (!first.settings) {
        Check(first.error.startsWith(input), "a refused file is named", first.error);
        return 0;
    }
    Check(first.settings->phaseMask >= 0 && first.settings->phaseMask <= 7, "a phase mask is 0 to 7");

    // A section of the operator's own, which the write must keep.
    IniFile kept;
    Check(kept.load(input), "an accepted file loads");
    kept.setValue(kOtherSection, QStringLiteral("Note"), QStringLiteral("left as it was"));
    Check(kept.save(input), "the kept section is added", kept.errorText());

    const QString error = WriteModulationFile(input, *first.settings);
    Check(error.isEmpty(), "accepted entries are written", error);
    const ModulationFileRead second = ReadModulationFile(input);
    Check(second.settings.has_value(), "written entries are read back", second.error);
    for (int t = 0; t < 2; ++t) {
        const ModulationEntry expected = asWritten(first.settings->tabs[size_t(t)]);
        Check(sameEntry(second.settings->tabs[size_t(t)], expected), "written entries read back rounded",
              describe(expected) + QStringLiteral(" / ") + describe(second.settings->tabs[size_t(t)]));
    }
    Check(second.settings->phaseMask == first.settings->phaseMask, "the phase mask reads back");
    Check(ReadIniString(input, kOtherSection, QStringLiteral("Note"), {}) == QStringLiteral("left as it was"),
          "a write keeps the other lines", QString::fromUtf8(FileBytes(input)));
    return 0;
}
