// ostrel-cli run-test --report DIR with "ReportFormat" 2 against the virtual
// source: the document report of the group's template in DIR, named by the
// group's prefix, both files with their values; a lab template that cannot be
// read refuses the run before it starts; a report that cannot be written
// fails a run that completed.
#include "ReportTestSupport.h"

#include "reports/DocxPackage.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);

struct CliRun {
    int exit = -1;
    QJsonObject json;
    QString err;
};

class ReportCli : public ::testing::Test, public ProgramFixture {
protected:
    void SetUp() override {
        QFile settings(settingsPath());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[ReportSettings]\nReportFormat=2\n");
    }
    CliRun run(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", tempPath("xdg"));
        env.insert("HOME", tempPath("home"));
        process.setProcessEnvironment(env);
        process.start(OSTREL_CLI_PATH,
                      QStringList{"--settings", settingsPath(), "--bus", "lan", "--host",
                                  source.host(), "--port", QString::number(source.port()),
                                  "run-test", "--time-scale", "1000", "--close-relay"} +
                          args);
        CliRun r;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "ostrel-cli did not finish";
            return r;
        }
        r.exit = process.exitCode();
        QJsonParseError error;
        r.json = QJsonDocument::fromJson(process.readAllStandardOutput(), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    void startSource(int model) {
        source.stop();
        ASSERT_TRUE(source.start(
            {"--time-scale", "1000", "--reset-time", "0.1", "--model", QString::number(model)}))
            << source.errorString().toStdString();
    }
    QString userFile(const QString& name) { return tempPath("xdg/Ostrel/Ostrel/") + name; }
    VirtualSourceProcess source;
};

QString setup(const char* name) {
    return kData + "/examples/" + QLatin1String(name);
}

TEST_F(ReportCli, EachSetsRunWritesItsGroupsDocumentInTheFolder) {
    const struct {
        const char* standard;
        const char* group;
        const char* test;
        int model;
        const char* setup;
        const char* prefix;
        const char* groupText; // "Bk504"
        const char* title;
    } cases[] = {
        {"ms704", "TAC", "TAC_Nominal", 4, "three-phase-115V-400Hz.stp", "MS704_TAC-",
         "TAC: 115V/400 Hz CF AC 3 Phs, Rev F", "Mil-Std 704 Test Report"},
        {"b787", "115VAC", "115VAC_Ex2_Levels", 4, "three-phase-115V-400Hz.stp", "B787_AC115-",
         "AC: 115V / 360 - 800 Hz VF, Rev A", "Boeing B787B3-0147 Test Report"},
        {"do160", "ACF115", "ACF115_Ex1_SteadyState", 0, "single-phase-115V-400Hz.stp",
         "DO160_ACF-", "A(CF) 115V, Rev F", "RTCA/DO160 Test Report"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.standard);
        startSource(c.model);
        const QString folder = tempPath(QString("reports-") + c.standard);
        const CliRun r =
            run({"--standard", c.standard, "--group", c.group, "--test", c.test, "--setup",
                 setup(c.setup), "--set", "operator=J. Doe", "--report", folder});
        EXPECT_EQ(r.json.value("outcome").toString(), "completed") << r.err.toStdString();
        EXPECT_NE(r.exit, 5) << r.err.toStdString();
        const QJsonArray files = r.json.value("report").toArray();
        ASSERT_EQ(files.size(), 2) << r.err.toStdString();
        const QFileInfo docx(files[0].toString()), pdf(files[1].toString());
        EXPECT_EQ(docx.absolutePath(), QDir(folder).absolutePath());
        EXPECT_TRUE(docx.fileName().startsWith(c.prefix)) << docx.fileName().toStdString();
        EXPECT_EQ(docx.completeBaseName(), pdf.completeBaseName());
        EXPECT_EQ(pdf.suffix(), "pdf");
        EXPECT_FALSE(r.err.contains("has no bookmark")) << r.err.toStdString();

        DocxPackage p;
        QString error;
        ASSERT_TRUE(ReadDocxPackage(docx.filePath(), "r", p, error)) << error.toStdString();
        const QByteArray xml = *p.find("word/document.xml");
        EXPECT_EQ(BookmarkText(xml, "Bk102"), c.title);
        EXPECT_EQ(BookmarkText(xml, "Bk504"), c.groupText);
        EXPECT_EQ(BookmarkText(xml, "Bk109"), "J. Doe");
        EXPECT_EQ(BookmarkText(xml, "Bk107"), r.json.value("result").toString());
        EXPECT_EQ(BookmarkText(xml, "Bk112"), QString(c.test) + ".ini");
        // The EUT was measured after the run: phase A's voltage is a reading.
        EXPECT_TRUE(BookmarkText(xml, "Bk1m2").startsWith("11"))
            << BookmarkText(xml, "Bk1m2").toStdString();
        // Its record and spectrum pictures, as the window's report carries them: one of
        // each per phase measured, beside the template's logo.
        const qsizetype pictures = std::count_if(p.parts.begin(), p.parts.end(), [](const DocxPart& part) {
            return part.name.startsWith("word/media/") && !part.name.endsWith("/logo.png");
        });
        EXPECT_GE(pictures, 1);
        const QString text = PdfText(pdf.filePath());
        EXPECT_TRUE(text.contains(c.title));
        EXPECT_TRUE(text.contains("J. Doe"));
        EXPECT_FALSE(text.contains("[Bk"));
    }
}

TEST_F(ReportCli, AnUnreadableLabTemplateRefusesTheRunBeforeItStarts) {
    startSource(0);
    QDir().mkpath(userFile("Templates"));
    QFile broken(userFile("Templates/MS704_SAC_Template.docx"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a document");
    broken.close();
    const QString folder = tempPath("reports");
    const CliRun r = run({"--standard", "ms704", "--group", "SAC", "--test", "SAC_Nominal",
                          "--setup", setup("single-phase-115V-400Hz.stp"), "--report", folder});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.json.value("outcome").toString(), "not started");
    EXPECT_TRUE(r.json.value("reason").toString().contains("MS704_SAC_Template.docx"))
        << r.json.value("reason").toString().toStdString();
    EXPECT_TRUE(r.json.value("groups").isNull());
    EXPECT_FALSE(QDir(folder).exists());
    // No step group was programmed, so none was started.
    for (const QString& line : source.logTail(400))
        EXPECT_FALSE(line.contains(":init:cont 0", Qt::CaseInsensitive)) << line.toStdString();
}

TEST_F(ReportCli, AReportThatCannotBeWrittenFailsTheCompletedRun) {
    startSource(0);
    const QString blocked = tempPath("blocked");
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)); // a file where the folder should go
    file.close();
    const CliRun r = run({"--standard", "ms704", "--group", "SAC", "--test", "SAC_Nominal",
                          "--setup", setup("single-phase-115V-400Hz.stp"), "--report", blocked});
    EXPECT_EQ(r.json.value("outcome").toString(), "completed");
    EXPECT_EQ(r.exit, 5);
    EXPECT_TRUE(r.err.contains(blocked)) << r.err.toStdString();
    EXPECT_EQ(r.json.value("report").toArray().size(), 0);
}

} // namespace
