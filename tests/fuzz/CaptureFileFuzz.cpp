// The ".wfd" reader: any file is read without a crash; a refused file leaves
// the capture as it was, and an accepted one is written and read again to
// the same capture.
#include "FuzzInput.h"

#include "measure/CaptureFile.h"

#include "measure/WriteRecords.h"

#include <cstring>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

template <typename T>
bool sameBits(const T& a, const T& b) {
    return a.size() == b.size() &&
           (a.size() == 0 || std::memcmp(a.data(), b.data(), sizeof a[0] * std::size_t(a.size())) == 0);
}

bool sameReadouts(const QVector<MeterReadout>& a, const QVector<MeterReadout>& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].value != b[i].value) return false;
    return true;
}

// The date is not kept in files.
bool sameCapture(const Capture& a, const Capture& b) {
    return a.parameter == b.parameter && a.title == b.title && a.samples == b.samples &&
           a.offsetText == b.offsetText &&
           std::memcmp(&a.intervalUs, &b.intervalUs, sizeof a.intervalUs) == 0 &&
           sameBits(a.limits, b.limits) && sameReadouts(a.readouts, b.readouts) &&
           sameBits(a.values, b.values);
}

Capture sentinel() {
    Capture c;
    c.parameter = QStringLiteral("Voltage");
    c.title = QStringLiteral("before");
    c.samples = 2;
    c.values = {1.5f, -1.5f};
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input = InputFile(QStringLiteral("input.wfd"), data, size);
    const Capture before = sentinel();
    Capture first = before;
    QString error;
    if (!ReadCaptureFile(input, first, error)) {
        Check(error.contains(QStringLiteral("input.wfd")), "a refused file is named", error);
        Check(sameCapture(first, before) && first.date == before.date, "a refused file changes nothing");
        return 0;
    }
    Check(first.values.size() == qsizetype(first.samples) * first.channels(),
          "an accepted capture holds its channels' samples");
    const QString output = InputFile(QStringLiteral("written.wfd"), nullptr, 0);
    if (!WriteCaptureFile(output, first, error)) {
        // A text the records cannot hold is refused, and the file is left as it was.
        Check(error.contains(kUnstorableReason), "only an unstorable text refuses the write", error);
        Check(FileBytes(output).isEmpty(), "a refused write leaves the file");
        return 0;
    }
    Capture second = before;
    Check(ReadCaptureFile(output, second, error), "a written capture is read back", error);
    Check(sameCapture(first, second), "a written capture reads back the same",
          QString::fromUtf8(FileBytes(output)));
    return 0;
}
