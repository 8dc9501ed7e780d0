#pragma once
// The program object: one instance of every program-wide record, created at
// start and handed to windows and logic by reference. Nothing program-wide
// lives anywhere else, so a test builds a fresh one and nothing leaks.
#include "core/Prompt.h"
#include "config/Paths.h"
#include "config/Settings.h"
#include "config/SettingsStore.h"
#include "link/BusTrace.h"
#include "link/InstrumentLink.h"
#include "link/OutputState.h"
#include "link/SourceModel.h"
#include "measure/MeasurementState.h"
#include "core/EngineClock.h"
#include "waveforms/WaveformBuffer.h"

#include <QChar>
#include <QString>

#include <array>
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

    // The connected model and the output as the program mirrors it.
    SourceModel sourceModel;
    OutputState outputState;
    // Per phase, the highest voltage that may be programmed in the present mode and range.
    std::array<float, 3> maxVoltage{};
    // Busy flags that keep a second conversation from starting inside one.
    bool readbackInProgress = false;
    bool waveformTransferInProgress = false;
    bool configurationInProgress = false;
    bool interfaceDialogOpen = false;
    // A standard test owns the source: no readback or measuring loop starts meanwhile.
    bool testRunning = false;
    // Every wait of the test engine; tests and the command line scale it.
    EngineClock engineClock;
    // The measuring windows' logging records, stop flag and busy flags.
    MeasurementState measurements;
    // The custom waveform the waveform windows work on; it outlives them.
    WaveformBuffer waveform;
    // Every traced command and reply, for the bus monitor.
    BusTraceModel busTrace;
    // The conversation with the source; declared last, it uses the values above.
    InstrumentLink link{*this};

private:
    std::unique_ptr<Prompt> prompt_;
    std::unique_ptr<SettingsStore> store_;
};

} // namespace ostrel
