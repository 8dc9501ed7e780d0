// ostrel-cli run-resident: the exit statuses of the shared scheme, each
// reached by one run, with the JSON the run prints.
#include "EngineConversation.h"

#include "config/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <QThread>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class ResidentCli : public EngineConversation {
protected:
    void SetUp() override {
        connect(0, {QStringLiteral("--resident-seconds"), QStringLiteral("3")});
        file = tempPath(QStringLiteral("sac.704"));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General Settings]\nTest_Standard=MS704\nRevision=F\nGroup=SAC\nPhase=1\n[Normal State test]\nTest00=1\n");
    }
    struct Result {
        int exit = -1;
        QJsonObject json;
        QString err;
    };
    QStringList common() const {
        return {QStringLiteral("--settings"), settingsPath(), QStringLiteral("--bus"), QStringLiteral("lan"),
                QStringLiteral("--host"), source.host(), QStringLiteral("--port"), QString::number(source.port()),
                QStringLiteral("run-resident")};
    }
    Result finish(QProcess& process) {
        Result r;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "ostrel-cli did not finish";
            return r;
        }
        r.exit = process.exitCode();
        r.json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }
    Result cli(const QStringList& args) {
        program().link.CloseLan(); // the source serves one client at a time
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH), common() + args);
        return finish(process);
    }
    QString file;
};

} // namespace

TEST_F(ResidentCli, EveryExitStatusIsReachedByOneRun) {
    const QString scale = QStringLiteral("--time-scale");
    const struct {
        QStringList args;
        int exit;
        const char* outcome;
    } cases[] = {
        {{file, "--tests", "0,1", scale, "100"}, 0, "completed"},
        {{file, "--tests", "0,31", scale, "100"}, 5, "failed"},
        {{file, "--tests", "40"}, 2, nullptr},
        {{}, 2, nullptr},
        {{file, "--phase", "D"}, 2, nullptr},
        {{tempPath(QStringLiteral("none.704"))}, 3, "not started"},
    };
    for (const auto& c : cases) {
        const Result r = cli(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(u' ').toStdString() << "\n" << r.err.toStdString();
        if (c.outcome) {
            EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QLatin1String(c.outcome))
                << c.args.join(u' ').toStdString();
        }
    }
    const Result done = cli({file, QStringLiteral("--tests"), QStringLiteral("0,31"), scale, QStringLiteral("100")});
    EXPECT_EQ(done.json.value(QLatin1String("window")).toString(), QStringLiteral("frmMS704"));
    EXPECT_EQ(done.json.value(QLatin1String("option")).toString(), QStringLiteral("-704F"));
    EXPECT_EQ(done.json.value(QLatin1String("result")).toString(), QStringLiteral("COMPLETED WITH ERRORS (1 of 2 tests not run)"));
    const QJsonArray tests = done.json.value(QLatin1String("tests")).toArray();
    ASSERT_EQ(tests.size(), 32);
    EXPECT_EQ(tests[0].toObject().value(QLatin1String("status")).toString(), QStringLiteral("completed"));
    EXPECT_EQ(tests[31].toObject().value(QLatin1String("status")).toString(), QStringLiteral("not run"));
    EXPECT_EQ(tests[2].toObject().value(QLatin1String("status")).toString(), QStringLiteral("skipped"));
    EXPECT_EQ(done.json.value(QLatin1String("phases")).toString(), QStringLiteral("A"));
}

