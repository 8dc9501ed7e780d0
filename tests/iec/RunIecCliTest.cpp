// ostrel-cli run-iec against the virtual source: the exit status of each
// ending with a JSON object that parses, and the shipped class files checked
// on the source's timeline.
#include "IecTimeline.h"

#include "iec/IecTestFile.h"
#include "reports/DocxPackage.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
const QString kScale = QStringLiteral("200");

struct CliRun {
    int exit = -1;
    QJsonObject json;
    QString err;
};

class RunIecCli : public ::testing::Test, public ProgramFixture {
protected:
    void startSource(const QString& range = QStringLiteral("300")) {
        source.stop();
        QFile::remove(timeline);
        ASSERT_TRUE(
            source.start({QStringLiteral("--time-scale"), kScale, QStringLiteral("--timeline"),
                          timeline, QStringLiteral("--load"), QStringLiteral("r=100")}))
            << source.errorString().toStdString();
        cli({QStringLiteral("send"), QStringLiteral("volt:rang ") + range});
    }
    QProcess* begin(const QStringList& args) {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), tempPath(QStringLiteral("xdg")));
        env.insert(QStringLiteral("HOME"), tempPath(QStringLiteral("home")));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(OSTREL_CLI_PATH),
                 QStringList{QStringLiteral("--settings"), settingsPath(), QStringLiteral("--bus"),
                             QStringLiteral("lan"), QStringLiteral("--host"), source.host(),
                             QStringLiteral("--port"), QString::number(source.port())} +
                     args);
        p->waitForStarted();
        return p;
    }
    CliRun finish(QProcess* p) {
        CliRun r;
        if (!p->waitForFinished(60000)) {
            p->kill();
            p->waitForFinished();
            ADD_FAILURE() << "ostrel-cli did not finish";
        }
        r.exit = p->exitCode();
        QJsonParseError error;
        r.json = QJsonDocument::fromJson(p->readAllStandardOutput(), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        r.err = QString::fromUtf8(p->readAllStandardError());
        delete p;
        return r;
    }
    CliRun cli(const QStringList& args) { return finish(begin(args)); }
    CliRun runIec(const QStringList& args) {
        return cli(QStringList{QStringLiteral("run-iec"), QStringLiteral("--time-scale"), kScale} +
                   args);
    }
    QString oneRow(const QByteArray& extra = {}) {
        const QString path = tempPath(QStringLiteral("one.411"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[IEC-1000-4-11]\nSeqRepeat=1\nSeqDuration=1\nUserPrompt=Delay between sequences\n"
                "SeqNumberDips=1\n0TestLevel=40\n0CycleTime=5\n[Nominal]\nVolt_RMS=230\nFrequency="
                "50\n" +
                extra);
        return path;
    }

    VirtualSourceProcess source;
    QString timeline = tempPath(QStringLiteral("timeline.jsonl"));
};

} // namespace

TEST_F(RunIecCli, ShippedClassFilesPlayTheirTablesOnTheTimeline) {
    for (const char* klass : {"2", "3"}) {
        SCOPED_TRACE(klass);
        startSource();
        const CliRun r = runIec({QStringLiteral("--class"), QString::fromLatin1(klass),
                                 QStringLiteral("--verdict"), QStringLiteral("pass")});
        EXPECT_EQ(r.exit, 0) << r.err.toStdString();
        EXPECT_EQ(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("PASS"));
        EXPECT_EQ(r.json.value(QStringLiteral("time_scale")).toDouble(), 200);
        IecTestFile f;
        ASSERT_TRUE(LoadIecTestFile(r.json.value(QStringLiteral("file")).toString(), f).ok);
        const QString problem = CheckIecTimeline(timeline, f);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        for (const QJsonValue& s : r.json.value(QStringLiteral("steps")).toArray())
            EXPECT_EQ(s.toObject().value(QStringLiteral("result")).toString(),
                      QStringLiteral("done"));
    }
}

TEST_F(RunIecCli, ExitStatusOfEachEnding) {
    startSource();
    const QString file = oneRow();
    const QString text = tempPath(QStringLiteral("r.txt"));
    CliRun r = runIec({file, QStringLiteral("--verdict"), QStringLiteral("fail"),
                       QStringLiteral("--text"), text});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("FAIL"));
    EXPECT_TRUE(QFile::exists(text));

    r = runIec({file}); // no verdict option, no terminal
    EXPECT_EQ(r.exit, 6);
    EXPECT_EQ(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("NONE"));

    r = runIec({file, QStringLiteral("--eut-check"), QStringLiteral("true")});
    EXPECT_EQ(r.exit, 0);

    QFile damaged(tempPath(QStringLiteral("bad.411")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("[IEC-1000-4-11]\n\0\0\0", 19));
    damaged.close();
    r = runIec({damaged.fileName()});
    EXPECT_EQ(r.exit, 3);
    EXPECT_EQ(r.json.value(QStringLiteral("error")).toString(),
              QStringLiteral("bad.411: line 2: not a text file."));

    QStringList log;
    ASSERT_TRUE(source.control(QStringLiteral("log 20000"), &log));
    r = runIec({file, QStringLiteral("--dry-run")});
    EXPECT_EQ(r.exit, 6);
    QStringList after;
    ASSERT_TRUE(source.control(QStringLiteral("log 20000"), &after));
    EXPECT_EQ(after.filter(QStringLiteral("TCP <")).size(), log.filter(QStringLiteral("TCP <")).size())
        << "a dry run sends nothing";
    EXPECT_EQ(
        r.json.value(QStringLiteral("steps"))
            .toArray()
            .first()
            .toObject()
            .value(QStringLiteral("lines"))
            .toArray()
            .first()
            .toString(),
        QStringLiteral(
            ":list:dwell 0.100,1.000;:list:volt 92.00,230.00;:list:volt:slew max;:list:rep 0"));

    r = runIec({QStringLiteral("--class"), QStringLiteral("4")});
    EXPECT_EQ(r.exit, 2);

    startSource(QStringLiteral("150"));
    r = runIec({file, QStringLiteral("--verdict"), QStringLiteral("pass")});
    EXPECT_EQ(r.exit, 3);
}

