#include "standards/TestStandard.h"

namespace ostrel {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

TestStandard makeDo160() {
    TestStandard s;
    s.key = QStringLiteral("do160");
    s.windowName = QStringLiteral("frmDO160Tables");
    s.title = QStringLiteral("RTCA/DO-160 Power Input Tests");
    for (QChar letter : QStringLiteral("ABCDEFG")) {
        QString entry = QStringLiteral("DO160_Rev") + letter;
        if (letter < QLatin1Char('E')) entry += QStringLiteral(" - Not Available");
        s.libraryEntries << entry;
    }
    s.defaultLibrary = 5;
    s.userLibraryRevision = 6;
    s.userLibraryList = QStringLiteral("DO160UserTestLibraries.txt");
    s.structurePrefix = QStringLiteral("DO160_Structure_");
    s.distortionLimitsFile = QStringLiteral("DO160_Distortion_Limits.ini");
    s.waveformListPrefix = QStringLiteral("DO160");
    s.waveformListSuffix = QStringLiteral("_WaveformList.txt");
    s.fileFilterName = QStringLiteral("RTCA/DO160 Test File");
    s.revisionPreference = QStringLiteral("DO160_Test_Rev");
    s.summaryFile = QStringLiteral("Reports/DO160_Meas_Summary.txt");

    const QString f400 = QStringLiteral("400_Hz");
    const QString f360 = QStringLiteral("360_Hz");
    const QString dc = QStringLiteral("DC");
    s.groups = {
        {QStringLiteral("A (CF): 115V/400Hz"), QStringLiteral("ACF115"), QStringLiteral("A(CF) 115V"), false, f400, false, {}, {}, {}, {}},
        {QStringLiteral("A (CF): 230V/400Hz AC"), QStringLiteral("ACF230"), QStringLiteral("A(CF) 230V"), false, f400, false, {}, {}, {}, {}},
        {QStringLiteral("A (NF): 115V/360-650Hz"), QStringLiteral("ANF115"), QStringLiteral("A(NF) 115V"), false, f400, true, f360, QStringLiteral("700_Hz"), {}, {}},
        {QStringLiteral("A (NF): 230V/360-650Hz"), QStringLiteral("ANF230"), QStringLiteral("A(NF) 230V"), false, f400, true, f360, QStringLiteral("700_Hz"), {}, {}},
        {QStringLiteral("A (WF): 115V/360-800Hz"), QStringLiteral("AWF115"), QStringLiteral("A(WF) 115V"), false, f400, true, f360, QStringLiteral("800_Hz"), {}, {}},
        {QStringLiteral("A (WF): 230V/360-800Hz"), QStringLiteral("AWF230"), QStringLiteral("A(WF) 230V"), false, f400, true, f360, QStringLiteral("800_Hz"), {}, {}},
        {QStringLiteral("A: Conventional 28V DC"), QStringLiteral("ADC28"), QStringLiteral("A DC 28VDC"), true, dc, false, {}, {}, {}, {}},
        {QStringLiteral("A: Conventional 14V DC"), QStringLiteral("ADC14"), QStringLiteral("A DC 14VDC"), true, dc, false, {}, {}, {}, {}},
        {QStringLiteral("B: 28V DC"), QStringLiteral("BDC28"), QStringLiteral("B DC 28VDC"), true, dc, false, {}, {}, {}, {}},
        {QStringLiteral("B: 14V DC"), QStringLiteral("BDC14"), QStringLiteral("B DC 14VDC"), true, dc, false, {}, {}, {}, {}},
        {QStringLiteral("Z: Other 28V DC"), QStringLiteral("ZDC28"), QStringLiteral("Z DC 28VDC"), true, dc, false, {}, {}, {}, {}},
        {QStringLiteral("Z: Other 14V DC"), QStringLiteral("ZDC14"), QStringLiteral("Z DC 14VDC"), true, dc, false, {}, {}, {}, {}},
    };
    // One template per category: both voltages of A(CF) share "DO160_ACF_Template".
    for (PowerGroup& g : s.groups) {
        g.reportTemplate = QStringLiteral("DO160_") + g.code.left(3) + QStringLiteral("_Template.doc");
        g.reportPrefix = QStringLiteral("DO160_") + g.code.left(3) + QLatin1Char('-');
    }
    s.firstDcGroup = 6;
    s.lowFrequencyGroup = 0;
    s.lowFrequencyHighRange = 1;
    s.highFrequencyGroup = 4;
    s.highFrequencyHighRange = 5;
    s.defaultGroupFrequencyHz = 400;
    s.acFallbackGroup = 0;
    s.dcFallbackGroup = 6;
    s.acFallbackWarning = QStringList{QStringLiteral("WARNING: Power source mode has been changed"),
                                      QStringLiteral("to AC or AC+DC mode. Power group Category A(CF) has"),
                                      QStringLiteral("been selected since previously selected group"),
                                      QStringLiteral("was valid for DC mode only."),
                                      QStringLiteral("Switch output mode from main program if"),
                                      QStringLiteral("this was not your intention.")}
                              .join(kCrLf);
    s.dcFallbackWarning = QStringList{QStringLiteral("WARNING: Power source mode has been changed"),
                                      QStringLiteral("to DC mode. Power group Category A(DC) has been"),
                                      QStringLiteral("selected since previously selected group"),
                                      QStringLiteral("was valid for AC or AC+DC mode only."),
                                      QStringLiteral("Switch output mode from main program if"),
                                      QStringLiteral("this was not your intention.")}
                              .join(kCrLf);
    const auto refusal = [](const char* mode, const char* needed) {
        return QStringList{QStringLiteral("WARNING: Power source is in %1 mode.").arg(QLatin1String(mode)),
                           QStringLiteral("The power group selected requires the power"),
                           QStringLiteral("source to be in %1 mode instead.").arg(QLatin1String(needed)),
                           QStringLiteral("Switch output mode from main program"),
                           QStringLiteral("screen before selecting this test.")}
            .join(kCrLf);
    };
    s.dcGroupInAcWarning = refusal("AC", "DC");
    s.acGroupInDcWarning = refusal("DC", "AC");
    s.testFrequencies = {dc, f360};
    for (int k = 2; k <= 10; ++k)
        s.testFrequencies << QStringLiteral("%1_Hz").arg((k + 6) * 50);
    return s;
}

} // namespace

