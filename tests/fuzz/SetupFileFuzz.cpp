// The setup-file reader: any file is read without a crash; a refused file
// leaves the present setting as it was, and an accepted one is written and
// read again to the same setting.
#include "FuzzInput.h"

#include "panel/SetupFile.h"

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

constexpr int kModel = 4;

// Two settings are the same when they write the same file.
QByteArray asWritten(const OutputState& state) {
    const QString path = InputFile(QStringLiteral("compare.stp"), nullptr, 0);
    QString error;
    Check(WriteSetupFile(path, kModel, state, &error), "a setting is written", error);
    return FileBytes(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SourceModel model;
    model.ModelIndex = kModel;
    model.FreqMin = 16;
    model.FreqMax = 1000;
    model.VoltLowRange = 150;
    model.VoltHighRange = 300;
    model.DcPosLow = 212;
    model.DcNegLow = -212;
    model.DcPosHigh = 424;
    model.DcNegHigh = -424;
    model.CurrentMax = 10;
    OutputState current;
    current.Frequency = 123.5f;
    current.Phase[2].DcOffset = 7;
    const QByteArray before = asWritten(current);

    const QString input = InputFile(QStringLiteral("input.stp"), data, size);
    const SetupReadResult first = ReadSetupFile(input, model, current);
    if (!first.ok) {
        Check(first.wrongModel || first.error.contains(QStringLiteral("input.stp")), "a refused file is named", first.error);
        Check(asWritten(first.state) == before, "a refused file changes nothing");
        return 0;
    }
    const QString output = InputFile(QStringLiteral("written.stp"), nullptr, 0);
    QString error;
    Check(WriteSetupFile(output, kModel, first.state, &error), "an accepted setting is written", error);
    const SetupReadResult second = ReadSetupFile(output, model, current);
    Check(second.ok, "a written setting is read back", second.error);
    Check(asWritten(second.state) == asWritten(first.state), "a written setting reads back the same",
          QString::fromUtf8(FileBytes(output)));
    return 0;
}
