#include "automation/ModulationFile.h"

#include "config/IniFile.h"
#include "link/Numbers.h"

#include <QFile>

#include <cmath>

namespace ostrel {

namespace {

const QString kVoltage = QStringLiteral("Voltage_Modulation");
const QString kFrequency = QStringLiteral("Frequency_Modulation");
const QString kPhases = QStringLiteral("Phase_Selection");

// A value that is no plain number refuses the whole file.
bool readNumber(const IniFile& ini, const QString& section, const QString& key,
                const QString& fallback, double& out, QString& why) {
    const QString text = ini.value(section, key, fallback);
    bool ok = false;
    out = text.toDouble(&ok);
    if (ok && std::isfinite(out)) return true;
    why = QStringLiteral("[%1] %2: \"%3\" is not a number.").arg(section, key, text.left(40));
    return false;
}

bool readTab(const IniFile& ini, const QString& section, const QString& averageKey,
             ModulationEntry& entry, QString& why) {
    const QString zero = QStringLiteral("0.0");
    return readNumber(ini, section, averageKey, zero, entry.average, why) &&
           readNumber(ini, section, QStringLiteral("Depth"), zero, entry.depth, why) &&
           readNumber(ini, section, QStringLiteral("Repetition_Rate"), zero, entry.rate, why) &&
           readNumber(ini, section, QStringLiteral("Run_Time"), QStringLiteral("60"), entry.runTime,
                      why);
}

} // namespace

ModulationFileRead ReadModulationFile(const QString& path) {
    ModulationFileRead read;
    QFile file(path);
    if (!file.exists()) {
        read.error = path + QStringLiteral(": the file does not exist.");
        return read;
    }
    IniFile ini;
    if (!ini.load(path)) {
        read.error = ini.errorText();
        return read;
    }
    if (ini.text().contains(QChar(0))) {
        read.error = path + QStringLiteral(": not a modulation file (it holds NUL bytes).");
        return read;
    }
    const QStringList sections = ini.sections();
    const auto has = [&](const QString& name) {
        return sections.contains(name, Qt::CaseInsensitive);
    };
    if (!has(kVoltage) && !has(kFrequency)) {
        read.error = path + QStringLiteral(": not a modulation file (no [%1] or [%2] section).")
                                .arg(kVoltage, kFrequency);
        return read;
    }
    ModulationSettings s;
    QString why;
    if (!readTab(ini, kVoltage, QStringLiteral("Average_Voltage"), s.entry(ModulationTab::Voltage),
                 why) ||
        !readTab(ini, kFrequency, QStringLiteral("Nominal_Frequency"),
                 s.entry(ModulationTab::Frequency), why)) {
        read.error = path + QStringLiteral(", ") + why;
        return read;
    }
    const QString mask = ini.value(kVoltage, kPhases, QStringLiteral("1"));
    bool ok = false;
    s.phaseMask = mask.toInt(&ok);
    if (!ok || s.phaseMask < 0 || s.phaseMask > 7) {
        read.error = path + QStringLiteral(", [%1] %2: \"%3\" is not a phase mask from 0 to 7.")
                                .arg(kVoltage, kPhases, mask.left(40));
        return read;
    }
    read.settings = s;
    return read;
}

QString WriteModulationFile(const QString& path, const ModulationSettings& settings) {
    IniFile ini;
    // An unreadable old file is replaced whole.
    if (!ini.load(path)) ini.setText({});
    const auto writeTab = [&](const QString& section, const QString& averageKey,
                              const ModulationEntry& e) {
        ini.setValue(section, averageKey, FormatNumber(e.average, u"##0.0"));
        ini.setValue(section, QStringLiteral("Depth"), FormatNumber(e.depth, u"##0.00"));
        ini.setValue(section, QStringLiteral("Repetition_Rate"), FormatNumber(e.rate, u"##0.00"));
        ini.setValue(section, QStringLiteral("Run_Time"), FormatNumber(e.runTime, u"##0.00"));
    };
    writeTab(kVoltage, QStringLiteral("Average_Voltage"), settings.entry(ModulationTab::Voltage));
    ini.setValue(kVoltage, kPhases, QString::number(settings.phaseMask));
    writeTab(kFrequency, QStringLiteral("Nominal_Frequency"),
             settings.entry(ModulationTab::Frequency));
    if (!ini.save(path)) return ini.errorText();
    return {};
}

} // namespace ostrel
