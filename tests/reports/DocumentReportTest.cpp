// Document reports from the shipped templates: the .docx keeps the template
// byte for byte outside its bookmarks, the bookmarks hold their values, and
// the PDF made from the same document shows them all in order.
#include "ReportTestSupport.h"

#include "reports/DocumentReport.h"
#include "reports/DocxFill.h"
#include "reports/DocxPackage.h"
#include "reports/IecReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QStringList kFilledParts{"word/document.xml", "word/header1.xml", "word/footer1.xml"};

DocxPackage readBack(const QString& path) {
    DocxPackage p;
    QString error;
    EXPECT_TRUE(ReadDocxPackage(path, "report", p, error)) << error.toStdString();
    return p;
}

QString expectedText(QString value) {
    if (value.isEmpty()) return " ";
    return value.replace("\r\n", "\n");
}

TEST(DocumentReport, IecReportFillsEveryBookmarkAndKeepsTheRestOfTheTemplate) {
    QTemporaryDir dir;
    const IecReportInput in = SampleIecInput();
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteIecDocumentReport(in, ShippedTemplate("IEC411Template"), dir.filePath("r"),
                                       outcome, error))
        << error.toStdString();
    EXPECT_TRUE(outcome.missingBookmarks.isEmpty())
        << outcome.missingBookmarks.join(",").toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("r.pdf")));

    const DocxPackage filled = readBack(outcome.docxPath);
    const DocxPackage original = readBack(ShippedTemplate("IEC411Template"));
    for (const DocxPart& p : filled.parts)
        if (p.name.endsWith(".xml") || p.name.endsWith(".rels"))
            EXPECT_TRUE(WellFormedXml(p.data)) << p.name.toStdString();

    const DocumentContent content = IecDocumentContent(in);
    for (auto it = content.text.cbegin(); it != content.text.cend(); ++it) {
        QString found;
        for (const QString& part : kFilledParts)
            if (found.isNull()) found = BookmarkText(*filled.find(part), it.key());
        EXPECT_EQ(found, expectedText(it.value())) << it.key().toStdString();
    }

    const QByteArray document = *filled.find("word/document.xml");
    EXPECT_EQ(document.count("<w:tblHeader/>"), 1);
    EXPECT_EQ(document.count("<w:tr>"), in.steps.size());
    EXPECT_TRUE(document.contains("r:embed=\"rIdOstrel1\""));
    EXPECT_TRUE(filled.find("word/_rels/document.xml.rels")->contains("Id=\"rIdOstrel1\""));
    EXPECT_TRUE(filled.find("word/_rels/document.xml.rels")
                    ->contains("Target=\"media/ostrel_graph1.png\""));
    ASSERT_TRUE(filled.find("word/media/ostrel_graph1.png"));
    EXPECT_EQ(*filled.find("word/media/ostrel_graph1.png"), in.trendPng);
    EXPECT_TRUE(filled.find("[Content_Types].xml")->contains("Extension=\"png\""));

    for (const DocxPart& p : original.parts) {
        const QByteArray* now = filled.find(p.name);
        ASSERT_TRUE(now) << p.name.toStdString();
        if (kFilledParts.contains(p.name)) {
            QByteArray kept = WithoutBookmarkContents(*now);
            kept = QString::fromUtf8(kept)
                       .remove(QRegularExpression("<w:tbl>.*?</w:tbl><w:p/>",
                                                  QRegularExpression::DotMatchesEverythingOption))
                       .toUtf8();
            EXPECT_EQ(kept, WithoutBookmarkContents(p.data)) << p.name.toStdString();
        } else if (p.name != "word/_rels/document.xml.rels") {
            EXPECT_EQ(*now, p.data) << p.name.toStdString();
        }
    }
}

