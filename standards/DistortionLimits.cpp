#include "standards/DistortionLimits.h"

#include "config/IniFile.h"
#include "link/Numbers.h"

#include <QFile>
#include <QFileInfo>

namespace ostrel {

namespace {

// A value that is there must read as a number; an empty one is absent.
bool readNumber(const IniFile& ini, const QString& section, const QString& key,
                std::optional<float>& value, const QString& path, QString& error) {
    const QString text = ini.value(section, key).trimmed();
    if (text.isEmpty()) return true;
    float v = 0;
    if (!TryParseSingle(text, v)) {
        error = QStringLiteral("%1: [%2] %3 = \"%4\" is not a number.")
                    .arg(QFileInfo(path).fileName(), section, key, text);
        return false;
    }
    value = v;
    return true;
}

QString sectionOf(const QString& pattern, int set) {
    return pattern.contains(QLatin1String("%1")) ? pattern.arg(set) : pattern;
}

} // namespace

int DistortionLimitSet(bool dcMode, bool threePhase) {
    if (dcMode) return 0;
    return threePhase ? 3 : 1;
}

DistortionLimitsRead ReadDistortionLimits(const QString& path, int set) {
    return ReadDistortionLimits(path, set, DistortionLayout{});
}

DistortionLimitsRead ReadDistortionLimits(const QString& path, int set, const DistortionLayout& layout) {
    DistortionLimitsRead read;
    QFile file(path);
    if (!file.exists()) {
        read.ok = true;
        return read;
    }
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString());
        return read;
    }
    const QByteArray bytes = file.readAll();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        read.error = QStringLiteral("%1, line %2: the file holds a NUL byte.")
                         .arg(name)
                         .arg(bytes.left(nul).count('\n') + 1);
        return read;
    }
    IniFile ini;
    ini.setText(QString::fromUtf8(bytes));
    read.found = true;

    std::optional<float> thd;
    const QString phases = sectionOf(layout.thdSection, set);
    if (!readNumber(ini, phases, QStringLiteral("Ithd"), thd, path, read.error)) return read;
    read.limits.thdLimit = thd.value_or(layout.thdDefault);
    const QString table = sectionOf(layout.harmonicSection, set);
    for (int h = 1; h <= kLimitedHarmonics; ++h) {
        if (!readNumber(ini, table, QStringLiteral("IHarmLimit_%1").arg(h),
                        read.limits.harmonic[static_cast<size_t>(h - 1)], path, read.error))
            return read;
    }
    read.ok = true;
    return read;
}

} // namespace ostrel
