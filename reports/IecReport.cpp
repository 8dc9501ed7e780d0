#include "reports/IecReport.h"

#include "measure/WriteRecords.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kRule = QString(79, u'-');
constexpr int kShownFileChars = 60;

QString shownFileName(const QString& name) {
    return name.size() > kShownFileChars ? QStringLiteral("...") + name.right(kShownFileChars)
                                         : name;
}

bool ended(const TestReportRecord& r) {
    return !r[FieldTimeEnded].startsWith(QLatin1String("NONE, ")) &&
           r[FieldTimeEnded] != QLatin1String("NONE");
}

QString endLabel(const TestReportRecord& r, bool printed) {
    if (!ended(r))
        return printed ? QStringLiteral("/n  Time test aborted    = ")
                       : QStringLiteral("Time test aborted    = ");
    return printed ? QStringLiteral("/n  Time test completed  = ")
                   : QStringLiteral("Time test completed  = ");
}

// "Step no." and the steps' columns, each as wide as its widest cell.
QStringList stepLines(const ReportTable& steps) {
    if (steps.isEmpty()) return {QStringLiteral("Step no.")};
    ReportTable table;
    for (qsizetype r = 0; r < steps.size(); ++r)
        table << (QStringList{r == 0 ? QStringLiteral("Step no.") : QString::number(r)} + steps[r]);
    QVector<int> widths;
    for (const QStringList& row : table)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.resize(c + 1);
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
        }
    QStringList lines;
    for (const QStringList& row : table) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += row[c].leftJustified(widths[c] + 2);
        lines << line.trimmed();
    }
    return lines;
}

} // namespace

QString IecTemplateName(const QString& reportTitle) {
    if (reportTitle.contains(QLatin1String("4-11"))) return QStringLiteral("IEC411Template");
    if (reportTitle.contains(QLatin1String("4-14"))) return QStringLiteral("IEC414Template");
    return QStringLiteral("IEC428Template");
}

QString IecReportPrefix(const QString& reportTitle) {
    return IecTemplateName(reportTitle).replace(QLatin1String("Template"), QLatin1String("-"));
}

DocumentContent IecDocumentContent(const IecReportInput& in) {
    const TestReportRecord& r = in.record;
    DocumentContent c;
    auto& t = c.text;
    t[QStringLiteral("Bk102")] = r[FieldReportTitle];
    t[QStringLiteral("Bk112")] = shownFileName(r[FieldTestFile]);
    t[QStringLiteral("Bk113")] = r[FieldTestType];
    t[QStringLiteral("Bk103")] = r[FieldTimeStarted];
    t[QStringLiteral("Bk104")] = r[FieldTimeEnded];
    t[QStringLiteral("Bk109")] = r[FieldOperator];
    t[QStringLiteral("Bk105")] = r[FieldNominalVoltage] + QStringLiteral(" Vrms");
    t[QStringLiteral("Bk106")] = r[FieldNominalFrequency] + QStringLiteral(" Hz");
    t[QStringLiteral("Bk107")] = r[FieldTestResult];
    t[QStringLiteral("Bk108")] = r[FieldEutDescription];
    t[QStringLiteral("Bk110")] = r[FieldComment];
    t[QStringLiteral("Bk114")] =
        r.threePhase ? QStringLiteral("Three phase mode") : QStringLiteral("Phase A");
    t[QStringLiteral("Bk300")] = ReportTime(in.printed);
    t[QStringLiteral("Bk301")] =
        r[FieldProgramTitle] + QStringLiteral(" ,version: ") + in.programVersion;
    t[QStringLiteral("Bk302")] =
        QStringLiteral("Model = ") + in.model + QStringLiteral(", Serial no.= ") + in.serialNumber;
    t[QStringLiteral("Bk500")] = r[FieldSite];
    t[QStringLiteral("Bk501")] = r[FieldTemperature];
    t[QStringLiteral("Bk502")] = r[FieldHumidity];
    t[QStringLiteral("Bk503")] = r[FieldPressure];
    t[QStringLiteral("Bk510")] = r.observations;
    t[QStringLiteral("BkParams")] = in.parameters;
    t[QStringLiteral("BkSteps")] = QString();
    if (!in.steps.isEmpty()) c.tables[QStringLiteral("BkSteps")] = in.steps;
    t[QStringLiteral("BkInrush")] =
        r[FieldInrush].isEmpty() ? QString()
                                 : QStringLiteral("Peak inrush current test: ") + r[FieldInrush];
    t[QStringLiteral("BkEOS")] =
        in.eosUsed ? QStringLiteral("Electronic Output Switch (EOS) option used")
                   : QStringLiteral("Electronic Output Switch (EOS) option not used");
    if (in.trendPng.isEmpty())
        t[QStringLiteral("GbkTrend")] = QString();
    else
        c.pictures[QStringLiteral("GbkTrend")] = in.trendPng;
    t[QStringLiteral("bkHeader0")] = in.header0;
    t[QStringLiteral("bkHeader1")] = in.header1;
    t[QStringLiteral("bkFooter")] = QStringLiteral("Printed:\t") +
                                    in.printed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                    QStringLiteral("\t");
    return c;
}

bool WriteIecDocumentReport(const IecReportInput& input, const QString& templatePath,
                            const QString& basePath, DocumentReportOutcome& outcome,
                            QString& error) {
    return WriteDocumentReport(templatePath, IecDocumentContent(input), basePath,
                               input.record[FieldReportTitle], outcome, error);
}

