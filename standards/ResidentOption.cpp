#include "standards/ResidentOption.h"

#include "link/OutputState.h"
#include "link/SourceModel.h"

#include <cmath>

namespace ostrel {

namespace {

using S = ResidentSection;

const QString kCrLf = QStringLiteral("\r\n");

ResidentOption makeMs704() {
    ResidentOption o;
    o.kind = ResidentKind::Ms704;
    o.window = QStringLiteral("frmMS704");
    o.optionText = QStringLiteral("-704F");
    o.optionIndex = OptMs704F;
    o.optionName = QStringLiteral("MIL-STD 704 (MS704)");
    o.prefix = QStringLiteral("ms704");
    o.catalogue = {QStringLiteral(":norm:ssl:nom"),        QStringLiteral(":norm:ssl:high"),
                   QStringLiteral(":norm:ssl:low"),        QStringLiteral(":norm:ssl:unb"),
                   QStringLiteral(":norm:volt:phas:diff"), QStringLiteral(":norm:volt:mod"),
                   QStringLiteral(":norm:freq:mod"),       QStringLiteral(":norm:volt:dist:tot"),
                   QStringLiteral(":norm:volt:tran:over"), QStringLiteral(":norm:volt:tran:und"),
                   QStringLiteral(":norm:volt:tran:comb"), QStringLiteral(":norm:freq:tran:over"),
                   QStringLiteral(":norm:freq:tran:und"),  QStringLiteral(":norm:freq:tran:comb"),
                   QStringLiteral(":tran:pow:int"),        QStringLiteral(":abn:lim:nom"),
                   QStringLiteral(":abn:lim:low"),         QStringLiteral(":abn:lim:high"),
                   QStringLiteral(":abn:volt:tran:over"),  QStringLiteral(":abn:volt:tran:und"),
                   QStringLiteral(":abn:volt:tran:comb"),  QStringLiteral(":abn:freq:tran:over"),
                   QStringLiteral(":abn:freq:tran:und"),   QStringLiteral(":abn:freq:tran:comb"),
                   QStringLiteral(":emer:lim:nom"),        QStringLiteral(":emer:lim:low"),
                   QStringLiteral(":emer:lim:high"),       QStringLiteral(":norm:ssl:unb"),
                   QStringLiteral(":pow:fail:thr"),        QStringLiteral(":pow:fail:comb:one"),
                   QStringLiteral(":pow:fail:comb:two"),   QStringLiteral(":pow:fail:phas:rev")};
    o.names = {QStringLiteral("Steady state limits, nominal"),
               QStringLiteral("Steady state limits, high"),
               QStringLiteral("Steady state limits, low"),
               QStringLiteral("Voltage unbalance"),
               QStringLiteral("Voltage phase difference"),
               QStringLiteral("Voltage modulation"),
               QStringLiteral("Frequency modulation"),
               QStringLiteral("Total voltage distortion"),
               QStringLiteral("Normal voltage transient, over"),
               QStringLiteral("Normal voltage transient, under"),
               QStringLiteral("Normal voltage transients, combined"),
               QStringLiteral("Normal frequency transient, over"),
               QStringLiteral("Normal frequency transient, under"),
               QStringLiteral("Normal frequency transients, combined"),
               QStringLiteral("Power interrupt (transfer)"),
               QStringLiteral("Abnormal limits, nominal"),
               QStringLiteral("Abnormal limits, low"),
               QStringLiteral("Abnormal limits, high"),
               QStringLiteral("Abnormal voltage transient, over"),
               QStringLiteral("Abnormal voltage transient, under"),
               QStringLiteral("Abnormal voltage transients, combined"),
               QStringLiteral("Abnormal frequency transient, over"),
               QStringLiteral("Abnormal frequency transient, under"),
               QStringLiteral("Abnormal frequency transients, combined"),
               QStringLiteral("Emergency limits, nominal"),
               QStringLiteral("Emergency limits, low"),
               QStringLiteral("Emergency limits, high"),
               QStringLiteral("Emergency voltage unbalance"),
               QStringLiteral("Power failure, three phase"),
               QStringLiteral("Power failure, one phase"),
               QStringLiteral("Power failure, two phases"),
               QStringLiteral("Phase reversal")};
    for (int i = 0; i < 32; ++i)
        o.sections.push_back(i <= 7 ? S::Normal : i <= 13 ? S::Transients : i == 14 ? S::Transfer
                             : i <= 23 ? S::Abnormal : i <= 27 ? S::Emergency : S::PowerFail);
    o.standards = {QStringLiteral("MS704")};
    o.revisions = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                   QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")};
    o.groups = {{QStringLiteral("SAC"), QStringLiteral("0"), 400, false, false},
                {QStringLiteral("TAC"), QStringLiteral("1"), 400, true, false},
                {QStringLiteral("SVF"), QStringLiteral("2"), 0, false, true},
                {QStringLiteral("TVF"), QStringLiteral("3"), 0, true, true},
                {QStringLiteral("SXF"), QStringLiteral("4"), 60, false, false}};
    o.revisionQuery = QStringLiteral("ms704:rev?");
    o.groupQuery = QStringLiteral("ms704:gro?");
    o.frequencyQuery = QStringLiteral("ms704:freq?");
    o.extension = QStringLiteral(".704");
    o.fileFilter = QStringLiteral("MIL-STD 704 Immunity Tests (*.704)|*.704|All Files (*.*)|*.*");
    o.saveTitle = QStringLiteral("Save MIL-STD 704 Test File As...");
    o.durationsPrefix = QStringLiteral("MS704_Group_");
    o.reportPrefix = QStringLiteral("MS704_%1-");
    o.reportTemplate = QStringLiteral("MS704F_%1_Template");
    o.skipAndRepeat = true;
    return o;
}

// The others group their entries by the entry's first word.
std::vector<ResidentSection> sectionsByFirstWord(const QStringList& catalogue) {
    std::vector<ResidentSection> out;
    for (const QString& e : catalogue) {
        const QString w = e.section(QLatin1Char(':'), 1, 1).toUpper();
        out.push_back(w == QLatin1String("TRAN") ? S::Transients
                      : w == QLatin1String("EMER") ? S::Emergency
                      : w == QLatin1String("ABN")  ? S::Abnormal
                                                   : S::Normal);
    }
    return out;
}

ResidentOption makeMil704() {
    ResidentOption o;
    o.kind = ResidentKind::Mil704;
    o.window = QStringLiteral("frmMil704");
    o.optionText = QStringLiteral("-704");
    o.optionIndex = OptMs704;
    o.optionName = QStringLiteral("MIL-STD 704 (MIL704)");
    o.prefix = QStringLiteral("*OPC;:MIL704");
    o.catalogue = {QStringLiteral(":SST:VOLT:LEV"),   QStringLiteral(":SST:VOLT:MOD"),
                   QStringLiteral(":SST:VOLT:UNB"),   QStringLiteral(":SST:VOLT:RIPP"),
                   QStringLiteral(":SST:PHAS:DIFF"),  QStringLiteral(":SST:WAV:DIST"),
                   QStringLiteral(":SST:FREQ:LEV"),   QStringLiteral(":SST:FREQ:MOD"),
                   QStringLiteral(":TRAN:VOLT:HIGH"), QStringLiteral(":TRAN:VOLT:LOW"),
                   QStringLiteral(":TRAN:FREQ:HIGH"), QStringLiteral(":TRAN:FREQ:LOW"),
                   QStringLiteral(":EMER:VOLT"),      QStringLiteral(":EMER:FREQ"),
                   QStringLiteral(":ABN:VOLT:OVER"),  QStringLiteral(":ABN:VOLT:UND"),
                   QStringLiteral(":ABN:FREQ:OVER"),  QStringLiteral(":ABN:FREQ:UND")};
    o.names = {QStringLiteral("Steady state voltage level"),   QStringLiteral("Steady state voltage modulation"),
               QStringLiteral("Steady state voltage unbalance"), QStringLiteral("Steady state voltage ripple"),
               QStringLiteral("Steady state phase difference"), QStringLiteral("Steady state waveform distortion"),
               QStringLiteral("Steady state frequency level"), QStringLiteral("Steady state frequency modulation"),
               QStringLiteral("Transient voltage, high"),      QStringLiteral("Transient voltage, low"),
               QStringLiteral("Transient frequency, high"),    QStringLiteral("Transient frequency, low"),
               QStringLiteral("Emergency voltage"),            QStringLiteral("Emergency frequency"),
               QStringLiteral("Abnormal overvoltage"),         QStringLiteral("Abnormal undervoltage"),
               QStringLiteral("Abnormal overfrequency"),       QStringLiteral("Abnormal underfrequency")};
    o.sections = sectionsByFirstWord(o.catalogue);
    o.standards = {QStringLiteral("MIL704")};
    o.revisions = {QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F")};
    o.groups = {{QStringLiteral("400Hz"), QStringLiteral("400Hz"), 400, false, false},
                {QStringLiteral("VFR"), QStringLiteral("VFR"), 400, false, true},
                {QStringLiteral("60Hz"), QStringLiteral("60Hz"), 60, false, false}};
    o.revisionQuery = QStringLiteral("mil704:vers?");
    o.groupQuery = QStringLiteral("mil704:freq?");
    o.extension = QStringLiteral(".704");
    o.fileFilter = QStringLiteral("MIL-STD 704 Immunity Tests (*.704)|*.704|All Files (*.*)|*.*");
    o.saveTitle = QStringLiteral("Save MIL-STD 704 Test File As...");
    o.durationsPrefix = QStringLiteral("MIL704_Group_");
    o.reportPrefix = QStringLiteral("MIL704-");
    o.reportTemplate = QStringLiteral("MIL704Template");
    return o;
}

ResidentOption makeDo160() {
    ResidentOption o;
    o.kind = ResidentKind::Do160;
    o.window = QStringLiteral("frmRTCA");
    o.optionText = QStringLiteral("-160");
    o.optionIndex = OptDo160;
    o.optionName = QStringLiteral("RTCA/DO160 (DO160)");
    o.prefix = QStringLiteral("*OPC;:DO160");
    o.catalogue = {QStringLiteral(":NORM:VOLT_FREQ:MIN"), QStringLiteral(":NORM:VOLT_FREQ:MAX"),
                   QStringLiteral(":NORM:VOLT:UNB"),      QStringLiteral(":NORM:FREQ:MOD "),
                   QStringLiteral(":NORM:WAV:DIST"),      QStringLiteral(":NORM:VOLT:MOD "),
                   QStringLiteral(":NORM:VOLT:SURGE"),    QStringLiteral(":NORM:VOLT:INT "),
                   QStringLiteral(":NORM:FREQ:TRAN"),     QStringLiteral(":NORM:FREQ:VAR"),
                   QStringLiteral(":EMER:VOLT_FREQ:MIN"), QStringLiteral(":EMER:VOLT_FREQ:MAX"),
                   QStringLiteral(":EMER:VOLT:UNB"),      QStringLiteral(":ABN:VOLT:MIN"),
                   QStringLiteral(":ABN:VOLT:MAX"),       QStringLiteral(":ABN:VOLT:UND"),
                   QStringLiteral(":ABN:VOLT:OVER"),      QStringLiteral(":ABN:VOLT:UNB"),
                   QStringLiteral(":ABN:FREQ:TRAN")};
    o.names = {QStringLiteral("Voltage and Frequency Minimum (16.5.1.1)"),
               QStringLiteral("Voltage and Frequency Maximum (16.5.1.1)"),
               QStringLiteral("Voltage unbalance"),
               QStringLiteral("Frequency modulation"),
               QStringLiteral("Waveform distortion"),
               QStringLiteral("Voltage Modulation (16.5.1.2)"),
               QStringLiteral("Voltage Surge (16.5.3.3.1)"),
               QStringLiteral("Momentary power interruption"),
               QStringLiteral("Frequency transients"),
               QStringLiteral("Frequency variation"),
               QStringLiteral("Emergency voltage and frequency minimum"),
               QStringLiteral("Emergency voltage and frequency maximum"),
               QStringLiteral("Emergency voltage unbalance"),
               QStringLiteral("Abnormal voltage minimum"),
               QStringLiteral("Abnormal voltage maximum"),
               QStringLiteral("Abnormal undervoltage"),
               QStringLiteral("Abnormal overvoltage"),
               QStringLiteral("Abnormal voltage unbalance"),
               QStringLiteral("Abnormal frequency transients")};
    o.sections = sectionsByFirstWord(o.catalogue);
    o.standards = {QStringLiteral("RTCA"), QStringLiteral("RTCA2"), QStringLiteral("AIRB"), QStringLiteral("EUR")};
    o.revisions = o.standards;
    o.groups = {{QStringLiteral("ACF"), QStringLiteral("ACF"), 400, false, false},
                {QStringLiteral("ANF"), QStringLiteral("ANF"), 400, false, false},
                {QStringLiteral("AWF"), QStringLiteral("AWF"), 400, false, false}};
    o.revisionQuery = QStringLiteral("do160:stan?");
    o.groupQuery = QStringLiteral("do160:gro?");
    o.extension = QStringLiteral(".160");
    o.fileFilter = QStringLiteral("DO-160 Immunity Tests (*.160)|*.160|All Files (*.*)|*.*");
    o.saveTitle = QStringLiteral("Save DO-160 Test File As...");
    o.durationsPrefix = QStringLiteral("DO160_Group_");
    o.reportPrefix = QStringLiteral("DO160-");
    o.reportTemplate = QStringLiteral("DO160Template");
    return o;
}

} // namespace

int ResidentOption::groupIndex(const QString& code) const {
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].code.compare(code.trimmed(), Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

const ResidentOption& ResidentOptionFor(ResidentKind kind) {
    static const ResidentOption ms704 = makeMs704();
    static const ResidentOption mil704 = makeMil704();
    static const ResidentOption do160 = makeDo160();
    switch (kind) {
    case ResidentKind::Mil704:
        return mil704;
    case ResidentKind::Do160:
        return do160;
    case ResidentKind::Ms704:
        break;
    }
    return ms704;
}

const std::vector<const ResidentOption*>& ResidentOptions() {
    static const std::vector<const ResidentOption*> all{&ResidentOptionFor(ResidentKind::Ms704),
                                                        &ResidentOptionFor(ResidentKind::Mil704),
                                                        &ResidentOptionFor(ResidentKind::Do160)};
    return all;
}

const ResidentOption* FindResidentOption(const QString& name) {
    static const QStringList words{QStringLiteral("ms704"), QStringLiteral("mil704"), QStringLiteral("do160")};
    for (size_t i = 0; i < ResidentOptions().size(); ++i) {
        const ResidentOption* o = ResidentOptions()[i];
        if (o->window.compare(name, Qt::CaseInsensitive) == 0 || words[qsizetype(i)] == name.toLower()) return o;
    }
    return nullptr;
}

QString ResidentSectionName(ResidentSection section) {
    switch (section) {
    case S::Transients:
    case S::Transfer:
        return QStringLiteral("Transient State test");
    case S::Abnormal:
    case S::PowerFail:
        return QStringLiteral("Abnormal State test");
    case S::Emergency:
        return QStringLiteral("Emergency State test");
    case S::Normal:
        break;
    }
    return QStringLiteral("Normal State test");
}

QStringList ResidentFrequencies(const ResidentOption& option, const ResidentGroup& group) {
    if (option.kind == ResidentKind::Ms704 && group.variable)
        return {QStringLiteral("360"), QStringLiteral("400"), QStringLiteral("500"), QStringLiteral("600"),
                QStringLiteral("700"), QStringLiteral("800")};
    return {QString::number(group.frequency > 0 ? group.frequency : 400)};
}

QList<double> ResidentRepeatFrequencies() {
    return {400, 360, 600, 800};
}

QString ResidentReportTitle(const QString& standard) {
    const QString s = standard.trimmed().toUpper();
    if (s == QLatin1String("RTCA") || s == QLatin1String("RTCA2"))
        return QStringLiteral("RTCA/DO-160D Immunity Test Report");
    if (s == QLatin1String("AIRB")) return QStringLiteral("AIRBUS DO-160 Immunity Test Report");
    if (s == QLatin1String("EUR")) return QStringLiteral("EUROCAE ED-14D Immunity Test Report");
    return QStringLiteral("MIL-STD 704 Immunity Test Report");
}

QString ResidentOpeningRefusal(const ResidentOption& option, const OutputState& out) {
    const bool threePhase = out.MultiPhaseOutput == 1;
    const int phases = threePhase ? 3 : 1;
    const bool milStd = option.kind != ResidentKind::Do160;
    bool fits = out.OutputMode == ModeAC;
    for (int p = 0; p < phases; ++p) {
        const PhaseState& ph = out.Phase[size_t(p)];
        const float v = ph.Voltage;
        fits = fits && ((v >= 114 && v <= 116) || (v >= 228 && v <= 232)) && ph.WaveformIndex == 0;
    }
    const float f = out.Frequency;
    fits = fits && ((f >= 360 && f <= 800) || (milStd && f >= 59 && f <= 61));
    const auto at = [&](int p, float deg) { return std::fabs(out.Phase[size_t(p)].PhaseAngle - deg) < 0.05f; };
    if (threePhase) fits = fits && at(0, 0) && at(1, 240) && at(2, 120);
    if (fits) return {};
    return QStringList{QStringLiteral("Steady state settings are incorrect for this test"),
                       QStringLiteral("AC mode settings must be between 114 and 116 V"),
                       milStd ? QStringLiteral("or 228 and 232 V, frequency from 360 to 800 Hz or 59 to 61 Hz.")
                              : QStringLiteral("or 228 and 232 V, frequency from 360 to 800 Hz."),
                       QStringLiteral("In 3 phase mode, Phs A=0°, Phs B=240°, Phs C=120°."),
                       QStringLiteral("Finally, selected waveform must be SINUSOID to run"),
                       QStringLiteral("the ") + option.optionName + QStringLiteral(" Option.")}
        .join(kCrLf);
}

bool ResidentOptionInstalled(const ResidentOption& option, const SourceModel& model) {
    return option.optionIndex >= 0 && option.optionIndex < int(model.Options.size()) &&
           model.Options[size_t(option.optionIndex)] == 1;
}

} // namespace ostrel