// --report DIR: a text file, or with the word-processor format the option's
// document, .docx and .pdf, filled from the run.
TEST_F(ResidentCli, TheReportIsTheOptionsDocumentWhenTheSettingsAskForIt) {
    const QString folder = tempPath(QStringLiteral("reports"));
    const QStringList args{file, QStringLiteral("--tests"), QStringLiteral("0"), QStringLiteral("--time-scale"),
                           QStringLiteral("100"), QStringLiteral("--report"), folder};
    const Result text = cli(args);
    ASSERT_EQ(text.exit, 0) << text.err.toStdString();
    const QJsonArray textFiles = text.json.value(QLatin1String("report")).toArray();
    ASSERT_EQ(textFiles.size(), 1);
    EXPECT_TRUE(textFiles[0].toString().endsWith(QLatin1String("/MS704_SAC-1.txt")));

    ASSERT_TRUE(WriteIniString(settingsPath(), QStringLiteral("ReportSettings"), QStringLiteral("ReportFormat"),
                               QStringLiteral("2")));
    const Result document = cli(args);
    ASSERT_EQ(document.exit, 0) << document.err.toStdString();
    const QJsonArray files = document.json.value(QLatin1String("report")).toArray();
    ASSERT_EQ(files.size(), 2) << document.err.toStdString();
    EXPECT_TRUE(QFileInfo(files[0].toString()).fileName().startsWith(QLatin1String("MS704_SAC-")));
    EXPECT_TRUE(files[0].toString().endsWith(QLatin1String(".docx")));
    EXPECT_TRUE(files[1].toString().endsWith(QLatin1String(".pdf")));
    for (const QJsonValue& f : files) EXPECT_GT(QFileInfo(f.toString()).size(), 1000) << f.toString().toStdString();
}

TEST_F(ResidentCli, TheOpeningCheckAndAMissingOptionRefuseBeforeAnythingIsSent) {
    program().link.Send(0, QStringLiteral("volt 120"));
    program().link.TryQuery(0, QStringLiteral("*opc?"));
    const qsizetype from = mark();
    const Result wrong = cli({file});
    EXPECT_EQ(wrong.exit, 3);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("Steady state settings are incorrect for this test"))) << wrong.err.toStdString();
    EXPECT_EQ(IndexOf(logged().mid(from), QStringLiteral("ABORT")), -1);

    source.stop();
    connect(0, {QStringLiteral("--options"), QStringLiteral("0,1,1,1,1,0,1,0,0,0,1,0,0,1,1,1,0")});
    const Result missing = cli({file});
    EXPECT_EQ(missing.exit, 3);
    EXPECT_EQ(missing.json.value(QLatin1String("reason")).toString(),
              QStringLiteral("The source has no MIL-STD 704 (MS704) option (-704F)."));
}

TEST_F(ResidentCli, ASignalAndTheTimeoutAbortTheRunThroughTheRestore) {
    source.stop();
    connect(0, {QStringLiteral("--resident-seconds"), QStringLiteral("600")});
    const Result late = cli({file, QStringLiteral("--time-scale"), QStringLiteral("100"), QStringLiteral("--timeout"),
                             QStringLiteral("0.5")});
    EXPECT_EQ(late.exit, 4) << late.err.toStdString();
    EXPECT_EQ(late.json.value(QLatin1String("outcome")).toString(), QStringLiteral("aborted"));
    EXPECT_EQ(late.json.value(QLatin1String("result")).toString(), QStringLiteral("USER ABORT"));
    EXPECT_TRUE(late.json.value(QLatin1String("ended")).isNull());

    program().link.CloseLan();
    QProcess process;
    process.start(QStringLiteral(OSTREL_CLI_PATH), common() + QStringList{file, QStringLiteral("--time-scale"), QStringLiteral("100")});
    ASSERT_TRUE(process.waitForStarted());
    for (int i = 0; i < 200 && !state().contains(QLatin1String("resident=MS704")); ++i)
        QThread::msleep(25);
    process.terminate(); // SIGTERM: the same stop as SIGINT
    const Result stopped = finish(process);
    EXPECT_EQ(stopped.exit, 4) << stopped.err.toStdString();
    EXPECT_EQ(stopped.json.value(QLatin1String("tests")).toArray()[0].toObject().value(QLatin1String("status")).toString(),
              QStringLiteral("aborted"));
    EXPECT_TRUE(state().endsWith(QLatin1String("resident=IDLE")));
}
