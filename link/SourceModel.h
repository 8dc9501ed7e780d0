#pragma once
// The connected model: table defaults for its index, overwritten by what the
// source itself reports. Field names are the ones the operator-facing texts,
// the setup files and the command-line tool's JSON use.
#include <QString>

#include <array>

namespace ostrel {

constexpr int kOptionCount = 21;
constexpr int kWaveformSlots = 65;    // catalog indexes 0..64
constexpr int kFirstUserWaveform = 3; // 0..2 are the built-in shapes

// Option positions, as "*opt?" lists them.
enum OptionPosition {
    OptAbl = 0,
    OptPhaseMode = 1,
    OptSeriesFamily = 2,
    OptDo160 = 3,
    OptMs704 = 4,
    OptIec411 = 5,
    OptWattHour = 6,
    OptLkm = 7,
    OptLks = 8,
    OptMs704F = 9,
    OptAbd = 10,
    OptLfMb = 11,
    OptB787 = 13,
    OptAmd = 14,
    OptA350 = 15,
    OptLan = 16,
};

struct SourceModel {
    int ModelIndex = 0;
    QString ModelName;
    QString Designation;
    QString SerialNumber;
    float FirmwareRevision = 0;
    QString FirmwarePartNumber;
    QString ScpiVersion = QStringLiteral("1991.0");
    float FreqMax = 1000;
    float FreqMin = 16;
    float VoltLowRange = 150;
    float VoltHighRange = 300;
    float DcPosLow = 200;
    float DcPosHigh = 400;
    float DcNegLow = -200;
    float DcNegHigh = -400;
    float CurrentBase = 5.0f;
    float CurrentMax = 6.5f;
    float PowerRating = 750;
    int PhaseSpacing = 0;
    int MultiPhase = 0;
    std::array<int, kOptionCount> Options{};
    int TtlStrobeMode = 0;
    int RelayHold = 100;
    std::array<QString, kWaveformSlots> WaveformNames{};
    int WaveformLastIndex = 59;
    int ListCapacity = 100;     // points a transient list holds
    double MinimumDwell = 0.001; // seconds: the shortest list point

    // The series family is option position 2; 1 for the Vk family.
    int SeriesFamily() const { return Options[OptSeriesFamily]; }
};

} // namespace ostrel
