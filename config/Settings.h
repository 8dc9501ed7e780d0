#pragma once
// The program's preferences, read once at start and written back once at exit.
// Every field starts at its default; a missing key keeps it.
#include <QChar>
#include <QString>

#include <array>

namespace ostrel {

class SettingsStore;

struct LinkSettings {               // section "Interface"
    int bus = 0;                    // 0 simulation, 1 RS-232, 2 GPIB, 3 LAN
    int commPort = 1;
    int commBaud = 6;               // index into the baud list: 6 = 460800
    int handshake = 1;              // 1 hardware RTS/CTS
    int cmdDelay = 0;               // ms after each command
    int gpibBoard = 0;
    int sourceAddress = 1;
    QString ipAddress = QStringLiteral("127.0.0.1");
    int socketPort = 5025;
    int scopeAddress = 0;
    int meterAddress = 0;
    int vSliderDelay = 0;           // ms
    int arbDownloadDelay = 300;     // ms
    int pcSecond = 970;             // read, never written
};

struct ProtectionSettings {         // section "Protection"
    bool waveform = false;          // stored as an integer, on when > 0; not written
    int arbRestriction = 0;
    int configuration = 0;          // not written
};

struct PowerSourceSettings {        // section "PowerSource"
    int modelNumber = 1;
    int controller = 1;
    int vanuOption = 0;
};

struct UserLimits {                 // section "UserLimits"
    float freqMax = 1000;
    float freqMin = 16;
    float vacHigh = 300;
    float vacLow = 150;
    float vpdcHigh = 400;
    float vpdcLow = 200;
    float vndcHigh = -400;          // stored as a magnitude, held negative
    float vndcLow = -200;
    int allowACMode = 1;
    int allowDCMode = 0;
    int allowACDCMode = 0;
};

struct GraphSettings {              // section "GraphSettings"
    std::array<int, 4> color{1, 2, 3, 4};
    std::array<int, 2> yScale{0, 0};
    std::array<int, 2> yMaximum{300, 100};
    int grid = 0;
    int printMode = 0;
};

struct WaveSettings {               // section "WaveSettings"
    int voltColor = 10;
    int currentColor = 11;
    int powerColor = 12;
    int vYScale = 0;
    int cYScale = 0;
    int pYScale = 0;
    int vYMaximum = 425;
    int cYMaximum = 34;
    int pYMaximum = 5000;
    int grid = 0;
    int printMode = 0;
    int bufferSize = 16;
    int bufferOffset = 0;
};

struct WaveAcquisitionSettings {    // section "WaveAcquisition"
    int mode = 0;
    int offset = 0;
    float period = 10.4f;           // written with the locale's decimal separator
};

struct UserPreferences {            // section "UserPreferences"
    int showLineVoltage = 0;
    int classDPowerLow = 75;        // not written
    int classDPowerHigh = 600;      // not written
    QString calSaveDirectory;
    bool displayEntryErrors = true;
    bool autoRefreshMainScreen = true;
    int abdTestRev = 0;
    int abd350TestRev = 1;
    int ms704TestRev = 0;
    int do160TestRev = 4;
    int b787TestRev = 0;
    int amd24TestRev = 2;
};

struct ReportSettings {             // section "ReportSettings"
    QString header0 = QStringLiteral("Korvath Instruments");
    QString header1 = QStringLiteral("Power Source Test System");
    int reportFormat = 0;
    int fileNamePrompt = 1;
    QString reportFolder;
};

struct MeasurementSettings {        // section "Measurements"
    int cycleInterval = 5;
    QString measFile = QStringLiteral("dummy.txt");
    int harmLogInterval = 5;
    QString harmFile = QStringLiteral("dummy.txt");
    int voltAverage = 1;
    int currentAverage = 1;
};

struct WindowPosition {             // section "Position"; defaults: the window as it is
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

struct Settings {
    LinkSettings link;
    ProtectionSettings protection;
    PowerSourceSettings powerSource;
    int scopeModel = 1;             // section "Scope", key "Model_number"
    UserLimits userLimits;
    GraphSettings graph;
    WaveSettings wave;
    WaveAcquisitionSettings waveAcquisition;
    UserPreferences preferences;
    QString waveformLibrary;        // section "DiskLibrary", key "DefaultDirectory"
    ReportSettings report;
    MeasurementSettings measurements;
    WindowPosition position;
};

// Reads every key; a missing or unreadable key keeps the value already in
// `settings` (the defaults for a fresh record). The decimal separator decides
// how "Period" is read and written.
void LoadSettings(const SettingsStore& store, Settings& settings, QChar decimalSeparator);
// Writes every key that is kept between runs.
void SaveSettings(SettingsStore& store, const Settings& settings, QChar decimalSeparator);

} // namespace ostrel
