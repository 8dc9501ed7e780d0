#include "reports/PlainTextReport.h"

#include "link/Numbers.h"
#include "measure/StandardMeasurement.h"
#include "measure/WriteRecords.h"

#include <algorithm>

namespace ostrel {

namespace {

const QString kRule = QString(79, u'-');

QString orDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

// Columns as wide as their widest cell; tabs inside a cell (the test label) become blanks.
QStringList tableLines(const ReportTable& table) {
    QVector<int> widths;
    for (const QStringList& row : table)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.resize(c + 1);
            widths[c] = std::max(widths[c], static_cast<int>(row[c].size()));
        }
    QStringList lines;
    for (const QStringList& row : table) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            QString cell = row[c];
            cell.replace(u'\t', u' ');
            line += cell.leftJustified(widths[c] + 2);
        }
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
    }
    return lines;
}

QStringList eutLines(const TestReportRecord& r, const EutAcquisition& a) {
    const QString entry = TestFrequencyEntries().value(a.entry);
    QStringList lines{QStringLiteral("EUT MEASUREMENTS @ ") + entry + QStringLiteral(":"), kRule};
    ReportTable table{{QStringLiteral("Phase"), QStringLiteral("Freq (Hz)"),
                       r.dcMode ? QStringLiteral("Volt DC (V)") : QStringLiteral("Volt RMS (V)"),
                       r.dcMode ? QStringLiteral("Curr DC (A)") : QStringLiteral("Curr RMS (A)"),
                       r.dcMode ? QStringLiteral("Power (W)") : QStringLiteral("App. Power (VA)"),
                       QStringLiteral("Peak (A)"), QStringLiteral("PF"),
                       QStringLiteral("I THD (%)"), QStringLiteral("V THD (%)")}};
    const QString frequency =
        r.dcMode ? QStringLiteral("DC") : orDash(FormatReading(a.measuredFrequency, "##0.0"));
    for (int p = 0; p < a.phases; ++p) {
        const EutPhaseTexts t = PhaseTexts(a.phase[static_cast<size_t>(p)]);
        table << QStringList{QString(PhaseLetter(p)),
                             p == 0 ? frequency : QString(),
                             orDash(t.voltage),
                             orDash(t.current),
                             orDash(t.power),
                             orDash(t.peakCurrent),
                             r.dcMode ? QStringLiteral("n/a") : orDash(t.powerFactor),
                             orDash(t.currentThd),
                             orDash(t.voltageThd)};
    }
    lines << tableLines(table);
    lines << (r.dcMode ? QStringLiteral("Total W              = ")
                       : QStringLiteral("Total VA             = ")) +
                 orDash(FormatReading(a.totalPower, "###0.0"));
    if (r.threePhase)
        lines << QStringLiteral("Unbalance %          = ") +
                     orDash(FormatReading(a.unbalancePercent, "##0.00"));
    lines << QStringLiteral("Current THD limit %  = ") + FormatNumber(a.thdLimit, u"##0.00");
    lines << QStringLiteral("Current THD verdict  = ") +
                 (a.complete ? VerdictText(a.verdict) : QStringLiteral("No data"));
    if (r.dcMode) return lines;
    for (int p = 0; p < a.phases; ++p) {
        lines << QString() << QStringLiteral("Harmonic Current Table for Phase ") + PhaseLetter(p);
        ReportTable harmonics{{QStringLiteral("h"), QStringLiteral("Freq (Hz)"),
                               QStringLiteral("Curr (A)"), QStringLiteral("% Fund [E]"),
                               QStringLiteral("Limit [B]"), QStringLiteral("% VFund [C]"),
                               QStringLiteral("Revised Lim [D]"), QStringLiteral("P/F [F]")}};
        for (const HarmonicVerdictRow& row : a.harmonics[static_cast<size_t>(p)])
            harmonics << (QStringList{QString::number(row.order)} + HarmonicRowTexts(row));
        lines << tableLines(harmonics);
    }
    lines << QStringLiteral("BWL: beyond the bandwidth of the harmonic analysis.");
    return lines;
}

} // namespace

