#pragma once
// The set-up files of the resident options (".704", ".160") and the expected
// test durations. A file that does not fit its window is refused whole,
// naming the file and the key; nothing is half loaded.
#include "standards/ResidentOption.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace ostrel {

struct Paths;

struct ResidentSite {
    QString site, temperature, humidity, pressure;
};

struct ResidentUserData {
    QString testedBy, eut, comment;
};

struct ResidentKeptValue {
    QString section, key, value;
};

struct ResidentSetup {
    QString standard;      // "Test_Standard": "MS704", "MIL704", "RTCA", ...
    QString revision;      // "A".."F", "D".."F", or the DO-160 standard word
    QString group;         // the option's group code
    double frequency = 400;
    int phase = 0;         // 0: every output; 1..3: that one alone
    bool vfRepeat = false;
    std::vector<bool> selected; // one per catalogue entry
    ResidentSite site;
    ResidentUserData user;
    QString nominalAc, nominalDc, nominalFrequency;
    // Sections the program keeps for the report without sending them.
    QList<ResidentKeptValue> kept;
};

// The set-up a window starts with: first revision... newest, first group, all tests off.
ResidentSetup DefaultResidentSetup(const ResidentOption& option);

std::optional<ResidentSetup> ReadResidentFile(const ResidentOption& option, const QString& path, QString& error);
bool WriteResidentFile(const ResidentOption& option, const ResidentSetup& setup, const QString& path,
                       QString& error);
// The option whose window opens a file: ".160" the DO-160 window, ".704" by its
// "Test_Standard". Null (and error) when neither fits.
const ResidentOption* ResidentOptionOfFile(const QString& path, QString& error);

// "MS704_Durations.ini": the operator's copy, else the shipped one.
QString ResidentDurationsPath(const Paths& paths);
// Whole seconds per catalogue entry for a group: missing, not a number or
// not above 0 reads 1; above a day reads a day.
std::vector<int> ReadResidentDurations(const ResidentOption& option, const ResidentGroup& group,
                                       const QString& path);

} // namespace ostrel