TEST(DocumentReport, PdfShowsEveryValueInDocumentOrder) {
    QTemporaryDir dir;
    const IecReportInput in = SampleIecInput();
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteIecDocumentReport(in, ShippedTemplate("IEC411Template"), dir.filePath("r"),
                                       outcome, error));
    const QString text = PdfText(outcome.pdfPath).simplified();
    const QStringList inOrder{in.header0,
                              in.header1,
                              in.record[FieldReportTitle],
                              "PASS",
                              "IEC61000-4-11_Class3_50Hz.411",
                              "Monday, March 2, 2026 09:05:07",
                              "Monday, March 2, 2026 09:12:40",
                              "J. Smith",
                              "Model = KV-3000, Serial no.= SN1234",
                              "230.0 Vrms",
                              "50.0 Hz",
                              "Lab 2",
                              "1013 hPa",
                              "Bench supply",
                              "serial 4711",
                              "Unom = 230.0 V",
                              "Repetitions = 3",
                              "Level %",
                              "161.0",
                              "Peak inrush current test: OK, peak 21.3 A at 90 deg",
                              "Electronic Output Switch (EOS) option not used",
                              "No malfunction observed.",
                              "Printed:",
                              "2026-03-02 09:15:00",
                              "Page 2"};
    qsizetype at = 0;
    for (const QString& value : inOrder) {
        const qsizetype found = text.indexOf(value, at);
        EXPECT_GE(found, 0) << "missing or out of order: " << value.toStdString();
        if (found >= 0) at = found + value.size();
    }
    EXPECT_TRUE(text.contains("2026-03-02 09:15:00 Page 1"));
    EXPECT_FALSE(text.contains("[Bk"));
    if (qEnvironmentVariableIsSet("OSTREL_KEEP_REPORT"))
        QFile::copy(outcome.pdfPath, qEnvironmentVariable("OSTREL_KEEP_REPORT"));
}

// A second reader of the .docx: the office suite's converter, when installed.
TEST(DocumentReport, OfficeSuiteConvertsTheReportWithEveryValue) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) GTEST_SKIP() << "soffice is not installed (scripts/test installs it)";
    QTemporaryDir dir;
    const IecReportInput in = SampleIecInput();
    DocumentReportOutcome outcome;
    QString error;
    ASSERT_TRUE(WriteIecDocumentReport(in, ShippedTemplate("IEC411Template"), dir.filePath("r"),
                                       outcome, error));
    QDir(dir.path()).mkdir("converted");
    QProcess convert;
    convert.start(soffice,
                  {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless",
                   "--convert-to", "pdf", "--outdir", dir.filePath("converted"), outcome.docxPath});
    ASSERT_TRUE(convert.waitForFinished(180000));
    const QString text = PdfText(dir.filePath("converted/r.pdf")).simplified();
    if (qEnvironmentVariableIsSet("OSTREL_KEEP_REPORT"))
        QFile::copy(dir.filePath("converted/r.pdf"),
                    qEnvironmentVariable("OSTREL_KEEP_REPORT") + ".converted.pdf");
    for (const QString& value : {in.header0, in.record[FieldTestResult], in.record[FieldTestFile],
                                 in.record[FieldOperator], QString("230.0 Vrms"), QString("161.0"),
                                 QString("Peak inrush current test: OK, peak 21.3 A at 90 deg"),
                                 in.record.observations, QString("2026-03-02 09:15:00")})
        EXPECT_TRUE(text.contains(value)) << value.toStdString();
    EXPECT_FALSE(text.contains("[Bk"));
}

TEST(DocumentReport, LabTemplateKeepsItsLogoInBothFiles) {
    QTemporaryDir dir;
    DocxPackage lab = readBack(ShippedTemplate("IEC411Template"));
    const QByteArray logo = SolidPng(300, 100, "#c03030");
    lab.put("word/media/logo.png", logo);
    QString error;
    ASSERT_TRUE(WriteDocxPackage(dir.filePath("LabTemplate.docx"), lab, error));
    DocumentReportOutcome outcome;
    ASSERT_TRUE(WriteIecDocumentReport(SampleIecInput(), dir.filePath("LabTemplate.docx"),
                                       dir.filePath("r"), outcome, error))
        << error.toStdString();
    EXPECT_EQ(*readBack(outcome.docxPath).find("word/media/logo.png"), logo);
    const QStringList images = PdfImages(outcome.pdfPath);
    EXPECT_TRUE(images.contains("1 300 100")) << images.join(";").toStdString();
    EXPECT_TRUE(images.contains("2 300 100")) << images.join(";").toStdString(); // on every page
    EXPECT_TRUE(images.contains("2 400 200")) << images.join(";").toStdString(); // the graph
}

TEST(DocumentReport, LongTestFileNameShowsItsLastSixtyCharacters) {
    IecReportInput in = SampleIecInput();
    const QString name = QString(55, u'x') + "Q.411"; // 60 characters: shown whole
    in.record[FieldTestFile] = name;
    EXPECT_EQ(IecDocumentContent(in).text.value("Bk112"), name);
    in.record[FieldTestFile] = "A" + name; // 61
    EXPECT_EQ(IecDocumentContent(in).text.value("Bk112"), "..." + name);
}

struct BrokenTemplate {
    const char* label;
    std::function<void(const QString& path)> make;
    QStringList messageHolds;
};

