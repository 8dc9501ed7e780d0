#pragma once
// The measurement windows' program-wide records: the two logging settings
// records, the stop flag their repeat loops poll, and the busy flags that keep
// the standard-measurement and watt-hour windows from reading at once.
#include <QChar>
#include <QString>

#include <array>

namespace ostrel {

constexpr int kReadoutCount = 9;
constexpr int kPhaseCount = 3;

enum LogRecord { LogStandard = 0, LogHarmonics = 1 };

struct LogSettings {
    std::array<bool, kReadoutCount> readouts{true, true};
    std::array<bool, kPhaseCount> phases{true};
    bool harmonicPhases = false; // harmonics record only
    bool append = false;         // else the file is overwritten
    bool dateTimeStamp = true;   // else the serial day number
    int intervalSeconds = 5;
    QString path; // empty until chosen; a relative path is under the user folder
    QString comment;
};

struct MeasurementState {
    std::array<LogSettings, 2> log;
    // Set by Stop in the measurement windows, polled by their repeat loops.
    bool stop = false;
    // Set while a standard-measurement cycle reads.
    bool measurementBusy = false;
    // Set while a watt-hour update reads.
    bool wattHourBusy = false;
    // Set while the harmonic acquisition has switched the sense coupling to DC.
    bool senseCouplingSwitched = false;
    // A list run armed the source's acquisition (its trigger points fire it):
    // the waveform capture fetches what it took once, without arming again.
    bool acquisitionArmed = false;
    // Field delimiter of every measurement log: ',' or '\t'.
    QChar delimiter = QLatin1Char(',');
};

} // namespace ostrel
