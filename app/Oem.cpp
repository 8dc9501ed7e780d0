#include "app/Oem.h"

#include "config/IniFile.h"

namespace ostrel {

namespace {
QString rightTrimmed(QString text) {
    while (!text.isEmpty() && text.back().isSpace()) text.chop(1);
    return text;
}
} // namespace

QString ReadOemManufacturer(const QString& path) {
    QString text = ReadIniString(path, QStringLiteral("OEM_Info"), QStringLiteral("Manufacturer"), {});
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    return text.left(255).trimmed();
}

QString MessageTitleFor(const QString& manufacturer, const QString& executableName) {
    if (manufacturer.contains(QLatin1String("Brolan Corporation")))
        return QStringLiteral("Brolan Power Suite");
    if (manufacturer.contains(QLatin1String("Wendrik"))) return QStringLiteral("Wendrik PowerLab");
    return executableName;
}

QString LogoFor(const QString& manufacturer) {
    const QString m = rightTrimmed(manufacturer);
    if (m == QLatin1String("Brolan Corporation")) return QStringLiteral("BRlogo");
    if (m == QLatin1String("Wendrik AG")) return QStringLiteral("WendrikLogo");
    return QStringLiteral("KVlogo");
}

QString HelpBrandFor(const QString& manufacturer) {
    const QString m = rightTrimmed(manufacturer);
    if (m == QLatin1String("Wendrik AG")) return QStringLiteral("wendrik");
    if (m == QLatin1String("Korvath Instruments")) return QStringLiteral("korvath");
    if (m == QLatin1String("Brolan Corporation")) return QStringLiteral("brolan");
    return {};
}

} // namespace ostrel
