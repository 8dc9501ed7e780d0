#pragma once
#include <QString>

namespace ostrel {

// Appends "." + extension when the file-name part has no "." (a folder with a
// "." in its name does not count).
QString WithDefaultExtension(const QString& path, const QString& extension);

} // namespace ostrel
