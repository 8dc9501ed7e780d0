#pragma once
// The step table of the transient list window: rows of seven cell texts as
// the grid shows them (numbers with "." as the decimal point) and the window's
// settings. The ".tls" files, the compiler and the window share it.
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace ostrel {

constexpr int kStepColumns = 7;
constexpr int kMaxStepRows = 100;

enum StepColumn {
    ColType = 0,
    ColTime = 1,
    ColVoltage = 2,
    ColFrequency = 3,
    ColRepeat = 4,
    ColWaveform = 5,
    ColStartPhase = 6, // "Break" in DC mode
};

// The codes of the step types; Empty ends the table.
enum class StepType {
    Empty = 0,
    VDrop = 1,
    VStep = 2,
    VSurgeSag = 3,
    VSweep = 4,
    FStep = 5,
    FSurgeSag = 6,
    FSweep = 7,
    VfStep = 8,
    VfSweep = 9,
    Delay = 10,
};

enum class TriggerSource { Bus = 0, External = 1, Immediate = 2 };

using StepRow = std::array<QString, kStepColumns>;

struct StepTable {
    std::vector<StepRow> rows;
    bool relative = true; // "Relative (%)": voltage and frequency in percent of V_nom, F_nom
    QString vnomText = QStringLiteral("120.0");
    QString fnomText = QStringLiteral("60.0");
    bool cycles = false;         // "Time in Cycles"
    bool useSteadyState = false; // V_nom, F_nom from the present output
    std::array<bool, 3> phases{true, true, true};
    bool continuous = false; // run mode: a number of times or continuous
    int runCount = 1;
    TriggerSource triggerSource = TriggerSource::Immediate;
    bool autoPacing = true; // "Auto"; otherwise "Once": each step waits for a trigger
    bool popup = false;     // "Show Popup when done"
    QString comment;
    int triggerStep = 1; // 1-based row that triggers the waveform acquisition
    bool monitor = false;
};

// The type names in drop-down order: all eleven in AC and AC+DC, six in DC.
const QStringList& AcStepTypeNames();
const QStringList& DcStepTypeNames();

// The name compared without case; "" is Empty; nullopt for an unknown name.
std::optional<StepType> StepTypeFromName(QStringView name);
QString StepTypeName(StepType type);
bool AllowedInDc(StepType type);

// The grid heading of a column as the settings make it.
QString StepColumnHeading(int column, bool relative, bool cycles, bool dc);

} // namespace ostrel
