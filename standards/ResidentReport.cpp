#include "standards/ResidentReport.h"

#include "link/Numbers.h"

#include <QFileInfo>

namespace ostrel {

QString ResidentReportStatus(const ResidentTestReport& t) {
    if (!t.selected) return QStringLiteral("SKIPPED");
    return t.status == ResidentTestStatus::Completed ? QStringLiteral("SELECTED") : QStringLiteral("NOT RUN");
}

QString ResidentReportName(const ResidentOption& option, const ResidentSetup& setup, int number) {
    return option.reportPrefix.contains(QLatin1String("%1")) ? option.reportPrefix.arg(setup.group) + QString::number(number)
                                                             : option.reportPrefix + QString::number(number);
}

TestReportRecord ResidentReportRecord(const ResidentOption& option, const ResidentSetup& setup,
                                      const ResidentOutcome& outcome, const QString& programTitle,
                                      const QString& setupPath) {
    TestReportRecord r;
    BeginReport(r, {programTitle, ResidentReportTitle(setup.standard), setupPath, 0, 115,
                    float(ResidentRun::NominalFrequency(option, setup)), outcome.started});
    r[FieldTestType] = option.optionName + QStringLiteral(" option test, group ") + setup.group;
    r[FieldEutDescription] = setup.user.eut;
    r[FieldOperator] = setup.user.testedBy;
    r[FieldComment] = setup.user.comment;
    r[FieldSite] = setup.site.site;
    r[FieldTemperature] = setup.site.temperature;
    r[FieldHumidity] = setup.site.humidity;
    r[FieldPressure] = setup.site.pressure;
    r.library = setup.standard;
    r.revision = setup.revision;
    r.groupName = setup.group;
    r.groupCaption = setup.group;
    r.testPath = setupPath;
    r.stepTable.append({QStringLiteral("Number"), QStringLiteral("Test"), QStringLiteral("Command"),
                        QStringLiteral("Frequencies"), QStringLiteral("Status")});
    for (const ResidentTestReport& t : outcome.tests) {
        QStringList freqs;
        for (double f : t.frequencies)
            freqs << FormatNumber(f, u"##0");
        r.stepTable.append({QString::number(t.index), option.names.value(t.index), t.command,
                            freqs.isEmpty() ? FormatNumber(ResidentRun::NominalFrequency(option, setup), u"##0")
                                            : freqs.join(QLatin1Char(',')),
                            ResidentReportStatus(t)});
    }
    for (const ResidentKeptValue& k : setup.kept)
        r.structureTable.append({k.section, k.key, k.value});
    if (!r.structureTable.isEmpty()) r.structureTable.prepend({QStringLiteral("Section"), QStringLiteral("Key"), QStringLiteral("Value")});
    EndReport(r, outcome.result, outcome.ended);
    if (outcome.outcome != RunOutcome::Completed) r[FieldTimeEnded] = QStringLiteral("NONE");
    return r;
}

namespace {
// Automatic report numbers start below this.
constexpr int kResidentReportNumbers = 30000;
} // namespace

DocumentReportJob ResidentReportJob(const ResidentOption& option, const ResidentSetup& setup,
                                    const TestReportRecord& r, const ResidentReportSource& source) {
    DocumentContent c;
    auto& t = c.text;
    t[QStringLiteral("Bk102")] = r[FieldReportTitle];
    t[QStringLiteral("Bk112")] = QFileInfo(r[FieldTestFile]).fileName();
    t[QStringLiteral("Bk113")] = r[FieldTestType];
    t[QStringLiteral("Bk103")] = r[FieldTimeStarted];
    t[QStringLiteral("Bk104")] = r[FieldTimeEnded];
    t[QStringLiteral("Bk109")] = r[FieldOperator];
    t[QStringLiteral("Bk105")] = r[FieldNominalVoltage] + QStringLiteral(" Vrms");
    t[QStringLiteral("Bk106")] = r[FieldNominalFrequency] + QStringLiteral(" Hz");
    t[QStringLiteral("Bk107")] = r[FieldTestResult];
    t[QStringLiteral("Bk108")] = r[FieldEutDescription];
    t[QStringLiteral("Bk110")] = r[FieldComment];
    t[QStringLiteral("Bk114")] = setup.phase == 0 ? QStringLiteral("Every output")
                                                  : QStringLiteral("Phase ") + QChar(u'A' + setup.phase - 1);
    t[QStringLiteral("Bk300")] = ReportTime(source.printed);
    t[QStringLiteral("Bk301")] = r[FieldProgramTitle] + QStringLiteral(" ,version: ") + source.programVersion;
    t[QStringLiteral("Bk302")] =
        QStringLiteral("Model = ") + source.model + QStringLiteral(", Serial no.= ") + source.serialNumber;
    t[QStringLiteral("Bk500")] = r[FieldSite];
    t[QStringLiteral("Bk501")] = r[FieldTemperature];
    t[QStringLiteral("Bk502")] = r[FieldHumidity];
    t[QStringLiteral("Bk503")] = r[FieldPressure];
    t[QStringLiteral("Bk504")] = setup.group + QStringLiteral(", Rev ") + setup.revision;
    t[QStringLiteral("Bk510")] = r.observations;
    t[QStringLiteral("BkTests")] = QString();
    if (r.stepTable.size() > 1) c.tables[QStringLiteral("BkTests")] = r.stepTable;
    t[QStringLiteral("bkFooter")] = QStringLiteral("Printed:\t") +
                                    source.printed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                    QStringLiteral("\t");
    const auto byGroup = [&](const QString& text) {
        return text.contains(QLatin1String("%1")) ? text.arg(setup.group) : text;
    };
    return {byGroup(option.reportTemplate), byGroup(option.reportPrefix), kResidentReportNumbers,
            r[FieldReportTitle], c};
}

} // namespace ostrel
