#include "iec/IecTestFile.h"

#include "config/IniFile.h"
#include "link/Numbers.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>

namespace ostrel {

const QString kIecSection = QStringLiteral("IEC-1000-4-11");
const QString kIecPausePrompt = QStringLiteral("Prompt for user intervention");
const QString kIecDelayText = QStringLiteral("Delay between sequences");

namespace {

const QString kPretest = QStringLiteral("Pretest");
const QString kUserData = QStringLiteral("UserData");
const QString kNominal = QStringLiteral("Nominal");

// A finite number in invariant form, or nothing ("nan", "inf", "abc", "").
std::optional<double> number(const QString& text) {
    bool ok = false;
    const double x = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(x)) return std::nullopt;
    return x;
}

class Reader {
public:
    Reader(const IniFile& ini, QStringList& notes) : ini_(ini), notes_(notes) {}

    double real(const QString& section, const QString& key, double fallback, double lo, double hi) {
        const QString text = ini_.value(section, key);
        if (text.isEmpty()) return fallback;
        const std::optional<double> x = number(text);
        if (!x) {
            notes_ << QStringLiteral("%1 \"%2\" is not a number: %3 used.")
                          .arg(key, text)
                          .arg(fallback);
            return fallback;
        }
        return clamp(key, *x, lo, hi);
    }
    int integer(const QString& section, const QString& key, int fallback, int lo, int hi) {
        return int(std::lround(real(section, key, fallback, lo, hi)));
    }

private:
    double clamp(const QString& key, double x, double lo, double hi) {
        const double c = std::clamp(x, lo, hi);
        if (c != x) notes_ << QStringLiteral("%1 %2 set to %3.").arg(key).arg(x).arg(c);
        return c;
    }
    const IniFile& ini_;
    QStringList& notes_;
};

QString binaryLine(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = f.readAll();
    const qsizetype nul = data.indexOf('\0');
    if (nul < 0) return {};
    return QStringLiteral("%1: line %2: not a text file.")
        .arg(QFileInfo(path).fileName())
        .arg(data.left(nul).count('\n') + 1);
}

QString text(double x, QStringView mask) {
    return FormatNumber(x, mask);
}

} // namespace

QString IecUserCompanionPath(const QString& testPath) {
    if (testPath.endsWith(QLatin1String(".411"), Qt::CaseInsensitive))
        return testPath.left(testPath.size() - 4) + QStringLiteral(".411_User");
    return testPath + QStringLiteral(".411_User");
}

bool IecVoltageReadable(const QString& text) {
    const std::optional<double> v = number(text);
    return v && *v != 0;
}

bool IecFrequencyReadable(const QString& text, double freqMin, double freqMax) {
    const std::optional<double> f = number(text);
    return f && *f > 0 && *f >= freqMin && *f <= freqMax;
}

QString IecNominalWarning() {
    return QStringLiteral("WARNING: Program could not read voltage and/or frequency setting\r\n"
                          "NOTE: Nominal voltage and frequency for this test were set\r\n"
                          "from setup file. Check settings in Setup tab before running this test.");
}

void ClampIecTestFile(IecTestFile& f) {
    f.seqRepeat = std::clamp(f.seqRepeat, 1, 60);
    f.seqDuration = std::clamp(f.seqDuration, 1, std::max(1, 60 / f.seqRepeat));
    f.interSeqDelay = std::clamp(f.interSeqDelay, 1, 60);
    f.measUpdateRate = std::max(f.measUpdateRate, 100);
    f.fallTime = std::clamp(f.fallTime, 0.0, 1000.0);
    f.holdTime = std::clamp(f.holdTime, 1.0, 1000.0);
    f.riseTime = std::clamp(f.riseTime, 1.0, 1000.0);
    if (f.dips.empty()) f.dips.resize(1);
    if (f.dips.size() > size_t(kIecMaxDips)) f.dips.resize(kIecMaxDips);
    for (IecDip& d : f.dips) {
        d.cycles = std::max(d.cycles, 0.0);
        d.startPhase = std::clamp(d.startPhase, -360.0, 360.0);
        d.level = std::clamp(d.level, 0, 200);
        d.delay = std::clamp(d.delay, -1, 60);
    }
    f.variations.resize(kIecVariationRows);
    for (IecVariation& v : f.variations) {
        v.level = std::clamp(v.level, -1, 100);
        v.delay = std::clamp(v.delay, -1, 60);
    }
    f.preTestDelay = std::max(f.preTestDelay, 0);
}

