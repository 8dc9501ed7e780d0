#include "FileKinds.h"

#include "automation/SequenceTable.h"
#include "measure/CaptureFile.h"
#include "measure/HarmonicFile.h"
#include "measure/MeasurementLog.h"
#include "panel/SetupFile.h"
#include "reports/DocumentReport.h"
#include "reports/PlainTextReport.h"
#include "standards/TestFiles.h"
#include "transients/TransientListFile.h"
#include "waveforms/AbwFile.h"
#include "waveforms/HarmonicTableFile.h"

#include <QDir>

#include <cmath>

namespace ostrel::crashsafe {

namespace {

// A has few rows, B many: a B cut short or mixed into A shows at once.
int rowsOf(int which) {
    return which == 0 ? 10 : 1000;
}

QString number(double v) {
    return QString::number(v, 'g', 6);
}

bool writeSetup(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    OutputState s;
    s.Frequency = which == 0 ? 60.0f : 400.0f;
    for (int p = 0; p < 3; ++p) {
        s.Phase[p].Voltage = which == 0 ? 120.0f : 115.25f + float(p);
        s.Phase[p].CurrentLimit = which == 0 ? 5.0f : 12.5f;
        s.Phase[p].PhaseAngle = float(p) * 120.0f;
    }
    return WriteSetupFile(dir.filePath("setup.stp"), 1, s, &error);
}

bool writeTestSequence(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    SequenceFile f;
    f.description = which == 0 ? QStringLiteral("Short test") : QStringLiteral("Long test");
    f.grid.headers = QStringList{QString(), "Volt", "Freq", "Time", "Comment"};
    for (int r = 1; r <= rowsOf(which); ++r)
        f.grid.rows.push_back({QString::number(r), number(100 + r * 0.25), number(50 + r % 11),
                               number(r * 0.01), QStringLiteral("step %1").arg(r)});
    f.widths = {8, 20, 20, 20, 32};
    return WriteSequenceFile(dir.filePath("test.seq"), f, QLatin1Char('.'), error);
}

bool writeSequencer(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    SequenceTable t;
    for (int p = 0; p < 3; ++p)
        for (int r = 1; r <= rowsOf(which) / 10; ++r) {
            SequenceRow row;
            row[SeqStep] = QString::number(r);
            row[SeqFreq] = number(60 + p);
            row[SeqVolt] = number(100 + r * 0.5);
            row[SeqCurr] = number(2.5);
            row[SeqDwell] = number(r * 0.1);
            t.phases[p].push_back(row);
        }
    const QString path = dir.filePath("burnin.seq");
    SequenceUserData user;
    user.eut = which == 0 ? QStringLiteral("Unit A") : QStringLiteral("Unit B, a longer name");
    return WriteSequenceFile(path, t, false, error) &&
           WriteSequenceUserData(SequenceIniPath(path), user, which == 1, error);
}

bool writeWaveform(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    WaveformSamples s{};
    // A is a square wave of short numbers, B a sine of long ones.
    for (int k = 0; k < kWaveformPeriod; ++k)
        s[size_t(k)] = which == 0 ? (k < kWaveformPeriod / 2 ? 1.0 : -1.0)
                                  : std::sin(2 * M_PI * k / kWaveformPeriod);
    return WriteAbwFile(dir.filePath("wave.abw"), s, error);
}

bool writeHarmonicTable(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    HarmonicTable table{};
    const int filled = which == 0 ? 2 : kHarmonicTableRows;
    for (int r = 0; r < filled; ++r)
        table[size_t(r)] = {number(100.0 / (r + 1)), number(r * 1.5), number(3.125 / (r + 1)),
                            number(-r * 2.25)};
    // The harmonic generator saves the table and keeps its own copy beside it.
    return WriteHarmonicTableFile(dir.filePath("table.hwv"), table, QLatin1Char('.'), error) &&
           WriteHarmonicTableFile(dir.filePath(kLastSaveFile), table, QLatin1Char('.'), error);
}

bool writeHarmonicData(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    HarmonicData d;
    d.date = which == 0 ? QStringLiteral("01-01-2026 , 10:00:00")
                        : QStringLiteral("31-12-2026 , 23:59:59");
    d.frequency = which == 0 ? 50.0f : 400.0f;
    d.voltageThd = which == 0 ? 0.5f : 12.345f;
    for (int h = 0; h < kHarmonicRows; ++h) {
        d.voltage.amplitude[size_t(h)] = which == 0 ? float(h) : 100.123f / float(h + 1);
        d.voltage.phase[size_t(h)] = which == 0 ? 0.0f : -179.987f + float(h);
    }
    return WriteHarmonicFile(dir.filePath("harm.hmd"), d, error);
}

bool writeCapture(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    Capture c;
    c.parameter = QStringLiteral("Volt & Curr phase A");
    c.title = QStringLiteral("Phase A Voltage & Current");
    c.samples = rowsOf(which);
    c.offsetText = QStringLiteral("0.0");
    c.intervalUs = which == 0 ? 100.0f : 25.5f;
    c.limits = {-200, 200, -10, 10, 0, 1};
    c.readouts = {{QStringLiteral("Vrms"), QStringLiteral("120.0 V")},
                  {QStringLiteral("Irms"), QStringLiteral("2.50 A")}};
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < c.samples; ++i)
            c.values << float((ch == 0 ? 170.0 : 3.5) * std::sin(2 * M_PI * i / c.samples));
    return WriteCaptureFile(dir.filePath("capture.wfd"), c, error);
}

bool writeTransientList(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    StepTable t;
    t.comment = which == 0 ? QStringLiteral("dip") : QStringLiteral("long sweep");
    t.runCount = which == 0 ? 1 : 25;
    for (int r = 0; r < rowsOf(which) / 10; ++r)
        t.rows.push_back({QStringLiteral("Step"), number(0.01 * (r + 1)), number(80 + r % 20),
                          number(100), QStringLiteral("1"), QStringLiteral("1"), QString()});
    return WriteTransientList(dir.filePath("list.tls"), t, error);
}

bool writeDocument(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    DocumentContent c;
    c.text[QStringLiteral("Bk102")] = which == 0 ? QStringLiteral("Report A") : QStringLiteral("Report B");
    c.text[QStringLiteral("Bk107")] = which == 0 ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    ReportTable steps{{QStringLiteral("Step"), QStringLiteral("Level"), QStringLiteral("Result")}};
    for (int r = 1; r <= rowsOf(which) / 40; ++r)
        steps.append({QString::number(r), QStringLiteral("%1 %").arg(r % 100), QStringLiteral("PASS")});
    c.tables[QStringLiteral("BkSteps")] = steps;
    DocumentReportOutcome outcome;
    return WriteDocumentFiles(QStringLiteral(OSTREL_BUILT_TEMPLATES_DIR "/IEC411Template.docx"), c,
                              dir.filePath("report.docx"), dir.filePath("report.pdf"),
                              c.text[QStringLiteral("Bk102")], outcome, error);
}

bool writeTextReport(int which, const QString& folder, QString& error) {
    const QDir dir(folder);
    TestReportRecord r;
    r[FieldProgramTitle] = QStringLiteral("Ostrel");
    r[FieldReportTitle] = which == 0 ? QStringLiteral("Report A") : QStringLiteral("Report B");
    r[FieldTestResult] = which == 0 ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    r.stepTable = {{QStringLiteral("Step"), QStringLiteral("Volt")}};
    for (int s = 1; s <= rowsOf(which); ++s)
        r.stepTable.append({QString::number(s), number(100 + s * 0.5)});
    return WritePlainTextReport(dir.filePath("report.txt"), r,
                                QDateTime(QDate(2026, 1, 1), QTime(12, 0)), QStringLiteral("1.0"),
                                error);
}

// Every readout of every phase, many times over: a row of several kilobytes
// spans pages, so a kill inside its write(2) can leave the first part of it.
LogLayout logLayout() {
    std::array<bool, kPhaseCount> phases{true, true, true};
    std::array<bool, kReadoutCount> readouts;
    readouts.fill(true);
    LogLayout layout = MakeLogLayout(phases, readouts, true, true, QLatin1Char(','));
    const QVector<LogColumn> once = layout.columns;
    for (int copy = 1; copy < 10; ++copy)
        layout.columns += once;
    return layout;
}

} // namespace

