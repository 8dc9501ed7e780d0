// The ".411" test file and its ".411_User" companion: the input up to its
// first NUL byte is the test file, the rest (when there is a NUL) the
// companion. Any pair is read without a crash; a refusal names the file and
// leaves the present test as it was; an accepted test lies within its
// clamps, and is saved and loaded again to its values as the save rounds them.
#include "FuzzInput.h"

#include "iec/IecTestFile.h"
#include "link/Numbers.h"

#include <QFile>

#include <cmath>

using namespace ostrel;
using namespace ostrel::fuzz;

namespace {

IecTestFile present() {
    IecTestFile f;
    f.seqRepeat = 2;
    f.dips.assign(3, IecDip{5, 90, 40, 2});
    f.user.eut = QStringLiteral("before");
    f.voltage = 115;
    return f;
}

bool same(const IecTestFile& a, const IecTestFile& b) {
    const auto dip = [](const IecDip& x, const IecDip& y) {
        return x.cycles == y.cycles && x.startPhase == y.startPhase && x.level == y.level && x.delay == y.delay;
    };
    const auto variation = [](const IecVariation& x, const IecVariation& y) {
        return x.level == y.level && x.delay == y.delay;
    };
    return a.seqRepeat == b.seqRepeat && a.seqDuration == b.seqDuration && a.interSeqDelay == b.interSeqDelay &&
           a.userPrompt == b.userPrompt && a.measUpdateRate == b.measUpdateRate && a.fallTime == b.fallTime &&
           a.holdTime == b.holdTime && a.riseTime == b.riseTime &&
           std::equal(a.dips.begin(), a.dips.end(), b.dips.begin(), b.dips.end(), dip) &&
           std::equal(a.variations.begin(), a.variations.end(), b.variations.begin(), b.variations.end(), variation) &&
           a.includePeak == b.includePeak && a.preTestDelay == b.preTestDelay && a.user.testedBy == b.user.testedBy &&
           a.user.location == b.user.location && a.user.eut == b.user.eut && a.user.comment == b.user.comment &&
           a.voltage == b.voltage && a.frequency == b.frequency && a.nominalUnreadable == b.nominalUnreadable;
}

// The test as the saved files hold it: each figure through its mask.
IecTestFile asSaved(IecTestFile f) {
    const auto through = [](double& x, QStringView mask) { x = FormatNumber(x, mask).toDouble(); };
    through(f.fallTime, u"0.000");
    through(f.holdTime, u"0.000");
    through(f.riseTime, u"0.000");
    for (IecDip& d : f.dips) {
        through(d.cycles, u"0.0##");
        through(d.startPhase, u"0.0");
    }
    through(f.voltage, u"##0.0#");
    through(f.frequency, u"##0.0#");
    f.userPrompt = f.userPrompt.trimmed();
    f.nominalUnreadable = false; // the save writes the values in use
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
    QFile::remove(IecUserCompanionPath(input));
    if (nul >= 0) InputFile(QStringLiteral("input.411_User"), data + nul + 1, size - size_t(nul) - 1);

    const IecTestFile before = present();
    IecTestFile first = before;
    const IecLoad load = LoadIecTestFile(input, first);
    if (!load.ok) {
        Check(load.error.startsWith(name), "a refused file is named", load.error);
        Check(same(first, before), "a refused file leaves the present test");
        return 0;
    }
    checkClamped(first);

    // A fresh pair, so that only what the save writes is read back.
    const QString path = InputFile(QStringLiteral("saved.411"), nullptr, 0);
    QFile::remove(IecUserCompanionPath(path));
    QString error;
    Check(SaveIecTestFile(path, first, error), "an accepted test is saved", error);
    IecTestFile second = before;
    const IecLoad again = LoadIecTestFile(path, second);
    Check(again.ok, "a saved test loads", again.error);
    Check(same(second, asSaved(first)), "a saved test loads the same", QString::fromUtf8(FileBytes(path)));
    return 0;
}
