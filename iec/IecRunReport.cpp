#include "iec/IecRunReport.h"

#include "core/Program.h"
#include "link/Numbers.h"

#include <QFileInfo>

namespace ostrel {

const QString kIecReportTitle = QStringLiteral("EN 61000-4-11 Test Report");

namespace {

QString reading(const std::optional<double>& x) {
    return x ? FormatNumber(*x, u"##0.00") : QStringLiteral("-");
}

} // namespace

QString IecTestTypeText(IecTable table) {
    return table == IecTable::Dips ? QStringLiteral("Voltage dips test")
                                   : QStringLiteral("Voltage variations test");
}

IecReportInput IecRunReportInput(const Program& program, const IecTestFile& file,
                                 const QString& path, IecTable table, const IecRunOutcome& run) {
    IecReportInput in;
    in.programVersion = QStringLiteral(OSTREL_VERSION);
    in.model = program.sourceModel.ModelName;
    in.serialNumber = program.sourceModel.SerialNumber;
    in.header0 = program.settings.report.header0;
    in.header1 = program.settings.report.header1;
    in.printed = QDateTime::currentDateTime();
    TestReportRecord& r = in.record;
    BeginReport(r, {QStringLiteral("Ostrel ") + QStringLiteral(OSTREL_VERSION), kIecReportTitle,
                    path, 0, float(file.voltage), float(file.frequency), run.started});
    r[FieldTestType] = IecTestTypeText(table);
    r[FieldTestResult] = run.result;
    r[FieldTimeEnded] =
        run.endField.startsWith(QLatin1String("NONE, ")) ? run.endField : ReportTime(run.ended);
    r[FieldOperator] = file.user.testedBy;
    r[FieldSite] = file.user.location;
    r[FieldEutDescription] = file.user.eut;
    r[FieldComment] = file.user.comment;
    r.threePhase = program.outputState.MultiPhaseOutput == 1;
    if (run.inrushTested) r[FieldInrush] = run.inrushText;
    if (!run.comments.isEmpty())
        SetUserDataField(r, QStringLiteral("observations"),
                         run.comments.join(QStringLiteral("\r\n")));
    QStringList header{QStringLiteral("Row"), QStringLiteral("Level %Unom")};
    if (table == IecTable::Dips)
        header << QStringLiteral("Cycles") << QStringLiteral("Start Phase");
    else
        header << QStringLiteral("Td (cycles)") << QStringLiteral("Ts (cycles)")
               << QStringLiteral("Ti (cycles)");
    header << QStringLiteral("Repetitions") << QStringLiteral("V min") << QStringLiteral("I max")
           << QStringLiteral("Result");
    in.steps.append(header);
    for (const IecStepReport& s : run.steps) {
        QStringList row{QString::number(s.step.row + 1), QString::number(s.step.level)};
        if (table == IecTable::Dips)
            row << FormatNumber(s.step.cycles, u"0.0##") << s.step.phase;
        else
            row << FormatNumber(s.step.td, u"0.0##") << FormatNumber(s.step.ts, u"0.0##")
                << FormatNumber(s.step.ti, u"0.0##");
        row << QStringLiteral("%1/%2").arg(s.done).arg(s.step.repetitions) << reading(s.vMin)
            << reading(s.iMax) << IecStepResultName(s.result);
        in.steps.append(row);
    }
    r.stepTable = in.steps;
    QStringList parms{QStringLiteral("Nominal voltage = ") + FormatNumber(file.voltage, u"##0.00") +
                          QStringLiteral(" V"),
                      QStringLiteral("Nominal frequency = ") +
                          FormatNumber(file.frequency, u"##0.0") + QStringLiteral(" Hz"),
                      QStringLiteral("Repetitions per row = %1").arg(file.seqRepeat),
                      QStringLiteral("Time at Unom after each = %1 s").arg(file.seqDuration),
                      QStringLiteral("Delay between sequences = %1 s").arg(file.interSeqDelay),
                      QStringLiteral("Between sequences: ") + file.userPrompt};
    if (table == IecTable::Variations)
        parms << QStringLiteral("Td = ") + FormatNumber(file.fallTime, u"0.0##") +
                     QStringLiteral(", Ts = ") + FormatNumber(file.holdTime, u"0.0##") +
                     QStringLiteral(", Ti = ") + FormatNumber(file.riseTime, u"0.0##") +
                     QStringLiteral(" cycles");
    in.parameters = parms.join(QStringLiteral("\r\n"));
    return in;
}

bool SetIecUserField(TestReportRecord& record, const QString& key, const QString& value) {
    static const QList<std::pair<QString, QString>> names{
        {QStringLiteral("TestedBy"), QStringLiteral("operator")},
        {QStringLiteral("Test_Location"), QStringLiteral("site")},
        {QStringLiteral("EUT"), QStringLiteral("eut")},
        {QStringLiteral("Comment"), QStringLiteral("comment")},
        {QStringLiteral("Temperature"), QStringLiteral("temp")},
        {QStringLiteral("Humidity"), QStringLiteral("humidity")},
        {QStringLiteral("Pressure"), QStringLiteral("pressure")},
        {QStringLiteral("Observations"), QStringLiteral("observations")}};
    for (const auto& [k, field] : names)
        if (k == key) return SetUserDataField(record, field, value);
    return false;
}

} // namespace ostrel