const std::vector<FileKind>& FileKinds() {
    using C = Check;
    static const std::vector<FileKind> kinds{
        {"setup", {"setup.stp"}, {C::Bytes}, writeSetup},
        {"test-sequence", {"test.seq"}, {C::Bytes}, writeTestSequence},
        {"sequencer", {"burnin.seq", "burnin.ini"}, {C::Bytes, C::Bytes}, writeSequencer},
        {"waveform", {"wave.abw"}, {C::Bytes}, writeWaveform},
        {"harmonic-table", {"table.hwv", kLastSaveFile}, {C::Bytes, C::Bytes}, writeHarmonicTable},
        {"harmonic-data", {"harm.hmd"}, {C::Bytes}, writeHarmonicData},
        {"capture", {"capture.wfd"}, {C::Bytes}, writeCapture},
        {"transient-list", {"list.tls"}, {C::Bytes}, writeTransientList},
        {"document-report", {"report.docx", "report.pdf"}, {C::DocxParts, C::PdfBody}, writeDocument},
        {"text-report", {"report.txt"}, {C::Bytes}, writeTextReport},
        {"log", {kLogFile}, {C::LogRows}},
    };
    return kinds;
}

const FileKind* FindFileKind(const QString& name) {
    for (const FileKind& k : FileKinds())
        if (k.name == name) return &k;
    return nullptr;
}

QString LogRowText(int worker, int n) {
    CycleResult cycle;
    cycle.frequency = QStringLiteral("60.00");
    // Odd rows read one value, even rows all of them: short and long rows.
    const int read = n % 2 == 1 ? 1 : kReadoutCount;
    for (int p = 0; p < kPhaseCount; ++p)
        for (int k = 0; k < read; ++k)
            cycle.values[size_t(p)][size_t(k)] = float(worker * 10 + p) + float(n % 1000) / 8.0f + float(k);
    LineVoltages lines;
    if (read > 1) lines = {208.0f, 207.5f, 208.25f};
    const QDateTime when = QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(worker * 100000 + n);
    return LogRow(logLayout(), when, cycle, lines);
}

QString LogHeaderText() {
    return LogHeader(logLayout());
}

QString LogComment() {
    return QStringLiteral("kill test");
}

} // namespace ostrel::crashsafe
