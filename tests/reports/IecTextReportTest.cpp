// The IEC plain-text report against its golden file (fixed clock), its end
// line by how the run ended, and the printed variant on paper (a PDF).
#include "ReportTestSupport.h"

#include "reports/IecReport.h"
#include "reports/PrintedReport.h"

#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

TEST(IecTextReport, MatchesTheGoldenFile) {
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(WriteIecTextReport(dir.filePath("r.txt"), SampleIecInput(), error))
        << error.toStdString();
    const QByteArray written = readAll(dir.filePath("r.txt"));
    if (qEnvironmentVariableIsSet("OSTREL_UPDATE_GOLDEN")) {
        QFile out(OSTREL_REPORT_GOLDEN_DIR "/iec-text-report.txt");
        out.open(QIODevice::WriteOnly);
        out.write(written);
    }
    EXPECT_EQ(written, readAll(OSTREL_REPORT_GOLDEN_DIR "/iec-text-report.txt"));
}

TEST(IecTextReport, EndLineSaysAbortedOnlyWhenTheRunDidNotEnd) {
    struct Case {
        const char* ended;
        const char* line;
    };
    for (const Case& c : {Case{"Monday, March 2, 2026 09:12:40",
                               "Time test completed  = Monday, March 2, 2026 09:12:40"},
                          Case{"NONE, link lost", "Time test aborted    = NONE, link lost"},
                          Case{"NONE, User Abort", "Time test aborted    = NONE, User Abort"}}) {
        IecReportInput in = SampleIecInput();
        in.record[FieldTimeEnded] = c.ended;
        EXPECT_TRUE(IecTextReportLines(in).contains(c.line)) << c.ended;
        const QString printed = IecPrintedReportLines(in).join("");
        EXPECT_TRUE(printed.contains(QString("/n  ") + c.line)) << c.ended;
    }
}

TEST(IecTextReport, NoInrushTestNoInrushLines) {
    IecReportInput in = SampleIecInput();
    in.record[FieldInrush].clear();
    EXPECT_FALSE(IecTextReportLines(in).contains("Peak inrush current test: "));
}

TEST(IecPrintedReport, PrintedToPdfHasItsLabelsHeadingAndPageNumbers) {
    QTemporaryDir dir;
    IecReportInput in = SampleIecInput();
    in.eosUsed = true;
    for (int i = 0; i < 80; ++i)
        in.steps << QStringList{"70", "25", "0.0", "3", "161.0", "1.4", "done"};
    {
        QPdfWriter writer(dir.filePath("p.pdf"));
        ASSERT_TRUE(PaintReportLines(IecPrintedReportLines(in), in.record[FieldReportTitle],
                                     in.printed, writer));
    }
    const QString text = PdfText(dir.filePath("p.pdf")).simplified();
    for (const char* label : {"Report Print Date =", "IEC TEST RESULT        = PASS",
                              "TEST CONDITIONS:", "Nominal voltage (Un)  = 230.0 Vrms.",
                              "Electronic Output Switch option used.",
                              "Peak inrush current test:", "TEST PARAMETERS:", "Step no.",
                              "Test Report - Printed on: 2026-03-02", "Page #1", "Page #2"})
        EXPECT_TRUE(text.contains(QString(label).simplified())) << label;
    EXPECT_FALSE(text.contains("/n"));
}

} // namespace