IecLoad LoadIecTestFile(const QString& path, IecTestFile& out, const IecLoadContext& context) {
    IecLoad result;
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo::exists(path)) {
        result.error = QStringLiteral("%1: the file does not exist.").arg(name);
        return result;
    }
    if (const QString binary = binaryLine(path); !binary.isEmpty()) {
        result.error = binary;
        return result;
    }
    IniFile ini;
    if (!ini.load(path)) {
        result.error = QStringLiteral("%1: %2").arg(name, ini.errorText());
        return result;
    }
    IecTestFile f;
    Reader r(ini, result.notes);
    const QString& s = kIecSection;
    f.seqRepeat = r.integer(s, QStringLiteral("SeqRepeat"), 3, 1, 60);
    f.seqDuration =
        r.integer(s, QStringLiteral("SeqDuration"), 10, 1, std::max(1, 60 / f.seqRepeat));
    f.interSeqDelay = r.integer(s, QStringLiteral("InterSeqDelay"), 1, 1, 60);
    f.userPrompt = ini.value(s, QStringLiteral("UserPrompt"), kIecPausePrompt);
    const int rows = r.integer(s, QStringLiteral("SeqNumberDips"), 1, 1, kIecMaxDips);
    f.measUpdateRate = r.integer(s, QStringLiteral("MeasUpdateRate"), 1000, 100, 1e9);
    f.fallTime = r.real(s, QStringLiteral("FallTimeVar"), 2.0, 0, 1000);
    f.holdTime = r.real(s, QStringLiteral("HoldTimeVar"), 1.0, 1, 1000);
    f.riseTime = r.real(s, QStringLiteral("RiseTimeVar"), 2.0, 1, 1000);
    f.dips.assign(size_t(rows), IecDip{});
    for (int i = 0; i < rows; ++i) {
        IecDip& d = f.dips[size_t(i)];
        const QString n = QString::number(i);
        d.cycles = r.real(s, n + QStringLiteral("CycleTime"), 1.0, 0, 1e6);
        d.startPhase = r.real(s, n + QStringLiteral("StartPhase"), 0.0, -360, 360);
        d.level = r.integer(s, n + QStringLiteral("TestLevel"), 0, 0, 200);
        d.delay = r.integer(s, n + QStringLiteral("GapDelay"), 1, -1, 60);
    }
    for (int i = 0; i < kIecVariationRows; ++i) {
        IecVariation& v = f.variations[size_t(i)];
        const QString n = QString::number(i);
        v.level = r.integer(s, n + QStringLiteral("VarLevel"), 0, -1, 100);
        v.delay = r.integer(s, n + QStringLiteral("InterVarDelay"), 1, -1, 60);
    }
    f.includePeak = r.integer(kPretest, QStringLiteral("IncludePeak"), 0, -1e9, 1e9) != 0;
    f.preTestDelay = std::max(0, r.integer(kPretest, QStringLiteral("Delay"), 0, -1e9, 1e9));
    f.user.testedBy = ini.value(kUserData, QStringLiteral("TestedBy"));
    f.user.location = ini.value(kUserData, QStringLiteral("Test_Location"));
    f.user.eut = ini.value(kUserData, QStringLiteral("EUT"));
    f.user.comment = ini.value(kUserData, QStringLiteral("Comment"));

    QString voltText = ini.value(kNominal, QStringLiteral("Volt_RMS"), QStringLiteral("-1"));
    QString freqText = ini.value(kNominal, QStringLiteral("Frequency"), QStringLiteral("50"));
    // The companion's readable values win over the test file's.
    IniFile user;
    const QString companion = IecUserCompanionPath(path);
    if (QFileInfo::exists(companion) && binaryLine(companion).isEmpty() && user.load(companion)) {
        const auto take = [&](const QString& section, const QString& key, QString& into) {
            const QString v = user.value(section, key);
            if (!v.isEmpty()) into = v;
        };
        take(kUserData, QStringLiteral("TestedBy"), f.user.testedBy);
        take(kUserData, QStringLiteral("Test_Location"), f.user.location);
        take(kUserData, QStringLiteral("EUT"), f.user.eut);
        take(kUserData, QStringLiteral("Comment"), f.user.comment);
        const QString v = user.value(kNominal, QStringLiteral("Voltage"));
        if (IecVoltageReadable(v)) voltText = v;
        const QString fr = user.value(kNominal, QStringLiteral("Frequency"));
        if (IecFrequencyReadable(fr, context.freqMin, context.freqMax)) freqText = fr;
    }
    if (IecVoltageReadable(voltText) &&
        IecFrequencyReadable(freqText, context.freqMin, context.freqMax)) {
        const double v = *number(voltText);
        f.voltage = v < 0 ? 230.0 : v;
        f.frequency = *number(freqText);
    } else {
        f.nominalUnreadable = true;
        f.voltage = context.steadyVoltage;
        f.frequency = context.steadyFrequency;
    }
    ClampIecTestFile(f); // a default may lie outside a limit another value set
    out = f;
    result.ok = true;
    return result;
}