void writeParts(const QString& path, const QVector<DocxPart>& parts) {
    DocxPackage p;
    p.parts = parts;
    QString error;
    ASSERT_TRUE(WriteDocxPackage(path, p, error));
}

TEST(DocumentReport, DamagedTemplateIsRefusedNamingTemplateAndPartAndNothingIsWritten) {
    const QByteArray crossing =
        "<w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
        "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"Bk108\"/><w:r><w:t>a</w:t></w:r></w:p>"
        "<w:p><w:bookmarkEnd w:id=\"1\"/></w:p></w:body></w:document>";
    const std::vector<BrokenTemplate> cases{
        {"not a zip",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write("plain text");
         },
         {"T.docx", "not a zip"}},
        {"no document part",
         [](const QString& p) {
             writeParts(p, {{"[Content_Types].xml", "<Types/>"}});
         },
         {"T.docx", "word/document.xml"}},
        {"broken XML",
         [](const QString& p) {
             writeParts(p, {{"word/document.xml", "<w:document><w:body>"}});
         },
         {"T.docx", "word/document.xml", "well-formed"}},
        {"bookmark across paragraphs",
         [&](const QString& p) {
             writeParts(p, {{"word/document.xml", crossing}});
         },
         {"T.docx", "word/document.xml", "Bk108", "crosses paragraphs"}},
    };
    for (const BrokenTemplate& c : cases) {
        SCOPED_TRACE(c.label);
        QTemporaryDir dir;
        c.make(dir.filePath("T.docx"));
        DocumentReportOutcome outcome;
        QString error;
        EXPECT_FALSE(WriteIecDocumentReport(SampleIecInput(), dir.filePath("T.docx"),
                                            dir.filePath("r"), outcome, error));
        for (const QString& part : c.messageHolds)
            EXPECT_TRUE(error.contains(part)) << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("r.docx")));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("r.pdf")));
    }
}

TEST(DocumentReport, TemplateWithoutSomeBookmarksStillGivesAReportAndListsThem) {
    QTemporaryDir dir;
    DocxPackage reduced = readBack(ShippedTemplate("IEC411Template"));
    QByteArray* document = reduced.find("word/document.xml");
    *document = QString::fromUtf8(*document)
                    .remove(QRegularExpression(
                        "<w:bookmarkStart w:id=\"\\d+\" w:name=\"(BkEOS|GbkTrend)\"/>"))
                    .toUtf8();
    QString error;
    ASSERT_TRUE(WriteDocxPackage(dir.filePath("T.docx"), reduced, error));
    DocumentReportOutcome outcome;
    ASSERT_TRUE(WriteIecDocumentReport(SampleIecInput(), dir.filePath("T.docx"), dir.filePath("r"),
                                       outcome, error));
    EXPECT_EQ(outcome.missingBookmarks, (QStringList{"BkEOS", "GbkTrend"}));
    EXPECT_TRUE(MissingBookmarksMessage(dir.filePath("T.docx"), outcome.missingBookmarks)
                    .contains("BkEOS, GbkTrend"));
}

TEST(DocumentReport, BookmarkInsideAFilledOneIsReportedMissingAndTheXmlStaysWhole) {
    DocxPackage p;
    p.put("word/document.xml",
          "<w:document "
          "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p>"
          "<w:bookmarkStart w:id=\"1\" w:name=\"Outer\"/><w:r><w:t>a</w:t></w:r>"
          "<w:bookmarkStart w:id=\"2\" w:name=\"Inner\"/><w:r><w:t>b</w:t></w:r><w:bookmarkEnd "
          "w:id=\"2\"/>"
          "<w:bookmarkEnd w:id=\"1\"/></w:p></w:body></w:document>");
    DocumentContent content;
    content.text["Outer"] = "outer value";
    content.text["Inner"] = "inner value";
    QStringList missing;
    QString error;
    ASSERT_TRUE(FillDocx(p, content, "T.docx", missing, error)) << error.toStdString();
    EXPECT_EQ(missing, QStringList{"Inner"});
    EXPECT_TRUE(WellFormedXml(*p.find("word/document.xml")));
    EXPECT_EQ(BookmarkText(*p.find("word/document.xml"), "Outer"), "outer value");
}

TEST(DocumentReport, UnwritableFolderLeavesNoReport) {
    DocumentReportOutcome outcome;
    QString error;
    EXPECT_FALSE(WriteIecDocumentReport(SampleIecInput(), ShippedTemplate("IEC411Template"),
                                        "/nonexistent-folder/r", outcome, error));
    EXPECT_TRUE(error.contains("/nonexistent-folder/r.docx")) << error.toStdString();
}

} // namespace
