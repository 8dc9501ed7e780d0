#pragma once
// The OEM brand the program runs under: read from "OEMInfo.ini" in the
// shipped data, it decides the message title, the logo and the help window.
#include <QString>

namespace ostrel {

inline const QString kOemFile = QStringLiteral("OEMInfo.ini");

// Section "OEM_Info", key "Manufacturer": trimmed, cut at a NUL, at most 255
// characters; "" when the file or the key is missing.
QString ReadOemManufacturer(const QString& path);

// The title of every message box: a brand's own program title, else the
// program's executable name.
QString MessageTitleFor(const QString& manufacturer, const QString& executableName);

// Resource name of the logo on the logo bar.
QString LogoFor(const QString& manufacturer);

// The user guide's brand folder, or "" when help does not open for this brand.
QString HelpBrandFor(const QString& manufacturer);

} // namespace ostrel