bool SaveIecTestFile(const QString& path, const IecTestFile& f, QString& error) {
    IniFile ini;
    if (!ini.load(path)) {
        error = ini.errorText();
        return false;
    }
    const QString& s = kIecSection;
    const auto put = [&](const QString& section, const QString& key, const QString& value) {
        ini.setValue(section, key, value);
    };
    put(s, QStringLiteral("SeqRepeat"), QString::number(f.seqRepeat));
    put(s, QStringLiteral("SeqDuration"), QString::number(f.seqDuration));
    put(s, QStringLiteral("InterSeqDelay"), QString::number(f.interSeqDelay));
    put(s, QStringLiteral("UserPrompt"), f.userPrompt);
    put(s, QStringLiteral("SeqNumberDips"), QString::number(f.dips.size()));
    put(s, QStringLiteral("MeasUpdateRate"), QString::number(f.measUpdateRate));
    put(s, QStringLiteral("FallTimeVar"), text(f.fallTime, u"0.000"));
    put(s, QStringLiteral("HoldTimeVar"), text(f.holdTime, u"0.000"));
    put(s, QStringLiteral("RiseTimeVar"), text(f.riseTime, u"0.000"));
    for (size_t i = 0; i < f.dips.size(); ++i) {
        const QString n = QString::number(i);
        const IecDip& d = f.dips[i];
        put(s, n + QStringLiteral("CycleTime"), text(d.cycles, u"0.0##"));
        put(s, n + QStringLiteral("StartPhase"), text(d.startPhase, u"0.0"));
        put(s, n + QStringLiteral("TestLevel"), QString::number(d.level));
        put(s, n + QStringLiteral("GapDelay"), QString::number(d.delay));
    }
    for (size_t i = 0; i < f.variations.size(); ++i) {
        const QString n = QString::number(i);
        put(s, n + QStringLiteral("VarLevel"), QString::number(f.variations[i].level));
        put(s, n + QStringLiteral("InterVarDelay"), QString::number(f.variations[i].delay));
    }
    put(kPretest, QStringLiteral("IncludePeak"),
        f.includePeak ? QStringLiteral("1") : QStringLiteral("0"));
    put(kPretest, QStringLiteral("Delay"), QString::number(f.preTestDelay));
    put(kUserData, QStringLiteral("TestedBy"), f.user.testedBy);
    put(kUserData, QStringLiteral("Test_Location"), f.user.location);
    put(kUserData, QStringLiteral("EUT"), f.user.eut);
    put(kUserData, QStringLiteral("Comment"), f.user.comment);
    put(kNominal, QStringLiteral("Volt_RMS"), text(f.voltage, u"##0.0#"));
    put(kNominal, QStringLiteral("Frequency"), text(f.frequency, u"##0.0#"));
    if (!ini.save(path)) {
        error = ini.errorText();
        return false;
    }
    IniFile user;
    const QString companion = IecUserCompanionPath(path);
    if (!user.load(companion)) {
        error = user.errorText();
        return false;
    }
    user.setValue(kUserData, QStringLiteral("TestedBy"), f.user.testedBy);
    user.setValue(kUserData, QStringLiteral("Test_Location"), f.user.location);
    user.setValue(kUserData, QStringLiteral("EUT"), f.user.eut);
    user.setValue(kUserData, QStringLiteral("Comment"), f.user.comment);
    user.setValue(kNominal, QStringLiteral("Voltage"), text(f.voltage, u"##0.0#"));
    user.setValue(kNominal, QStringLiteral("Frequency"), text(f.frequency, u"##0.0#"));
    if (!user.save(companion)) {
        error = user.errorText();
        return false;
    }
    return true;
}

} // namespace ostrel
