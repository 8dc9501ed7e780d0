// The airframers' test sets. Their specifications are licensed documents:
// the shipped libraries are format examples for the user's own data.
#include "standards/StandardGroups.h"

namespace ostrel {

const TestStandard& B787RevisionSet(int revision);

namespace {

const QString f360 = QStringLiteral("360_Hz");
const QString f400 = QStringLiteral("400_Hz");
const QString f620 = QStringLiteral("620_Hz");
const QString f800 = QStringLiteral("800_Hz");

QStringList revisions(const QString& prefix) {
    QStringList entries;
    for (QChar letter : QStringLiteral("ABCDEF"))
        entries << prefix + letter;
    return entries;
}

void reports(PowerGroup& g, const QString& templateFile, const QString& prefix) {
    g.reportTemplate = templateFile;
    g.reportPrefix = prefix;
}

TestStandard makeAbd010018() {
    TestStandard s;
    s.key = QStringLiteral("abd010018");
    s.windowName = QStringLiteral("frmABD010018Tables");
    s.title = QStringLiteral("Airbus ABD0100.1.8 Power Input Tests");
    s.libraryEntries = revisions(QStringLiteral("ABD010018_Rev"));
    s.defaultLibrary = 0;
    s.userLibraryRevision = 5;
    s.userLibraryList = QStringLiteral("ABDUserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("ABD_Structure_Tbl_");
    s.distortionLimitsFile = QStringLiteral("ABD010018_Distortion_Limits.ini");
    s.distortionLayout = {QStringLiteral("TABLE_%1"), QStringLiteral("TABLE_%1"), 12.0f};
    s.waveformListPrefix = QStringLiteral("ABD_WaveformList.txt");
    s.fileFilterName = QStringLiteral("ABD Test File");
    s.revisionPreference = QStringLiteral("ABD_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/ABD010018_Meas_Summary.txt");
    s.reportTitle = QStringLiteral("Airbus ABD0100.1.8 Test Report");
    s.groups = {
        ConstantFrequencyGroup(QStringLiteral("Table A: 115V/400 Hz CF AC Power"), QStringLiteral("A"), f400),
        ConstantFrequencyGroup(QStringLiteral("Table B: 26V/400 Hz CF AC Power"), QStringLiteral("B"), f400),
        VariableFrequencyGroup(QStringLiteral("Table C: 115V/360-800 Hz VF AC Power"), QStringLiteral("C"), f360, f800),
        DcGroup(QStringLiteral("Table D: Conventional 28V DC Network Power"), QStringLiteral("D")),
        DcGroup(QStringLiteral("Table E: NBPT 28V DC Network Power"), QStringLiteral("E")),
    };
    for (PowerGroup& g : s.groups)
        reports(g, QStringLiteral("ABD010018_TBL") + g.code + QStringLiteral("_Template.doc"),
                QStringLiteral("ABD010018_") + g.code + QStringLiteral("-"));
    SetFallbacks(s, 0, 3, CaptionName(s.groups[0].caption), CaptionName(s.groups[3].caption));
    TakeModeRefusals(s);
    s.testFrequencies = TestFrequencyList({});
    return s;
}

TestStandard makeA350() {
    TestStandard s;
    s.key = QStringLiteral("a350");
    s.windowName = QStringLiteral("frmABD_A350Tables");
    s.title = QStringLiteral("Airbus ABD0100.1.8.1 A350 Power Input Tests");
    s.libraryEntries = revisions(QStringLiteral("ABD_A350_Rev"));
    s.defaultLibrary = 1;
    s.userLibraryRevision = 5;
    s.userLibraryList = QStringLiteral("ABD350UserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("ABD_A350_Structure_");
    s.distortionLimitsFile = QStringLiteral("ABD_A350_Distortion_Limits.ini");
    s.distortionLayout = {QStringLiteral("TABLE_A"), QStringLiteral("TABLE_A"), 12.0f};
    s.waveformListPrefix = QStringLiteral("ABD350B_WaveformList.txt");
    s.fileFilterName = QStringLiteral("ABD Test File");
    s.revisionPreference = QStringLiteral("ABD350_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/A350_Meas_Summary.txt");
    s.reportTitle = QStringLiteral("Airbus A350 Test Report");
    s.groups = {
        VariableFrequencyGroup(QStringLiteral("SVF: 115VAC, VF"), QStringLiteral("SVF"), f360, f800),
        VariableFrequencyGroup(QStringLiteral("TVF: 115VAC, VF"), QStringLiteral("TVF"), f360, f800),
        VariableFrequencyGroup(QStringLiteral("SVFH: 230VAC. VF"), QStringLiteral("SVFH"), f360, f800),
        VariableFrequencyGroup(QStringLiteral("TVFH: 230VAC, VF"), QStringLiteral("TVFH"), f360, f800),
        ConstantFrequencyGroup(QStringLiteral("SCF: 115VAC, 400Hz"), QStringLiteral("SCF"), f400),
        ConstantFrequencyGroup(QStringLiteral("TCF: 115VAC, 400Hz"), QStringLiteral("TCF"), f400),
        ConstantFrequencyGroup(QStringLiteral("SCFH: 230VAC,400Hz"), QStringLiteral("SCFH"), f400),
        ConstantFrequencyGroup(QStringLiteral("TCFH: 230VAC,400Hz"), QStringLiteral("TCFH"), f400),
        DcGroup(QStringLiteral("LDC: 28VDC"), QStringLiteral("LDC")),
    };
    for (PowerGroup& g : s.groups)
        reports(g, QStringLiteral("A350_") + g.code + QStringLiteral("_Template.doc"),
                QStringLiteral("A350_") + g.code + QStringLiteral("-"));
    SetFallbacks(s, 4, 8, QStringLiteral("SCF"), QStringLiteral("LDC"));
    s.acFallbackGroupThreePhase = 5;
    s.acFallbackWarningThreePhase = FallbackWarning(false, QStringLiteral("TCF"));
    TakeModeRefusals(s);
    s.testFrequencies = TestFrequencyList({QStringLiteral("900_Hz")});
    s.phaseAngleColumns = true;
    s.harmonicPhaseReadings = true;
    s.extraSelectionRow = QStringLiteral("Click here to Open Switching Transients Screen ");
    s.extraSelectionRowFrom = 1;
    s.extraSelectionStatus = QStringLiteral("Switching transients screen not available.");
    return s;
}

TestStandard makeAmd24() {
    TestStandard s;
    s.key = QStringLiteral("amd24");
    s.windowName = QStringLiteral("frmAMD24_Tables");
    s.title = QStringLiteral("Airbus AMD24 Power Input Tests");
    s.libraryEntries = revisions(QStringLiteral("AMD24_Rev"));
    s.defaultLibrary = 2;
    s.userLibraryRevision = 5;
    s.userLibraryList = QStringLiteral("AMD24UserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("AMD24_Structure_Tbl_");
    s.distortionLimitsFile = QStringLiteral("AMD24_Distortion_Limits.ini");
    s.distortionLayout = {QStringLiteral("TABLE_A."), QStringLiteral("TABLE_A."), 0.0f};
    s.waveformListPrefix = QStringLiteral("AMD24");
    s.waveformListSuffix = QStringLiteral("_WaveformList.txt");
    s.fileFilterName = QStringLiteral("AMD24 Test File");
    s.revisionPreference = QStringLiteral("AMD24_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/AMD24_Meas_Summary.txt");
    s.reportTitle = QStringLiteral("AMD24 Test Report");
    // Each button loads the table its caption names.
    s.groups = {
        ConstantFrequencyGroup(QStringLiteral("SCF: 115V/400 Hz CF AC 1 Phs"), QStringLiteral("SCF"), f400),
        ConstantFrequencyGroup(QStringLiteral("TCF: 115V/400 Hz CF AC 3 Phs"), QStringLiteral("TCF"), f400),
        VariableFrequencyGroup(QStringLiteral("SVF: 115V/360-620 Hz VF AC 1 Phs"), QStringLiteral("SVF"), f360, f620),
        VariableFrequencyGroup(QStringLiteral("TVF: 115V/360-620 Hz VF AC 3 Phs"), QStringLiteral("TVF"), f360, f620),
        DcGroup(QStringLiteral("LDC: 28V DC"), QStringLiteral("LDC")),
    };
    for (PowerGroup& g : s.groups)
        reports(g, QStringLiteral("AMD24_") + g.code + QStringLiteral("_Template.doc"),
                QStringLiteral("AMD24_") + g.code + QStringLiteral("-"));
    SetFallbacks(s, 0, 4, QStringLiteral("SCF"), QStringLiteral("LDC"));
    s.acFallbackGroupThreePhase = 1;
    s.acFallbackWarningThreePhase = FallbackWarning(false, QStringLiteral("TCF"));
    TakeModeRefusals(s);
    s.testFrequencies = TestFrequencyList({QStringLiteral("390_Hz"), QStringLiteral("620_Hz")});
    s.phaseAngleColumns = true;
    s.harmonicPhaseReadings = true;
    return s;
}

TestStandard makeB787() {
    TestStandard s;
    s.key = QStringLiteral("b787");
    s.windowName = QStringLiteral("frmB787_Tables");
    s.title = QStringLiteral("Boeing B787B3-0147 Power Input Tests");
    s.libraryEntries = revisions(QStringLiteral("B787_Rev"));
    s.defaultLibrary = 0;
    s.userLibraryRevision = 5;
    s.userLibraryList = QStringLiteral("B787UserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("787_Structure_Tbl_");
    s.distortionLimitsFile = QStringLiteral("B787_Distortion_Limits.ini");
    s.waveformListPrefix = QStringLiteral("B787");
    s.waveformListSuffix = QStringLiteral("_WaveformList.txt");
    s.fileFilterName = QStringLiteral("MS704 Test File");
    s.revisionPreference = QStringLiteral("B787_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/B787_Meas_Summary.txt");
    s.reportTitle = QStringLiteral("Boeing B787B3-0147 Test Report");
    // Revisions A and B: the 230 V and 24 V captions.
    s.groups = {
        VariableFrequencyGroup(QStringLiteral("AC: 115V / 360 - 800 Hz VF"), QStringLiteral("115VAC"), f360, f800),
        VariableFrequencyGroup(QStringLiteral("AC: 230V / 360 - 800 Hz VF"), QStringLiteral("230VAC"), f360, f800),
        ConstantFrequencyGroup(QStringLiteral("AC: Ground Handling Equip 115 Vac"), QStringLiteral("GHE115VAC"), f400),
        ConstantFrequencyGroup(QStringLiteral("AC: Ground Handling Equip 235 Vac"), QStringLiteral("GHE235VAC"), f400),
        DcGroup(QStringLiteral("DC Type 1: 28 Vdc"), QStringLiteral("TYPE1DC")),
        DcGroup(QStringLiteral("DC Type 2: 24 Vdc"), QStringLiteral("TYPE2DC")),
        DcGroup(QStringLiteral("DC Type 3: 24 Vdc"), QStringLiteral("TYPE3DC")),
        DcGroup(QStringLiteral("DC Type 4: 28 Vdc"), QStringLiteral("TYPE4DC")),
        DcGroup(QString::fromUtf8("DC Type 5: \u00B1 270 Vdc"), QStringLiteral("TYPE5DC")),
        DcGroup(QString::fromUtf8("DC Type 6: \u00B1 130 Vdc"), QStringLiteral("TYPE6DC")),
    };
    const char* const files[][2] = {
        {"B787_AC115_Template.doc", "B787_AC115-"},       {"B787_AC230_Template.doc", "B787_AC230-"},
        {"B787_GHE115_Template.doc", "B787_GHE115-"},     {"B787_GHE235_Template.doc", "B787_GHE235-"},
        {"B787_DC2XTX_Template.doc", "B787_DC28T1-"},     {"B787_DC2XTX_Template.doc", "B787_DC24T2-"},
        {"B787_DC2XTX_Template.doc", "B787_DC24T3-"},     {"B787_DC2XTX_Template.doc", "B787_DC28T4-"},
        {"B787_DC270T5_Template.doc", "B787_DC270T5-"},   {"B787_DC130T6_Template.doc", "787_DC130T6-"}};
    for (size_t i = 0; i < s.groups.size(); ++i)
        reports(s.groups[i], QString::fromLatin1(files[i][0]), QString::fromLatin1(files[i][1]));
    SetFallbacks(s, 0, 4, s.groups[0].code, s.groups[4].code);
    TakeModeRefusals(s);
    s.testFrequencies = TestFrequencyList({});
    s.phaseAngleColumns = true;
    s.harmonicPhaseReadings = true;
    s.totalAcLabel = QStringLiteral("Total VA                Unbal.");
    s.totalDcLabel = QStringLiteral("Total W         ");
    s.revisionSet = &B787RevisionSet;
    return s;
}

// Revisions C to F and the user libraries: 235 V and 28 V.
TestStandard makeB787Later() {
    TestStandard s = makeB787();
    s.groups[1].caption = s.groups[1].reportName = QStringLiteral("AC: 235V / 360 - 800 Hz VF");
    s.groups[1].code = QStringLiteral("235VAC");
    for (int i : {5, 6}) {
        PowerGroup& g = s.groups[size_t(i)];
        g.caption = g.reportName = QStringLiteral("DC Type %1: 28 Vdc").arg(i - 3);
        g.reportPrefix = QStringLiteral("B787_DC28T%1-").arg(i - 3);
    }
    return s;
}

} // namespace

const TestStandard& Abd010018Standard() {
    static const TestStandard standard = makeAbd010018();
    return standard;
}

const TestStandard& AbdA350Standard() {
    static const TestStandard standard = makeA350();
    return standard;
}

const TestStandard& Amd24Standard() {
    static const TestStandard standard = makeAmd24();
    return standard;
}

const TestStandard& B787Standard() {
    static const TestStandard standard = makeB787();
    return standard;
}

const TestStandard& B787RevisionSet(int revision) {
    static const TestStandard later = makeB787Later();
    return revision < 2 ? B787Standard() : later;
}

} // namespace ostrel
