#pragma once
// The per-user settings store: values as text by section and key, under the
// application name "Ostrel" (or in an INI file chosen on the command line).
#include <QSettings>
#include <QString>

#include <memory>

namespace ostrel {

class SettingsStore {
public:
    // The platform's per-user store.
    SettingsStore();
    // An INI file instead of the per-user store (tests, several bench set-ups).
    explicit SettingsStore(const QString& iniPath);

    QString GetSetting(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    void SaveSetting(const QString& section, const QString& key, const QString& value);
    // Writes pending values to disk; false with errorText() when that failed.
    bool sync();
    QString errorText() const;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace ostrel