int TestStandard::groupIndex(const QString& code) const {
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].code.compare(code, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

int TestStandard::revisionIndex(int entryIndex) const {
    return entryIndex >= int(libraryEntries.size()) ? userLibraryRevision : entryIndex;
}

QString TestStandard::waveformListFile(int revision) const {
    // Without a suffix the prefix names one list for every revision.
    if (waveformListSuffix.isEmpty()) return waveformListPrefix;
    return waveformListPrefix + QChar(u'A' + revision) + waveformListSuffix;
}

const TestStandard& Do160Standard() {
    static const TestStandard standard = makeDo160();
    return standard;
}

const TestStandard* FindStandard(const QString& key) {
    for (const TestStandard* s : {&Do160Standard(), &Ms704Standard(), &Abd010018Standard(),
                                  &AbdA350Standard(), &Amd24Standard(), &B787Standard()})
        if (key.compare(s->key, Qt::CaseInsensitive) == 0) return s;
    return nullptr;
}

QString ReportTitle(const TestStandard& s) {
    if (!s.reportTitle.isEmpty()) return s.reportTitle;
    return QString(s.fileFilterName).replace(QStringLiteral(" Test File"), QStringLiteral(" Test Report"));
}

QString FallbackWarning(bool toDc, const QString& name) {
    const QStringList lines =
        toDc ? QStringList{QStringLiteral("WARNING: Power source mode has been changed"),
                           QStringLiteral("to DC mode. Power group %1 has been").arg(name),
                           QStringLiteral("selected since previously selected group"),
                           QStringLiteral("was valid for AC or AC+DC mode only."),
                           QStringLiteral("Switch output mode from main program if"),
                           QStringLiteral("this was not your intention.")}
             : QStringList{QStringLiteral("WARNING: Power source mode has been changed"),
                           QStringLiteral("to AC or AC+DC mode. Power group %1 has").arg(name),
                           QStringLiteral("been selected since previously selected group"),
                           QStringLiteral("was valid for DC mode only."),
                           QStringLiteral("Switch output mode from main program if"),
                           QStringLiteral("this was not your intention.")};
    return lines.join(kCrLf);
}

} // namespace ostrel
