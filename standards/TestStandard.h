#pragma once
// What a standard test window varies, as data: its library entries and file
// names, power groups, test frequencies, limit sets, fall-backs and warnings.
// The engine, the window and the command-line runner read only this record;
// nothing tests a standard's name. Later sets add their switches here.
#include "standards/DistortionLimits.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace ostrel {

struct StepGrid;

struct PowerGroup {
    QString caption;    // the option button's caption, shown in lblTestGroup
    QString code;       // in the structure table's file name
    QString reportName; // for the report
    bool dc = false;    // needs the source in DC mode, else in AC or AC+DC
    // The test frequency selector after the group is chosen.
    QString testFrequency; // entry text: "400_Hz", "DC"
    bool testFrequencyEnabled = false;
    // Entries of the EUT acquisition sweep, first to last (empty: one acquisition).
    QString sweepFirst;
    QString sweepLast;
    // The report's template and the file name prefix of its documents.
    QString reportTemplate;
    QString reportPrefix;
};

// Before each step group is programmed: extra lines to send first, or a
// refusal text that leaves the group not executed. Sets that need phase
// angles or caption changes per group plug in here.
using BeforeGroupHook =
    std::function<QString(const StepGrid& grid, int firstRow, int lastRow, QStringList& extraLines)>;

struct TestStandard {
    QString key;        // command-line name: "do160"
    QString windowName; // objectName of the window
    QString title;      // window caption

    // Library entries of the selector: entries marked unavailable have no folder.
    QStringList libraryEntries;
    int defaultLibrary = 0;
    // Revision index of every user library (counted as the newest revision).
    int userLibraryRevision = 0;
    QString userLibraryList;      // "DO160UserTestLibraries.txt"
    QString structurePrefix;      // "DO160_Structure_"
    QString distortionLimitsFile; // "DO160_Distortion_Limits.ini"
    DistortionLayout distortionLayout;
    // Waveform list file: prefix + revision letter ("A" + revision index) + suffix;
    // with no suffix the prefix is the one list's name.
    QString waveformListPrefix; // "DO160"
    QString waveformListSuffix; // "_WaveformList.txt"
    QString fileFilterName;     // "RTCA/DO160 Test File"
    QString revisionPreference; // "DO160_Test_Rev", section "UserPreferences"
    QString summaryFile;        // per-user, relative: "Reports/DO160_Meas_Summary.txt"
    QString reportTitle;        // "" reads the file filter's name with "Test Report" for "Test File"

    std::vector<PowerGroup> groups;
    // Default power groups of the window start.
    int firstDcGroup = 0;
    int lowFrequencyGroup = 0;       // AC at or below 400 Hz, low range
    int lowFrequencyHighRange = 1;   // ... a higher range
    int highFrequencyGroup = 4;      // AC above 400 Hz, low range
    int highFrequencyHighRange = 5;
    double defaultGroupFrequencyHz = 400;
    // Fall-backs when the source's mode no longer fits the group chosen.
    int acFallbackGroup = 0; // a DC group found in AC or AC+DC mode
    int dcFallbackGroup = 6; // an AC group found in DC mode
    QString acFallbackWarning;
    QString dcFallbackWarning;
    // Sets whose AC fall-back depends on the phase count: the three-phase group (-1: none).
    int acFallbackGroupThreePhase = -1;
    QString acFallbackWarningThreePhase;
    // The window starts on the fall-back group of the mode instead of by frequency and range.
    bool defaultGroupIsFallback = false;
    // Refusals of a group that does not fit the mode (the choice stays).
    QString dcGroupInAcWarning;
    QString acGroupInDcWarning;

    QStringList testFrequencies; // "DC", "360_Hz", "400_Hz" ... "800_Hz"

    // Switches for what later sets add.
    // "PhsB" / "PhsC" of a group's first row set phases B and C before it, in three-phase mode.
    bool phaseAngleColumns = false;
    bool harmonicPhaseReadings = false;
    BeforeGroupHook beforeGroup;
    // lblUnBal in the AC modes and in DC mode ("" keeps the engine's texts).
    QString totalAcLabel;
    QString totalDcLabel;
    // A last row of the test selection that loads nothing, shown from this revision on.
    QString extraSelectionRow;
    int extraSelectionRowFrom = 1;
    QString extraSelectionStatus;

    // The descriptor whose groups a revision uses (null: this one for all).
    const TestStandard& (*revisionSet)(int revision) = nullptr;

    int groupIndex(const QString& code) const; // case-insensitive; -1 when unknown
    // The revision index of a library entry (user libraries count as userLibraryRevision).
    int revisionIndex(int entryIndex) const;
    QString waveformListFile(int revision) const;
};

// The DO-160 set.
const TestStandard& Do160Standard();
// The MIL-STD-704 set and the airframers' sets.
const TestStandard& Ms704Standard();
const TestStandard& Abd010018Standard();
const TestStandard& AbdA350Standard();
const TestStandard& Amd24Standard();
const TestStandard& B787Standard(); // revisions A and B: the 230 V and 24 V captions
// A B787 revision's set: C to F and user libraries take the 235 V and 28 V captions.
const TestStandard& B787RevisionSet(int revision);
// The fall-back warning in the MIL-STD-704 wording, naming the group chosen.
QString FallbackWarning(bool toDc, const QString& groupName);
// The report's title: reportTitle, else from the file filter's name.
QString ReportTitle(const TestStandard& standard);
// The sets the command line knows, by key; null when unknown.
const TestStandard* FindStandard(const QString& key);

} // namespace ostrel
