#include "reports/TableReport.h"

#include "link/Numbers.h"
#include "measure/StandardMeasurement.h"
#include "standards/EutMeasurement.h"
#include "standards/TestStandard.h"

namespace ostrel {

namespace {

constexpr int kStructureBookmarks = 20;
constexpr int kStepBookmarks = 40;

// Row r of a grid at "01Ts"... (or "01S"...); the rows past the last bookmark
// follow it as paragraphs of their own.
void gridRows(const ReportTable& table, const QString& mark, int bookmarks, DocumentContent& c) {
    const QString last = QStringLiteral("%1").arg(bookmarks, 2, 10, QLatin1Char('0')) + mark;
    for (qsizetype r = 0; r < table.size(); ++r) {
        const QString row = table[r].join(u'\t');
        if (r < bookmarks)
            c.text[QStringLiteral("%1").arg(r + 1, 2, 10, QLatin1Char('0')) + mark] = row;
        else
            c.paragraphsAfter[last] << row;
    }
    for (qsizetype r = table.size(); r < bookmarks; ++r)
        c.text[QStringLiteral("%1").arg(r + 1, 2, 10, QLatin1Char('0')) + mark] = QString();
}

void phaseReadings(DocumentContent& c, int p, const EutAcquisition& a, const QString& frequency) {
    const EutPhaseTexts t = PhaseTexts(a.phase[static_cast<size_t>(p == 0 ? 0 : p - 1)]);
    const QString b = QStringLiteral("Bk%1m").arg(p);
    c.text[b + QStringLiteral("10")] = frequency;
    c.text[b + QStringLiteral("2")] = t.voltage;
    c.text[b + QStringLiteral("3")] = t.current;
    c.text[b + QStringLiteral("4")] = t.power;
    c.text[b + QStringLiteral("6")] = t.peakCurrent;
    c.text[b + QStringLiteral("7")] = t.powerFactor;
    c.text[b + QStringLiteral("8")] = t.currentThd;
    c.text[b + QStringLiteral("11")] = t.voltageThd;
}

// Every reading, limit, table and graph bookmark, so that one with no value
// (no acquisition, a phase not measured, no graph drawn, a limit the program
// has none for) reads blank instead of showing the template's placeholder.
void blankReadings(DocumentContent& c) {
    for (int p = 0; p <= 3; ++p)
        for (const char* code : {"10", "2", "3", "4", "6", "7", "8", "11"})
            c.text[QStringLiteral("Bk%1m").arg(p) + QLatin1String(code)] = QString();
    for (const char* mark : {"Bk0m50", "Bk0m52", "Bk0m100", "Bk0m101", "Bk0m102", "Bk0m90",
                             "Bk0m92", "BkEutData", "Bk4hA", "Bk4hB", "Bk4hC", "BWL"})
        c.text[QLatin1String(mark)] = QString();
    for (int p = 1; p <= 3; ++p) {
        c.text[QStringLiteral("Gbkvi%1").arg(p)] = QString();
        c.text[QStringLiteral("Gbkch%1").arg(p)] = QString();
    }
}

} // namespace

QString ReportTemplateName(const QString& templateFile) {
    QString name = templateFile.trimmed();
    for (const QLatin1String extension : {QLatin1String(".docx"), QLatin1String(".doc")})
        if (name.endsWith(extension, Qt::CaseInsensitive)) {
            name.chop(extension.size());
            break;
        }
    return name;
}

DocumentContent TableDocumentContent(const TableReportInput& in) {
    const TestReportRecord& r = in.record;
    DocumentContent c;
    blankReadings(c);
    auto& t = c.text;
    t[QStringLiteral("Bk102")] = r[FieldReportTitle];
    t[QStringLiteral("Bk300")] = ReportTime(in.printed);
    t[QStringLiteral("Bk301")] =
        r[FieldProgramTitle] + QStringLiteral(" ,version: ") + in.programVersion;
    t[QStringLiteral("Bk302")] =
        QStringLiteral("Model = ") + in.model + QStringLiteral(", Serial no.= ") + in.serialNumber;
    t[QStringLiteral("Bk107")] = r[FieldTestResult];
    t[QStringLiteral("Bk112")] = r[FieldTestFile];
    t[QStringLiteral("Bk113")] = r[FieldTestType];
    t[QStringLiteral("Bk103")] = r[FieldTimeStarted];
    t[QStringLiteral("Bk104")] = r[FieldTimeEnded];
    t[QStringLiteral("Bk109")] = r[FieldOperator];
    t[QStringLiteral("Bk108")] = r[FieldEutDescription];
    t[QStringLiteral("Bk110")] = r[FieldComment];
    t[QStringLiteral("Bk500")] = r[FieldSite];
    t[QStringLiteral("Bk501")] = r[FieldTemperature];
    t[QStringLiteral("Bk502")] = r[FieldHumidity];
    t[QStringLiteral("Bk503")] = r[FieldPressure];
    t[QStringLiteral("bkInput")] = in.inputNotes;
    t[QStringLiteral("Bk105")] =
        r[FieldNominalVoltage] + (r.dcMode ? QStringLiteral(" V DC") : QStringLiteral(" V AC"));
    t[QStringLiteral("Bk106")] = r[FieldNominalFrequency] + QStringLiteral(" Hz");
    t[QStringLiteral("Bk114")] =
        r.threePhase
            ? (r.dcMode ? QStringLiteral("Three outputs") : QStringLiteral("Three phase mode"))
            : (r.dcMode ? QStringLiteral("Output A") : QStringLiteral("Phase A"));
    t[QStringLiteral("Bk504")] = r.groupName + QStringLiteral(", Rev ") + r.revision;
    t[QStringLiteral("Bk511")] = r.library;
    t[QStringLiteral("Bk512")] = r.testLabel;
    t[QStringLiteral("Bk513")] = r.testPath;
    t[QStringLiteral("Bk510")] = r.observations;
    t[QStringLiteral("bkFooter")] = QStringLiteral("Printed:\t") +
                                    in.printed.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                    QStringLiteral("\t");
    gridRows(r.structureTable, QStringLiteral("Ts"), kStructureBookmarks, c);
    gridRows(r.stepTable, QStringLiteral("S"), kStepBookmarks, c);

    if (!r.eut.isEmpty()) {
        const EutAcquisition& first = r.eut.front();
        const QString frequency =
            r.dcMode ? QStringLiteral("DC") : FormatReading(first.measuredFrequency, "##0.0");
        for (int p = 1; p <= first.phases; ++p)
            phaseReadings(c, p, first, p == 1 ? frequency : QString());
        phaseReadings(c, 0, first, frequency);
        t[QStringLiteral("Bk0m50")] =
            r.dcMode ? QString() : FormatReading(first.totalPower, "###0.0");
        t[QStringLiteral("Bk0m52")] =
            r.dcMode ? FormatReading(first.totalPower, "###0.0") : QString();
        t[QStringLiteral("Bk0m90")] = FormatNumber(first.thdLimit, u"##0.00");
        t[QStringLiteral("Bk0m92")] =
            first.complete ? VerdictText(first.verdict) : QStringLiteral("No data");
        ReportTable eutData{{QStringLiteral("Test frequency"), QStringLiteral("Phase"),
                             QStringLiteral("Voltage"), QStringLiteral("Current"),
                             QStringLiteral("Power"), QStringLiteral("Peak (A)"),
                             QStringLiteral("PF"), QStringLiteral("I THD (%)"),
                             QStringLiteral("V THD (%)"), QStringLiteral("THD verdict")}};
        for (const EutAcquisition& a : r.eut)
            for (int p = 0; p < a.phases; ++p) {
                const EutPhaseTexts x = PhaseTexts(a.phase[static_cast<size_t>(p)]);
                eutData << QStringList{
                    TestFrequencyEntries().value(a.entry),
                    QString(PhaseLetter(p)),
                    x.voltage,
                    x.current,
                    x.power,
                    x.peakCurrent,
                    x.powerFactor,
                    x.currentThd,
                    x.voltageThd,
                    p == 0 ? (a.complete ? VerdictText(a.verdict) : QStringLiteral("No data"))
                           : QString()};
            }
        t[QStringLiteral("BkEutData")] = QString();
        c.tables[QStringLiteral("BkEutData")] = eutData;
        if (!r.dcMode) {
            for (int p = 0; p < first.phases; ++p) {
                ReportTable harmonics{{QStringLiteral("h"), QStringLiteral("Freq (Hz)"),
                                       QStringLiteral("Curr (A)"), QStringLiteral("% Fund [E]"),
                                       QStringLiteral("Limit [B]"), QStringLiteral("% VFund [C]"),
                                       QStringLiteral("Revised Lim [D]"),
                                       QStringLiteral("P/F [F]")}};
                for (const HarmonicVerdictRow& row : first.harmonics[static_cast<size_t>(p)])
                    harmonics << (QStringList{QString::number(row.order)} + HarmonicRowTexts(row));
                const QString mark = QStringLiteral("Bk4h") + PhaseLetter(p);
                t[mark] = QString();
                c.tables[mark] = harmonics;
            }
            t[QStringLiteral("BWL")] =
                QStringLiteral("BWL: beyond the bandwidth of the harmonic analysis.");
        }
    }
    for (int p = 0; p < 3; ++p) {
        if (!in.waveformPng[static_cast<size_t>(p)].isEmpty())
            c.pictures[QStringLiteral("Gbkvi%1").arg(p + 1)] =
                in.waveformPng[static_cast<size_t>(p)];
        if (!in.harmonicPng[static_cast<size_t>(p)].isEmpty())
            c.pictures[QStringLiteral("Gbkch%1").arg(p + 1)] =
                in.harmonicPng[static_cast<size_t>(p)];
    }
    return c;
}

DocumentReportJob TableReportJob(const PowerGroup& group, const TableReportInput& input) {
    return {ReportTemplateName(group.reportTemplate), group.reportPrefix, kTableReportNumbers,
            input.record[FieldReportTitle], TableDocumentContent(input)};
}

} // namespace ostrel