bool WriteIecReportFiles(const IecReportInput& input, const QString& templatePath,
                         const QString& docxPath, const QString& pdfPath,
                         DocumentReportOutcome& outcome, QString& error) {
    return WriteDocumentFiles(templatePath, IecDocumentContent(input), docxPath, pdfPath,
                              input.record[FieldReportTitle], outcome, error);
}

QStringList IecTextReportLines(const IecReportInput& in) {
    const TestReportRecord& r = in.record;
    QStringList lines{r[FieldProgramTitle], r[FieldReportTitle], QString(), kRule};
    lines << QStringLiteral("Print Date           = ") + ReportTime(in.printed) +
                 QStringLiteral("; Program version      = ") + in.programVersion;
    lines << kRule << QStringLiteral("IEC TEST RESULT      = ") + r[FieldTestResult] << kRule;
    lines << QStringLiteral("Time test started    = ") + r[FieldTimeStarted]
          << endLabel(r, false) + r[FieldTimeEnded];
    lines << QStringLiteral("Selected test file   = ") + r[FieldTestFile]
          << QStringLiteral("Selected test type   = ") + r[FieldTestType]
          << QStringLiteral("Test operator        = ") + r[FieldOperator]
          << QStringLiteral("Test site            = ") + r[FieldSite] << kRule;
    lines << QStringLiteral("TEST CONDITIONS:") << kRule
          << QStringLiteral("Nominal voltage (Un) = ") + r[FieldNominalVoltage] +
                 QStringLiteral(" Vrms.")
          << QStringLiteral("Nominal freq. (Fn)   = ") + r[FieldNominalFrequency] +
                 QStringLiteral(" Hz.")
          << QStringLiteral("Ambient Temperature  = ") + r[FieldTemperature]
          << QStringLiteral("Relative Humidity    = ") + r[FieldHumidity]
          << QStringLiteral("Pressure             = ") + r[FieldPressure];
    lines << QStringLiteral("Equipment under test description: ") << r[FieldEutDescription]
          << QStringLiteral("User comment regarding this test: ") << r[FieldComment] << kRule;
    if (!r[FieldInrush].isEmpty())
        lines << QStringLiteral("Peak inrush current test: ") << r[FieldInrush] << kRule;
    lines << kRule << stepLines(in.steps);
    lines << QString() << QStringLiteral("Operator Observations = ") + r.observations << QString()
          << QString() << QStringLiteral("Printed on: ") + ReportTime(in.printed);
    return lines;
}

bool WriteIecTextReport(const QString& path, const IecReportInput& input, QString& error) {
    return WriteRecordFile(path, IecTextReportLines(input), QStringLiteral("test report"), error);
}

QStringList IecPrintedReportLines(const IecReportInput& in) {
    const TestReportRecord& r = in.record;
    const QString rule = QStringLiteral("/n") + QString(62, u'=');
    const QString thin = QStringLiteral("/n") + QString(62, u'-');
    QStringList lines{QStringLiteral("/n") + r[FieldProgramTitle],
                      QStringLiteral("/n") + r[FieldReportTitle], rule};
    lines << QStringLiteral("/n  Report Print Date = ") + ReportTime(in.printed)
          << QStringLiteral("/n  Program version    = ") + in.programVersion << rule
          << QStringLiteral("/n IEC TEST RESULT        = ") + r[FieldTestResult] << rule
          << QStringLiteral("/n  Time test started        = ") + r[FieldTimeStarted]
          << endLabel(r, true) + r[FieldTimeEnded]
          << QStringLiteral("/n  Selected test file        = ") + r[FieldTestFile]
          << QStringLiteral("/n  Selected test type      = ") + r[FieldTestType]
          << QStringLiteral("/n  Test operator             = ") + r[FieldOperator]
          << QStringLiteral("/n  Test site                    = ") + r[FieldSite] << thin
          << QStringLiteral("/nTEST CONDITIONS:") << thin
          << QStringLiteral("/n  Nominal voltage (Un)  = ") + r[FieldNominalVoltage] +
                 QStringLiteral(" Vrms.")
          << QStringLiteral("/n  Nominal freq. (Fn)       = ") + r[FieldNominalFrequency] +
                 QStringLiteral(" Hz.");
    if (in.eosUsed) lines << QStringLiteral("/n  Electronic Output Switch option used.");
    lines << QStringLiteral("/n  Ambient Temperature = ") + r[FieldTemperature]
          << QStringLiteral("/n  Relative Humidity        = ") + r[FieldHumidity]
          << QStringLiteral("/n  Pressure                     = ") + r[FieldPressure]
          << QStringLiteral("/n  Equipment under test description: ")
          << QStringLiteral("/n  ") + r[FieldEutDescription]
          << QStringLiteral("/n  User comment regarding this test: ")
          << QStringLiteral("/n  ") + r[FieldComment];
    if (!r[FieldInrush].isEmpty())
        lines << QStringLiteral("/n  Peak inrush current test: ")
              << QStringLiteral("/n  ") + r[FieldInrush];
    lines << thin << QStringLiteral("/nTEST PARAMETERS:") << thin;
    for (const QString& step : stepLines(in.steps))
        lines << QStringLiteral("/n  ") + step;
    lines << rule << QStringLiteral("/n")
          << QStringLiteral("/nOperator Observations = ") + r.observations << QStringLiteral("/n")
          << QStringLiteral("/nPrinted on: ") + ReportTime(in.printed);
    return lines;
}

} // namespace ostrel
