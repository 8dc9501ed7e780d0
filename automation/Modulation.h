#pragma once
// Modulation of the output voltage (every mode) or of the common frequency
// (AC modes) around an average: a two-point list, high then low, that the
// source repeats for the run time. The arithmetic, the entry checks and the
// lines it sends; the run itself is ModulationRun.
#include <QString>
#include <QStringList>

#include <array>

namespace ostrel {

enum class ModulationTab { Voltage = 0, Frequency = 1 };

struct ModulationEntry {
    double average = 0;  // Vrms (AC), Vdc (DC) or Hz
    double depth = 0;    // ± around the average, same unit
    double rate = 10;    // repetitions a second
    double runTime = 60; // seconds
};

struct ModulationSettings {
    std::array<ModulationEntry, 2> tabs; // by ModulationTab
    int phaseMask = 1;                   // voltage tab: bit 0 phase A, 1 B, 2 C

    ModulationEntry& entry(ModulationTab tab) { return tabs[size_t(tab)]; }
    const ModulationEntry& entry(ModulationTab tab) const { return tabs[size_t(tab)]; }
};

// What an entry is checked against.
struct ModulationLimits {
    double maxVoltage = 0; // the lowest ticked phase's MaxVoltage
    double freqMin = 0;
    double freqMax = 0;
};

// The entries rounded to what the operator sees: the average to 0.1, the
// others to 0.01.
ModulationEntry RoundedModulationEntry(const ModulationEntry& entry);

// The range texts of a refused entry (two lines, CR LF), "" when it fits.
QString ModulationRangeError(ModulationTab tab, const ModulationEntry& entry,
                             const ModulationLimits& limits);

// A rate or run time not above 0, or a rate so high that its dwell formats
// as zero, cannot be played: such an entry is rejected outright.
bool ModulationTimingValid(const ModulationEntry& entry);

// The two points as they go out.
struct ModulationList {
    QString levels; // "110.0,90.0" (voltage "#0.0", frequency "#0.00")
    QString dwell;  // per point, "#0.00000"
    QString slew;   // per point, "#0.0000"
    int count = 1;  // round(T x R) half away from zero, at least 1
    double dwellS = 0;
    double spanS = 0; // count / R: how long the source plays
};

ModulationList ComputeModulationList(ModulationTab tab, const ModulationEntry& entry);

// The list string: "list:volt a,b;:list:dwell d,d;:list:volt:slew s,s"
// (frequency: "list:freq", "list:freq:slew").
QString ModulationListLine(ModulationTab tab, const ModulationList& list);

// The steady level before the lists: "inst:coup all;:volt " (AC, AC+DC),
// "inst:coup all;:volt:dc " (DC) or "freq " + the average.
QString ModulationSteadyLine(ModulationTab tab, const ModulationEntry& entry, bool dc);

} // namespace ostrel
