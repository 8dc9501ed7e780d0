#include "standards/ResidentFiles.h"

#include "config/IniFile.h"
#include "config/Paths.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace ostrel {

namespace {

const QString kGeneral = QStringLiteral("General Settings");
const QString kSite = QStringLiteral("Test Site");
const QString kUser = QStringLiteral("UserData");
const QString kNominal = QStringLiteral("Nominal Settings");
const QStringList kKeptSections{QStringLiteral("Eurocae_Group"), QStringLiteral("Normal State Parameters")};
constexpr int kLongestTestSeconds = 86400;

QString testKey(int index) {
    return QStringLiteral("Test%1").arg(index, 2, 10, QLatin1Char('0'));
}

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

ResidentSetup DefaultResidentSetup(const ResidentOption& option) {
    ResidentSetup s;
    s.standard = option.standards.value(0);
    s.revision = option.kind == ResidentKind::Do160 ? option.revisions.value(0) : option.revisions.last();
    s.group = option.groups.front().code;
    s.frequency = option.groups.front().frequency > 0 ? option.groups.front().frequency : 400;
    s.selected.assign(size_t(option.catalogue.size()), false);
    return s;
}

std::optional<ResidentSetup> ReadResidentFile(const ResidentOption& option, const QString& path, QString& error) {
    IniFile ini;
    const QString name = fileName(path);
    if (!QFileInfo::exists(path)) {
        error = name + QStringLiteral(": the file does not exist.");
        return std::nullopt;
    }
    if (!ini.load(path)) {
        error = name + QStringLiteral(": ") + ini.errorText();
        return std::nullopt;
    }
    const auto bad = [&](const QString& section, const QString& key, const QString& why) {
        error = QStringLiteral("%1: [%2] %3: %4").arg(name, section, key, why);
        return std::nullopt;
    };
    ResidentSetup s = DefaultResidentSetup(option);
    s.standard = ini.value(kGeneral, QStringLiteral("Test_Standard")).trimmed().toUpper();
    if (!option.standards.contains(s.standard))
        return bad(kGeneral, QStringLiteral("Test_Standard"),
                   QStringLiteral("\"%1\" is not a test file of %2 (%3).")
                       .arg(s.standard, option.window, option.standards.join(QStringLiteral(", "))));
    const QString revision = ini.value(kGeneral, QStringLiteral("Revision"), s.revision).trimmed();
    const auto same = [&](const QString& r) { return r.compare(revision, Qt::CaseInsensitive) == 0; };
    const auto found = std::find_if(option.revisions.begin(), option.revisions.end(), same);
    if (found == option.revisions.end())
        return bad(kGeneral, QStringLiteral("Revision"), QStringLiteral("\"%1\" is not a revision of the option.").arg(revision));
    s.revision = *found;
    const QString group = ini.value(kGeneral, QStringLiteral("Group"), s.group);
    const int g = option.groupIndex(group);
    if (g < 0) return bad(kGeneral, QStringLiteral("Group"), QStringLiteral("\"%1\" is not a group of the option.").arg(group));
    s.group = option.groups[size_t(g)].code;
    const QString freq = ini.value(kGeneral, QStringLiteral("Frequency"));
    s.frequency = option.groups[size_t(g)].frequency > 0 ? option.groups[size_t(g)].frequency : 400;
    if (!freq.isEmpty()) {
        bool ok = false;
        const double f = freq.toDouble(&ok);
        if (!ok || !std::isfinite(f) || f <= 0) return bad(kGeneral, QStringLiteral("Frequency"), QStringLiteral("\"%1\" is not a frequency.").arg(freq));
        s.frequency = f;
    }
    const QString phase = ini.value(kGeneral, QStringLiteral("Phase"), QStringLiteral("0"));
    bool ok = false;
    s.phase = phase.toInt(&ok);
    if (!ok || s.phase < 0 || s.phase > 3)
        return bad(kGeneral, QStringLiteral("Phase"), QStringLiteral("\"%1\" is not 0 (all) or a phase 1 to 3.").arg(phase));
    const QString repeat = ini.value(kGeneral, QStringLiteral("VarFreqRepeat"), QStringLiteral("0"));
    if (repeat != QLatin1String("0") && repeat != QLatin1String("1"))
        return bad(kGeneral, QStringLiteral("VarFreqRepeat"), QStringLiteral("\"%1\" is not 0 or 1.").arg(repeat));
    s.vfRepeat = repeat == QLatin1String("1");
    for (int i = 0; i < option.catalogue.size(); ++i) {
        const QString section = ResidentSectionName(option.sections[size_t(i)]);
        const QString flag = ini.value(section, testKey(i), QStringLiteral("0"));
        if (flag != QLatin1String("0") && flag != QLatin1String("1"))
            return bad(section, testKey(i), QStringLiteral("\"%1\" is not 0 or 1.").arg(flag));
        s.selected[size_t(i)] = flag == QLatin1String("1");
    }
    s.site = {ini.value(kSite, QStringLiteral("Site")), ini.value(kSite, QStringLiteral("Temperature")),
              ini.value(kSite, QStringLiteral("Humidity")), ini.value(kSite, QStringLiteral("Pressure"))};
    s.user = {ini.value(kUser, QStringLiteral("TestedBy")), ini.value(kUser, QStringLiteral("EUT")),
              ini.value(kUser, QStringLiteral("Comment"))};
    s.nominalAc = ini.value(kNominal, QStringLiteral("AC_Voltage"));
    s.nominalDc = ini.value(kNominal, QStringLiteral("DC_Voltage"));
    s.nominalFrequency = ini.value(kNominal, QStringLiteral("Frequency"));
    if (option.kind == ResidentKind::Do160)
        for (const QString& section : kKeptSections)
            for (const QString& key : ini.keys(section))
                s.kept.append({section, key, ini.value(section, key)});
    return s;
}

bool WriteResidentFile(const ResidentOption& option, const ResidentSetup& s, const QString& path, QString& error) {
    IniFile ini;
    ini.setValue(kGeneral, QStringLiteral("Test_Standard"), s.standard);
    ini.setValue(kGeneral, QStringLiteral("Revision"), s.revision);
    ini.setValue(kGeneral, QStringLiteral("Group"), s.group);
    ini.setValue(kGeneral, QStringLiteral("Frequency"), QString::number(s.frequency));
    ini.setValue(kGeneral, QStringLiteral("Phase"), QString::number(s.phase));
    ini.setValue(kGeneral, QStringLiteral("VarFreqRepeat"), s.vfRepeat ? QStringLiteral("1") : QStringLiteral("0"));
    for (int i = 0; i < option.catalogue.size(); ++i)
        ini.setValue(ResidentSectionName(option.sections[size_t(i)]), testKey(i),
                     i < int(s.selected.size()) && s.selected[size_t(i)] ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(kSite, QStringLiteral("Site"), s.site.site);
    ini.setValue(kSite, QStringLiteral("Temperature"), s.site.temperature);
    ini.setValue(kSite, QStringLiteral("Humidity"), s.site.humidity);
    ini.setValue(kSite, QStringLiteral("Pressure"), s.site.pressure);
    ini.setValue(kUser, QStringLiteral("TestedBy"), s.user.testedBy);
    ini.setValue(kUser, QStringLiteral("EUT"), s.user.eut);
    ini.setValue(kUser, QStringLiteral("Comment"), s.user.comment);
    ini.setValue(kNominal, QStringLiteral("AC_Voltage"), s.nominalAc);
    ini.setValue(kNominal, QStringLiteral("DC_Voltage"), s.nominalDc);
    ini.setValue(kNominal, QStringLiteral("Frequency"), s.nominalFrequency);
    for (const ResidentKeptValue& k : s.kept)
        ini.setValue(k.section, k.key, k.value);
    if (!ini.save(path)) {
        error = fileName(path) + QStringLiteral(": ") + ini.errorText();
        return false;
    }
    return true;
}

const ResidentOption* ResidentOptionOfFile(const QString& path, QString& error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("160")) return &ResidentOptionFor(ResidentKind::Do160);
    if (suffix != QLatin1String("704")) {
        error = fileName(path) + QStringLiteral(": a resident test file ends in .704 or .160.");
        return nullptr;
    }
    if (!QFileInfo::exists(path)) {
        error = fileName(path) + QStringLiteral(": the file does not exist.");
        return nullptr;
    }
    const QString standard = ReadIniString(path, kGeneral, QStringLiteral("Test_Standard"), {}).trimmed().toUpper();
    if (standard == QLatin1String("MS704")) return &ResidentOptionFor(ResidentKind::Ms704);
    if (standard == QLatin1String("MIL704")) return &ResidentOptionFor(ResidentKind::Mil704);
    error = QStringLiteral("%1: [%2] Test_Standard: \"%3\" is neither MS704 nor MIL704.").arg(fileName(path), kGeneral, standard);
    return nullptr;
}

QString ResidentDurationsPath(const Paths& paths) {
    return paths.readableFile(QStringLiteral("MS704_Durations.ini"));
}

std::vector<int> ReadResidentDurations(const ResidentOption& option, const ResidentGroup& group, const QString& path) {
    IniFile ini;
    ini.load(path);
    const QString section = option.durationsPrefix + group.durationsKey;
    std::vector<int> out;
    for (int i = 0; i < option.catalogue.size(); ++i) {
        bool ok = false;
        const double v = ini.value(section, QStringLiteral("time_secs_%1").arg(i)).toDouble(&ok);
        out.push_back(!ok || !std::isfinite(v) || v < 1 ? 1 : int(std::min<double>(std::floor(v), kLongestTestSeconds)));
    }
    return out;
}

} // namespace ostrel