TEST_F(RunIecCli, VariationFileAndReports) {
    startSource();
    const QString base = tempPath(QStringLiteral("v"));
    CliRun r = runIec({kData + QStringLiteral("/Seq_Test/IEC61000-4-11_Variation_50Hz.411"),
                       QStringLiteral("--table"), QStringLiteral("variations"),
                       QStringLiteral("--verdict"), QStringLiteral("pass"),
                       QStringLiteral("--report"), base + QStringLiteral(".docx"),
                       QStringLiteral("--text"), base + QStringLiteral(".txt")});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    const QJsonArray steps = r.json.value(QStringLiteral("steps")).toArray();
    ASSERT_EQ(steps.size(), 1);
    const QJsonObject step = steps.first().toObject();
    EXPECT_EQ(step.value(QStringLiteral("level")).toInt(), 70);
    EXPECT_EQ(step.value(QStringLiteral("ti")).toDouble(), 25);
    EXPECT_EQ(step.value(QStringLiteral("result")).toString(), QStringLiteral("done"));
    EXPECT_EQ(r.json.value(QStringLiteral("reports")).toArray().size(), 3);
    for (const char* ext : {".docx", ".pdf", ".txt"})
        EXPECT_TRUE(QFile::exists(base + QString::fromLatin1(ext))) << ext;
    // The document carries the run's trend picture beside the template's logo, as the window's does.
    DocxPackage docx;
    QString error;
    ASSERT_TRUE(ReadDocxPackage(base + QStringLiteral(".docx"), QStringLiteral("report"), docx, error))
        << error.toStdString();
    EXPECT_TRUE(std::any_of(docx.parts.begin(), docx.parts.end(), [](const DocxPart& p) {
        return p.name.startsWith(QLatin1String("word/media/")) && !p.name.endsWith(QLatin1String("/logo.png")) &&
               p.data.startsWith("\x89PNG");
    }));
    // The variation: 161 V held for one cycle, then back to 230 V over 25 cycles.
    bool held = false;
    QFile tl(timeline);
    ASSERT_TRUE(tl.open(QIODevice::ReadOnly));
    for (const QByteArray& line : tl.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("event")).toString() == QLatin1String("point") &&
            o.value(QStringLiteral("index")).toInt() == 0)
            held = held || std::abs(o.value(QStringLiteral("dwell")).toDouble() - 0.02) < 1e-9;
    }
    EXPECT_TRUE(held);

    QFile broken(tempPath(QStringLiteral("broken.docx")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a zip");
    broken.close();
    r = runIec({oneRow(), QStringLiteral("--verdict"), QStringLiteral("pass"),
                QStringLiteral("--report"), tempPath(QStringLiteral("b.docx")),
                QStringLiteral("--template"), broken.fileName()});
    EXPECT_EQ(r.exit, 3); // refused before anything was sent, naming the template
    EXPECT_TRUE(
        r.json.value(QStringLiteral("error")).toString().contains(QStringLiteral("broken.docx")));
    EXPECT_FALSE(QFile::exists(tempPath(QStringLiteral("b.docx"))));

    // A report that cannot be written after the run fails it.
    r = runIec({oneRow(), QStringLiteral("--verdict"), QStringLiteral("pass"),
                QStringLiteral("--text"), tempPath(QStringLiteral("no/such/folder/r.txt"))});
    EXPECT_EQ(r.exit, 5);
    EXPECT_EQ(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("PASS"));
}

TEST_F(RunIecCli, SigtermAbortsAndADroppedLinkFails) {
    startSource();
    QProcess* p = begin({QStringLiteral("run-iec"), QStringLiteral("--time-scale"),
                         QStringLiteral("20"), QStringLiteral("--class"), QStringLiteral("2"),
                         QStringLiteral("--verdict"), QStringLiteral("pass")});
    QThread::msleep(800);
    p->terminate();
    CliRun r = finish(p);
    EXPECT_EQ(r.exit, 4);
    EXPECT_EQ(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("ABORT"));

    startSource();
    ASSERT_TRUE(source.control(QStringLiteral("fault drop 40")));
    r = runIec({QStringLiteral("--class"), QStringLiteral("2"), QStringLiteral("--verdict"),
                QStringLiteral("pass")});
    EXPECT_EQ(r.exit, 5);
    EXPECT_NE(r.json.value(QStringLiteral("result")).toString(), QStringLiteral("PASS"));
}
