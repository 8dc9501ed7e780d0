#pragma once
// ".mod" files: the two tabs' entries and the voltage tab's phases, as INI
// sections "Voltage_Modulation" and "Frequency_Modulation".
#include "automation/Modulation.h"

#include <QString>

#include <optional>

namespace ostrel {

struct ModulationFileRead {
    std::optional<ModulationSettings> settings;
    QString error; // names the file, and the section and key of a bad value
};

// A missing key reads as 0, the run time as 60 and the phases as phase A.
ModulationFileRead ReadModulationFile(const QString& path);

// Keeps every other line of an existing file; "" or why it was not written.
QString WriteModulationFile(const QString& path, const ModulationSettings& settings);

} // namespace ostrel
