// The ".411" test file and its ".411_User" companion: the input up to its
// first NUL byte is the test file, the rest (when there is a NUL) the
// companion. Any pair is read without a crash; a refusal names the file and
// leaves the present test as it was; an accepted test lies within its
// clamps, and is saved and loaded again to the values the file holds.
#include "FuzzInput.h"

#include "iec/IecTestFile.h"
#include "link/Numbers.h"

#include <QFile>

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

// Two tests are the same when they save the same files.
QByteArray asSaved(const IecTestFile& f) {
    const QString path = InputFile(QStringLiteral("compare.411"), nullptr, 0);
    QFile::remove(IecUserCompanionPath(path));
    QString error;
    Check(SaveIecTestFile(path, f, error), "a test is saved", error);
    return FileBytes(path) + '\0' + FileBytes(IecUserCompanionPath(path));
}

IecTestFile present() {
    IecTestFile f;
    f.seqRepeat = 2;
    f.dips.assign(3, IecDip{5, 90, 40, 2});
    f.user.eut = QStringLiteral("before");
    f.voltage = 115;
    return f;
}

void checkClamped(const IecTestFile& f) {
    Check(f.seqRepeat >= 1 && f.seqRepeat <= 60 && f.interSeqDelay >= 1 && f.interSeqDelay <= 60,
          "the sequence timing is clamped");
    Check(f.seqDuration >= 1 && f.seqDuration * f.seqRepeat <= std::max(60, f.seqRepeat), "a sequence fits a minute");
    Check(!f.dips.empty() && f.dips.size() <= size_t(kIecMaxDips), "1 to 100 dips", QString::number(f.dips.size()));
    Check(f.variations.size() == size_t(kIecVariationRows), "two variation rows");
    for (const IecDip& d : f.dips)
        Check(std::isfinite(d.cycles) && d.cycles >= 0 && d.startPhase >= -360 && d.startPhase <= 360 &&
                  d.level >= 0 && d.level <= 200 && d.delay >= -1 && d.delay <= 60,
              "a dip is clamped");
    Check(std::isfinite(f.voltage) && f.voltage > 0 && std::isfinite(f.frequency) && f.frequency >= 16 &&
              f.frequency <= 1000,
          "the nominal values are usable", QStringLiteral("%1 V %2 Hz").arg(f.voltage).arg(f.frequency));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QString name = QStringLiteral("input.411");
    const QString input = InputFile(name, data, size_t(nul < 0 ? size : size_t(nul)));
    const QString companion = IecUserCompanionPath(input);
    QFile::remove(companion);
    if (nul >= 0) InputFile(QStringLiteral("input.411_User"), data + nul + 1, size - size_t(nul) - 1);

    const IecTestFile before = present();
    const QByteArray beforeSaved = asSaved(before);
    IecTestFile first = before;
    const IecLoad load = LoadIecTestFile(input, first);
    if (!load.ok) {
        Check(load.error.startsWith(name), "a refused file is named", load.error);
        Check(asSaved(first) == beforeSaved, "a refused file leaves the present test");
        return 0;
    }
    checkClamped(first);

    // Saved over the pair, loaded again and saved once more: the same files.
    QString error;
    Check(SaveIecTestFile(input, first, error), "an accepted test is saved", error);
    IecTestFile second = before;
    const IecLoad again = LoadIecTestFile(input, second);
    Check(again.ok, "a saved test loads", again.error);
    checkClamped(second);
    Check(asSaved(second) == asSaved(first), "a saved test loads the same", QString::fromUtf8(FileBytes(input)));
    Check(second.dips.size() == first.dips.size() && second.seqRepeat == first.seqRepeat &&
              second.user.eut == first.user.eut && second.user.comment == first.user.comment,
          "the dip table and the operator's data survive a save");
    return 0;
}
