// The MIL-STD-704 test set: seven power groups, single and three phase at
// 400 Hz, the 360-800 Hz band, 60 Hz, 28 V and 270 V DC.
#include "standards/StandardGroups.h"

namespace ostrel {

namespace {

TestStandard makeMs704() {
    TestStandard s;
    s.key = QStringLiteral("ms704");
    s.windowName = QStringLiteral("frmMS704_Tables");
    s.title = QStringLiteral("MIL-STD-704 Power Input Tests");
    for (QChar letter : QStringLiteral("ABCDEF"))
        s.libraryEntries << QStringLiteral("MS704_Rev") + letter;
    s.defaultLibrary = 5;
    s.userLibraryRevision = 5;
    s.userLibraryList = QStringLiteral("MS704UserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("MS704_Structure_Tbl_");
    s.distortionLimitsFile = QStringLiteral("MS704_Distortion_Limits.ini");
    s.distortionLayout.thdDefault = 12.0f;
    s.waveformListPrefix = QStringLiteral("MS704");
    s.waveformListSuffix = QStringLiteral("_WaveformList.txt");
    s.fileFilterName = QStringLiteral("MS704 Test File");
    s.revisionPreference = QStringLiteral("MS704_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/MS704_Meas_Summary.txt");
    s.reportTitle = QStringLiteral("Mil-Std 704 Test Report");

    const QString f400 = QStringLiteral("400_Hz");
    const QString f360 = QStringLiteral("360_Hz");
    const QString f800 = QStringLiteral("800_Hz");
    s.groups = {
        ConstantFrequencyGroup(QStringLiteral("SAC: 115V/400 Hz CF AC 1 Phs"), QStringLiteral("SAC"), f400),
        ConstantFrequencyGroup(QStringLiteral("TAC: 115V/400 Hz CF AC 3 Phs"), QStringLiteral("TAC"), f400),
        VariableFrequencyGroup(QStringLiteral("SVF: 115V/360-800 Hz VF AC 1 Phs"), QStringLiteral("SVF"), f360, f800),
        VariableFrequencyGroup(QStringLiteral("TVF: 115V/360-800 Hz VF AC 3 Phs"), QStringLiteral("TVF"), f360, f800),
        ConstantFrequencyGroup(QStringLiteral("SXF: 115V/60 Hz CF AC 1 Phs"), QStringLiteral("SXF"),
                               QStringLiteral("60_Hz")),
        DcGroup(QStringLiteral("LDC: 28V DC"), QStringLiteral("LDC")),
        DcGroup(QStringLiteral("HDC: 270V DC"), QStringLiteral("HDC")),
    };
    for (PowerGroup& g : s.groups) {
        g.reportTemplate = QStringLiteral("MS704_") + g.code + QStringLiteral("_Template.doc");
        g.reportPrefix = QStringLiteral("MS704_") + g.code + QStringLiteral("-");
    }
    SetFallbacks(s, 1, 6, QStringLiteral("TAC"), QStringLiteral("HDC"));
    TakeModeRefusals(s);
    s.testFrequencies = TestFrequencyList({QStringLiteral("60_Hz")});
    s.phaseAngleColumns = true;
    s.harmonicPhaseReadings = true;
    return s;
}

} // namespace

const TestStandard& Ms704Standard() {
    static const TestStandard standard = makeMs704();
    return standard;
}

} // namespace ostrel
