#include "config/CalFactors.h"

#include "config/IniFile.h"
#include "link/Numbers.h"

namespace ostrel {

namespace {
QString phaseSection(int phase) { return QString::number(phase + 1) + QStringLiteral("Voltage"); }
QString pointKey(int point) { return QString::number(point) + QStringLiteral("VF"); }
const QString kInfo = QStringLiteral("Calibration_Info");
} // namespace

double CalFactors::factor(int phase, int point) const {
    if (phase < 0 || phase > 2) return 1.0;
    return factors[phase].value(point, 1.0);
}

CalFactors ReadCalFactors(const QString& path, int pointCount) {
    IniFile ini;
    ini.load(path);
    CalFactors cal;
    for (int phase = 0; phase < 3; ++phase) {
        for (int point = 0; point < pointCount; ++point) {
            const QString text = ini.value(phaseSection(phase), pointKey(point));
            if (text.isEmpty()) continue;
            float value = 1.0f;
            cal.factors[phase][point] = TryParseSingle(text, value) ? value : 1.0;
        }
    }
    cal.info.lastCalDate = ini.value(kInfo, QStringLiteral("Last Cal Date"));
    cal.info.lastCalTime = ini.value(kInfo, QStringLiteral("Last Cal Time"));
    cal.info.sourceModel = ini.value(kInfo, QStringLiteral("Source Model"));
    cal.info.serialNo = ini.value(kInfo, QStringLiteral("Serial no"));
    cal.info.guiVersion = ini.value(kInfo, QStringLiteral("GUI version"));
    return cal;
}

bool WriteCalFactors(const QString& path, const CalFactors& cal, QString* errorText) {
    IniFile ini;
    if (!ini.load(path)) {
        if (errorText) *errorText = ini.errorText();
        return false;
    }
    for (int phase = 0; phase < 3; ++phase)
        for (auto it = cal.factors[phase].cbegin(); it != cal.factors[phase].cend(); ++it)
            ini.setValue(phaseSection(phase), pointKey(it.key()), FormatNumber(it.value(), u"#0.0000"));
    ini.setValue(kInfo, QStringLiteral("Last Cal Date"), cal.info.lastCalDate);
    ini.setValue(kInfo, QStringLiteral("Last Cal Time"), cal.info.lastCalTime);
    ini.setValue(kInfo, QStringLiteral("Source Model"), cal.info.sourceModel);
    ini.setValue(kInfo, QStringLiteral("Serial no"), cal.info.serialNo);
    ini.setValue(kInfo, QStringLiteral("GUI version"), cal.info.guiVersion);
    if (ini.save(path)) return true;
    if (errorText) *errorText = ini.errorText();
    return false;
}

} // namespace ostrel
