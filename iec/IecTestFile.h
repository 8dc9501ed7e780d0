#pragma once
// The ".411" test file: the dip table, the two variation rows, the sequence
// timing, the inrush pre-test and the nominal values, read through IniFile
// with every default and clamp, and its ".411_User" companion with the
// operator's data and the nominal values, which wins where it is readable.
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrel {

constexpr int kIecMaxDips = 100;
constexpr int kIecVariationRows = 2;
extern const QString kIecSection;     // "IEC-1000-4-11"
extern const QString kIecPausePrompt; // "Prompt for user intervention"
extern const QString kIecDelayText;   // "Delay between sequences"

struct IecDip {
    double cycles = 1.0;   // dip duration in cycles of Fnom
    double startPhase = 0; // degrees, -360 ... 360
    int level = 0;         // % Unom, 0 ... 200
    int delay = 1;         // seconds after the row; -1 = InterSeqDelay
};

struct IecVariation {
    int level = 0; // % Unom; -1 = unused
    int delay = 1; // seconds after the row; -1 = InterSeqDelay
};

struct IecUserData {
    QString testedBy, location, eut, comment;
};

struct IecTestFile {
    int seqRepeat = 3;
    int seqDuration = 10;
    int interSeqDelay = 1;
    QString userPrompt = kIecPausePrompt;
    int measUpdateRate = 1000;
    double fallTime = 2.0; // cycles
    double holdTime = 1.0;
    double riseTime = 2.0;
    std::vector<IecDip> dips{IecDip{}};
    std::vector<IecVariation> variations{IecVariation{}, IecVariation{}};
    bool includePeak = false;
    int preTestDelay = 0;
    IecUserData user;
    double voltage = 230;  // Unom
    double frequency = 50; // Fnom
    // The nominal values could not be read (missing, not a number, zero
    // voltage, a frequency outside the model's limits).
    bool nominalUnreadable = false;

    bool pauses() const { return userPrompt.trimmed() == kIecPausePrompt; }
    // Seconds after a row; -1 stands for InterSeqDelay.
    int delayAfter(int rowDelay) const { return rowDelay < 0 ? interSeqDelay : rowDelay; }
};

// "x.411" -> "x.411_User"; any other name gets ".411_User" appended, so the
// companion is never the test file itself.
QString IecUserCompanionPath(const QString& testPath);

struct IecLoad {
    bool ok = false;
    QString error;     // names the file (and line) when refused
    QStringList notes; // clamps made on load
};

struct IecLoadContext {
    double freqMin = 16; // the connected model's limits
    double freqMax = 1000;
    double steadyVoltage = 230; // used when the file's nominal values are unreadable
    double steadyFrequency = 50;
};

// Reads `path` and its companion. A file that is not text is refused naming
// the line; every value is otherwise defaulted and clamped.
IecLoad LoadIecTestFile(const QString& path, IecTestFile& file, const IecLoadContext& context = {});
// Writes the test file and its companion, each whole or not at all.
bool SaveIecTestFile(const QString& path, const IecTestFile& file, QString& error);

// "WARNING: Program could not read voltage and/or frequency setting" ...
QString IecNominalWarning();
// Applies the load clamps to values the operator entered.
void ClampIecTestFile(IecTestFile& file);
// Is the text a nominal voltage / frequency the test can use?
bool IecVoltageReadable(const QString& text);
bool IecFrequencyReadable(const QString& text, double freqMin, double freqMax);

} // namespace ostrel
