// A 100-row IEC report with a graph: the .docx made from the template against
// re-zipping its parts with QuaZip (target: at most 3 x), and the PDF made
// from the filled document against QTextDocument::print of the same content
// as HTML (target: at most 2 x). Ratios of times measured in one run.
#include "reports/DocxFill.h"
#include "reports/DocxPdf.h"
#include "reports/IecReport.h"
#include "reports/ReportTemplates.h"
#include "support/Rounds.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

IecReportInput hundredRows() {
    IecReportInput in;
    in.record[FieldReportTitle] = QStringLiteral("IEC 61000-4-11 Test Report");
    in.record[FieldTestResult] = QStringLiteral("PASS");
    in.printed = QDateTime::currentDateTime();
    in.steps = {{"Level %", "Cycles", "Phase", "Reps", "V min", "I max", "Result"}};
    for (int i = 0; i < 100; ++i)
        in.steps << QStringList{
            QString::number(i % 3 * 35), "25", "0.0", "3", "161.0", "1.4", "done"};
    QImage graph(800, 400, QImage::Format_RGB32);
    graph.fill(Qt::white);
    QBuffer png(&in.trendPng);
    png.open(QIODevice::WriteOnly);
    graph.save(&png, "PNG");
    return in;
}

QString htmlOf(const IecReportInput& in) {
    QString html = QStringLiteral("<h1>%1</h1><p>%2</p><table border=1>")
                       .arg(in.record[FieldReportTitle], in.record[FieldTestResult]);
    for (const QStringList& row : in.steps) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row)
            html += QStringLiteral("<td>") + cell + QStringLiteral("</td>");
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table><img src=\"graph\">");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString templatePath = QStringLiteral(OSTREL_BUILT_TEMPLATES_DIR "/IEC411Template.docx");
    const IecReportInput input = hundredRows();
    const DocumentContent content = IecDocumentContent(input);
    DocxPackage filled;
    QString error;
    QStringList missing;
    if (!ReadDocxPackage(templatePath, "IEC411Template", filled, error) ||
        !FillDocx(filled, content, "IEC411Template", missing, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QString html = htmlOf(input);
    QImage graph;
    graph.loadFromData(input.trendPng);

    std::vector<Contender> docx{{"docx from the template",
                                 [&](int n) {
                                     for (int i = 0; i < n; ++i) {
                                         DocxPackage p;
                                         QStringList m;
                                         QString e;
                                         bool ok = false;
                                         if (!ReadDocxPackage(templatePath, "t", p, e) ||
                                             !FillDocx(p, content, "t", m, e))
                                             return false;
                                         ZipDocxPackage(p, ok);
                                         if (!ok) return false;
                                     }
                                     return true;
                                 }},
                                {"re-zipping its parts", [&](int n) {
                                     bool ok = true;
                                     for (int i = 0; i < n && ok; ++i)
                                         ZipDocxPackage(filled, ok);
                                     return ok;
                                 }}};
    std::vector<Contender> pdf{{"pdf from the filled document",
                                [&](int n) {
                                    for (int i = 0; i < n; ++i) {
                                        QByteArray out;
                                        QString e;
                                        if (!RenderDocxPdf(filled, "bench", out, e)) return false;
                                    }
                                    return true;
                                }},
                               {"QTextDocument::print of the HTML", [&](int n) {
                                    for (int i = 0; i < n; ++i) {
                                        QBuffer out;
                                        out.open(QIODevice::WriteOnly);
                                        QPdfWriter writer(&out);
                                        QTextDocument doc;
                                        doc.addResource(QTextDocument::ImageResource, QUrl("graph"),
                                                        graph);
                                        doc.setHtml(html);
                                        doc.print(&writer);
                                    }
                                    return true;
                                }}};
    if (!runRounds(docx, 5, 10) || !runRounds(pdf, 5, 3)) return 1;
    const double docxRatio = median(docx[1].perSecond) / median(docx[0].perSecond);
    const double pdfRatio = median(pdf[1].perSecond) / median(pdf[0].perSecond);
    std::printf("docx: %.2f x re-zipping its parts (target <= 3)\n", docxRatio);
    std::printf("pdf:  %.2f x QTextDocument::print of the same content as HTML (target <= 2)\n",
                pdfRatio);
    return 0;
}
