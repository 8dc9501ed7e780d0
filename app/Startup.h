#pragma once
// The program's start and end conversations with the source, in their order.
// The main window supplies what only it can do through the hooks.
#include <QString>

#include <functional>

namespace ostrel {

struct Program;

struct StartupHooks {
    std::function<void()> showSplash;
    std::function<void()> hideSplash;
    std::function<void()> tickFrontPanel;
    std::function<void()> fillPanel;
    std::function<bool(const QString& path)> openSetupFile; // opens and sends it; true when used
    // The window of a "/O" option word; false when the word is not known.
    std::function<bool(const QString& word)> openOptionWindow;
};

struct StartupResult {
    QString identificationMessage; // shown when identification failed
    QString setupFile;             // the setup file that was opened, if any
    bool complete = false;
};

// The brand, the message title and the decimal separator; then the settings.
void PrepareProgram(Program& program, QChar decimalSeparator);

// Identification, configuration, command line and the panel fill.
StartupResult RunStartup(Program& program, const QString& commandLine, const StartupHooks& hooks);

// The status panel that names the interface: "USB/COM1", "IEEE-488 #1", "IP# ...", "Simulation".
QString InterfaceStatusText(const Program& program);

// Optional Vk commands, the relay question, "*cls", and the source back to local.
void RunShutdown(Program& program);

} // namespace ostrel
