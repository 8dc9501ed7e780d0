#pragma once
// The program object: one instance of every program-wide record, created at
// start and handed to windows and logic by reference. Nothing program-wide
// lives anywhere else, so a test builds a fresh one and nothing leaks.
#include "app/Prompt.h"
#include "config/Paths.h"
#include "config/Settings.h"
#include "config/SettingsStore.h"

#include <QChar>
#include <QString>

#include <memory>

namespace ostrel {

struct Program {
    Program(std::unique_ptr<Prompt> prompt, std::unique_ptr<SettingsStore> store, Paths paths);

    Prompt& prompt() { return *prompt_; }
    // The windows replace the start-up prompt with message boxes once they exist.
    void setPrompt(std::unique_ptr<Prompt> prompt) { prompt_ = std::move(prompt); }
    SettingsStore& store() { return *store_; }

    void loadSettings() { LoadSettings(*store_, settings, decimalSeparator); }
    void saveSettings() { SaveSettings(*store_, settings, decimalSeparator); }

    Paths paths;
    Settings settings;
    QString messageTitle = QStringLiteral("Ostrel");
    QString oemManufacturer;
    QChar decimalSeparator = QLatin1Char('.');

private:
    std::unique_ptr<Prompt> prompt_;
    std::unique_ptr<SettingsStore> store_;
};

} // namespace ostrel