QStringList PlainTextReportLines(const TestReportRecord& r, const QDateTime& printed,
                                 const QString& programVersion) {
    const QString ended = r[FieldTimeEnded];
    QString endLabel = QStringLiteral("Time test completed  = ");
    if (ended == QLatin1String("NONE"))
        endLabel = QStringLiteral("Time test ended      = ");
    else if (r[FieldTestResult] == QLatin1String("User Abort"))
        endLabel = QStringLiteral("Time test aborted    = ");
    QStringList lines{r[FieldProgramTitle], r[FieldReportTitle], QString(), kRule};
    lines << QStringLiteral("Print Date           = ") + ReportTime(printed) +
                 QStringLiteral("; Program version      = ") + programVersion;
    lines << kRule << QStringLiteral("TEST RESULT          = ") + r[FieldTestResult] << kRule;
    lines << QStringLiteral("Time test started    = ") + r[FieldTimeStarted] << endLabel + ended;
    lines << QStringLiteral("Test library         = ") + r.library
          << QStringLiteral("Power group          = ") + r.groupName + QStringLiteral(", Rev ") +
                 r.revision
          << QStringLiteral("Selected test        = ") + QString(r.testLabel).replace(u'\t', u' ')
          << QStringLiteral("Selected test file   = ") + r[FieldTestFile]
          << QStringLiteral("Selected test type   = ") + r[FieldTestType]
          << QStringLiteral("Test operator        = ") + r[FieldOperator]
          << QStringLiteral("Test site            = ") + r[FieldSite] << kRule;
    lines << QStringLiteral("TEST CONDITIONS:") << kRule;
    lines << QStringLiteral("Nominal voltage      = ") + r[FieldNominalVoltage] +
                 (r.dcMode ? QStringLiteral(" V DC") : QStringLiteral(" V AC"));
    if (!r.dcMode)
        lines << QStringLiteral("Nominal frequency    = ") + r[FieldNominalFrequency] +
                     QStringLiteral(" Hz");
    lines << QStringLiteral("Output configuration = ") +
                 (r.threePhase
                      ? (r.dcMode ? QStringLiteral("Three outputs")
                                  : QStringLiteral("Three phase mode"))
                      : (r.dcMode ? QStringLiteral("Output A") : QStringLiteral("Phase A")));
    lines << QStringLiteral("Ambient Temperature  = ") + r[FieldTemperature]
          << QStringLiteral("Relative Humidity    = ") + r[FieldHumidity]
          << QStringLiteral("Pressure             = ") + r[FieldPressure];
    lines << QStringLiteral("Equipment under test description: ") << r[FieldEutDescription];
    lines << QStringLiteral("User comment regarding this test: ") << r[FieldComment] << kRule;
    if (!r[FieldInrush].isEmpty())
        lines << QStringLiteral("Peak inrush current test: ") << r[FieldInrush] << kRule;
    if (!r.structureTable.isEmpty())
        lines << QStringLiteral("TEST TABLE:") << kRule << tableLines(r.structureTable) << kRule;
    lines << QStringLiteral("TEST PARAMETERS:") << kRule;
    lines << (r.stepTable.isEmpty() ? QStringList{QStringLiteral("No test sequence loaded.")}
                                    : tableLines(r.stepTable));
    lines << kRule;
    for (const EutAcquisition& a : r.eut)
        lines << eutLines(r, a) << kRule;
    lines << QString() << QStringLiteral("Operator Observations = ") << r.observations << QString()
          << QString() << QStringLiteral("Printed on: ") + ReportTime(printed);
    return lines;
}

bool WritePlainTextReport(const QString& path, const TestReportRecord& record,
                          const QDateTime& printed, const QString& programVersion, QString& error) {
    return WriteRecordFile(path, PlainTextReportLines(record, printed, programVersion),
                           QStringLiteral("test report"), error);
}

} // namespace ostrel
