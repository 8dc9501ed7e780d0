#pragma once
// The current distortion limits of a test library: per supply kind a THD
// limit ("Ithd") and a limit for each harmonic ("IHarmLimit_" h) in percent
// of the fundamental. Set 0 serves DC, 1 single-phase AC, 3 three-phase AC.
#include <QString>

#include <array>
#include <optional>

namespace ostrel {

constexpr int kLimitedHarmonics = 40;

struct DistortionLimits {
    // Current THD limit in percent; 0 (the value of a missing key) means no limit.
    float thdLimit = 0;
    // Index 0 is harmonic 1; none where the file gives no limit.
    std::array<std::optional<float>, kLimitedHarmonics> harmonic{};
};

// The limit set for the present supply.
int DistortionLimitSet(bool dcMode, bool threePhase);

struct DistortionLimitsRead {
    bool ok = false;
    bool found = false; // a missing file is no error: no THD limit, no harmonic limits
    DistortionLimits limits;
    QString error; // names the file and the section and key that are wrong
};

// Where a set's limits stand in its file: the sections ("%1" is the set,
// a name without it serves every set) and the THD limit of a missing "Ithd".
struct DistortionLayout {
    QString thdSection = QStringLiteral("PHASES_%1");
    QString harmonicSection = QStringLiteral("TABLE_%1");
    float thdDefault = 0;
};

// Reads set `set` of the file. A value that is present must be a number;
// an empty one counts as absent.
DistortionLimitsRead ReadDistortionLimits(const QString& path, int set);
DistortionLimitsRead ReadDistortionLimits(const QString& path, int set, const DistortionLayout& layout);

} // namespace ostrel
