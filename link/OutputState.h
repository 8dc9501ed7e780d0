#pragma once
// The source's present output settings as the program mirrors them.
#include <array>

namespace ostrel {

enum OutputModeValue { ModeAC = 0, ModeDC = 1, ModeACDC = 2 };

struct PhaseState {
    float Voltage = 0;
    float CurrentLimit = 0;
    float PhaseAngle = 0;
    int WaveformIndex = 0; // 0 sine, 1 square, 2 clipped sine, 3.. catalog index
    int ClipLevel = 0;     // distortion of the clipped sine, %
    float DcVoltage = 0;
    float DcOffset = 0;
    float ResistiveImpedance = 0;
    int ImpedanceOn = 0;
};

struct OutputState {
    float Frequency = 60.0f;
    int ExtSync = 0;
    int AuxSync = 0;
    int HighRange = 0;
    int OutputMode = ModeAC;
    int MultiPhaseOutput = 0;
    int AlcMode = 0;
    int CurrentProtection = 0;
    int OutputOn = 0;
    float ProtectionDelay = 0.1f;
    int ExternalSense = 0;
    int SenseCoupling = 1;
    int RemoteInhibit = 0;
    int ImpedanceNetwork = 0;
    std::array<PhaseState, 3> Phase{};
    // False after a readback that failed or a lost link: the values are the
    // last ones known, not what the source now has.
    bool ReadBack = true;
};

} // namespace ostrel
