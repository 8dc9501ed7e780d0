// The ".hmd" reader: any file is read without a crash; a refused file leaves
// the data as it was, and an accepted one is written and read again to the
// same data.
#include "FuzzInput.h"

#include "measure/HarmonicFile.h"

#include "measure/WriteRecords.h"

#include <cstring>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

bool sameSet(const HarmonicSet& a, const HarmonicSet& b) {
    return std::memcmp(&a, &b, sizeof a) == 0; // bit for bit: a NaN must stay that NaN
}

bool sameData(const HarmonicData& a, const HarmonicData& b) {
    return a.date == b.date && a.parameter == b.parameter &&
           std::memcmp(&a.frequency, &b.frequency, sizeof a.frequency) == 0 &&
           std::memcmp(&a.voltageThd, &b.voltageThd, sizeof a.voltageThd) == 0 &&
           std::memcmp(&a.currentThd, &b.currentThd, sizeof a.currentThd) == 0 &&
           sameSet(a.voltage, b.voltage) && sameSet(a.current, b.current);
}

HarmonicData sentinel() {
    HarmonicData d;
    d.date = QStringLiteral("before");
    d.frequency = 61.5f;
    for (int i = 0; i < kHarmonicRows; ++i) {
        d.voltage.amplitude[i] = float(i);
        d.current.phase[i] = -float(i);
    }
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = InputFile(QStringLiteral("input.hmd"), data, size);
    const HarmonicData before = sentinel();
    HarmonicData first = before;
    QString error;
    if (!ReadHarmonicFile(input, first, error)) {
        Check(error.contains(QStringLiteral("input.hmd")), "a refused file is named", error);
        Check(sameData(first, before), "a refused file changes nothing");
        return 0;
    }
    const QString output = InputFile(QStringLiteral("written.hmd"), nullptr, 0);
    if (!WriteHarmonicFile(output, first, error)) {
        // A text the records cannot hold is refused, and the file is left as it was.
        Check(error.contains(kUnstorableReason), "only an unstorable text refuses the write", error);
        Check(FileBytes(output).isEmpty(), "a refused write leaves the file");
        return 0;
    }
    HarmonicData second = before;
    Check(ReadHarmonicFile(output, second, error), "written data is read back", error);
    // Only the set the file names travels; the other one is the sentinel's in both.
    Check(sameData(first, second), "written data reads back the same",
          QString::fromUtf8(FileBytes(output)));
    return 0;
}
