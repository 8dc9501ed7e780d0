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

} // namespace ostrel
