// ostrel-cli run-sequence and run-macro: every exit status of the shared
// scheme, reached by one run each, and the simulation run.
#include "link/LinkConversation.h"

#include "automation/SequenceTable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QByteArray sequenceText(const QByteArray& irmsHi) {
    QByteArray text = "OSTREL-SEQ 1\n[Phase A]\n";
    QStringList headings;
    for (const QString& h : SequenceHeadings(false))
        headings << u'"' + h + u'"';
    text += headings.join(u',').toUtf8() + '\n';
    text += "\"1\",\"\",\"400\",\"115\",\"5\",\"0\",\"\",\"120\",\"110\",\"\",\"" + irmsHi + "\",\"\"" +
            QByteArray(",\"\"").repeated(9) + '\n';
    return text;
}

class AutomationCli : public LinkConversation {
protected:
    void SetUp() override {
        start({QStringLiteral("--model"), QStringLiteral("0")});
    }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = tempPath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    struct Result {
        int exit = -1;
        QJsonObject json;
        QString err;
    };
    Result cli(const QStringList& command, bool simulation = false) {
        QStringList args{QStringLiteral("--settings"), settingsPath()};
        if (simulation)
            args << QStringLiteral("--bus") << QStringLiteral("sim");
        else
            args << QStringLiteral("--bus") << QStringLiteral("lan") << QStringLiteral("--host")
                 << source.host() << QStringLiteral("--port") << QString::number(source.port());
        QProcess process;
        process.start(QStringLiteral(OSTREL_CLI_PATH), args + command);
        Result r;
        if (!process.waitForFinished(30000)) {
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
};

TEST_P(AutomationCli, EveryExitStatusIsReachedByOneRun) {
    const QString pass = file(QStringLiteral("pass.seq"), sequenceText("3"));
    const QString fail = file(QStringLiteral("fail.seq"), sequenceText("1"));
    const QString damaged = file(QStringLiteral("damaged.seq"), "[Phase A]\n");
    const QString delay = file(QStringLiteral("delay.txt"), "volt 1\n#DELAY 30\nvolt 2\n");
    const QString refused = file(QStringLiteral("refused.txt"), "volt 1\nvolt 9999\nvolt 2\n");
    const struct {
        QStringList command;
        int exit;
        const char* outcome;
    } cases[] = {
        {{"run-sequence", pass}, 0, "completed"},
        {{"run-sequence", fail, "--abort-on-fail"}, 1, "completed"},
        {{"run-sequence", pass, "--passes", "0"}, 2, nullptr},
        {{"run-sequence", damaged}, 3, nullptr},
        {{"run-macro", delay, "--timeout", "0.5"}, 4, "aborted"},
        {{"run-macro", refused, "--error-check"}, 5, "failed"},
    };
    for (const auto& c : cases) {
        const Result r = cli(c.command);
        EXPECT_EQ(r.exit, c.exit) << c.command.join(u' ').toStdString() << "\n" << r.err.toStdString();
        if (c.outcome) {
            EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QLatin1String(c.outcome))
                << c.command.join(u' ').toStdString();
        }
    }
    const Result failed = cli({"run-sequence", fail});
    EXPECT_EQ(failed.json.value(QLatin1String("verdict")).toString(), QStringLiteral("FAIL"));
    const QJsonObject step = failed.json.value(QLatin1String("steps")).toArray().first().toObject();
    const QJsonObject irms = step.value(QLatin1String("readings")).toObject().value(QLatin1String("current")).toObject();
    EXPECT_EQ(irms.value(QLatin1String("hi")).toDouble(), 1.0);
    EXPECT_FALSE(irms.value(QLatin1String("pass")).toBool());
    EXPECT_EQ(step.value(QLatin1String("status")).toString(), QStringLiteral("FAIL"));
    EXPECT_EQ(failed.json.value(QLatin1String("simulation")).toBool(true), false);

    const Result aborted = cli({"run-macro", delay, "--timeout", "0.5"});
    EXPECT_EQ(aborted.json.value(QLatin1String("lines")).toArray().size(), 2);
    EXPECT_FALSE(received().contains(QStringLiteral("volt 2")));
}

TEST_P(AutomationCli, ASimulationRunSendsNothingAndSaysSo) {
    const QString pass = file(QStringLiteral("pass.seq"), sequenceText("3"));
    const qsizetype before = received().size();
    const Result r = cli({"run-sequence", pass, "--report", tempPath(QStringLiteral("r.pdf"))}, true);
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_TRUE(r.json.value(QLatin1String("simulation")).toBool());
    EXPECT_EQ(r.json.value(QLatin1String("verdict")).toString(), QStringLiteral("PASS"));
    EXPECT_EQ(r.json.value(QLatin1String("report")).toString(), tempPath(QStringLiteral("r.pdf")));
    QFile pdf(tempPath(QStringLiteral("r.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-1.4"));
    EXPECT_TRUE(bytes.contains("(Simulated readings: no AC source was attached.)"));
    EXPECT_EQ(received().size(), before);
}

INSTANTIATE_TEST_SUITE_P(Lan, AutomationCli, ::testing::Values(int(BusLan)),
                         [](const auto& info) { return std::string(BusName(info.param)); });

} // namespace
