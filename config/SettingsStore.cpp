#include "config/SettingsStore.h"

namespace ostrel {

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Ostrel"), QStringLiteral("Ostrel"))) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

QString SettingsStore::GetSetting(const QString& section, const QString& key,
                                  const QString& defaultValue) const {
    const QVariant v = settings_->value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SettingsStore::SaveSetting(const QString& section, const QString& key, const QString& value) {
    settings_->setValue(section + QLatin1Char('/') + key, value);
}

bool SettingsStore::sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString SettingsStore::errorText() const {
    switch (settings_->status()) {
    case QSettings::NoError:
        return {};
    case QSettings::AccessError:
        return QStringLiteral("The settings store %1 cannot be written.").arg(settings_->fileName());
    case QSettings::FormatError:
        return QStringLiteral("The settings store %1 is damaged.").arg(settings_->fileName());
    }
    return {};
}

} // namespace ostrel
