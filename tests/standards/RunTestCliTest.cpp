// ostrel-cli run-test against the virtual source: every exit status of the
// shared scheme with a JSON object that parses, and the shipped example
// tests checked point by point on the source's timeline.
#include "TimelineChecker.h"

#include "standards/TestFiles.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
const QString kScale = QStringLiteral("100");

struct CliRun {
    int exit = -1;
    QJsonObject json;
    QString err;
};

class RunTestCli : public ::testing::Test, public ProgramFixture {
protected:
    // A fresh source per case; `extra` its own options.
    void startSource(const QStringList& extra) {
        source.stop();
        QFile::remove(timeline);
        ASSERT_TRUE(source.start(QStringList{QStringLiteral("--time-scale"), kScale, QStringLiteral("--reset-time"),
                                             QStringLiteral("0.1"), QStringLiteral("--timeline"), timeline} +
                                 extra))
            << source.errorString().toStdString();
    }
    CliRun run(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), tempPath(QStringLiteral("xdg")));
        env.insert(QStringLiteral("HOME"), tempPath(QStringLiteral("home")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(OSTREL_CLI_PATH),
                      QStringList{QStringLiteral("--settings"), settingsPath(), QStringLiteral("--bus"),
                                  QStringLiteral("lan"), QStringLiteral("--host"), source.host(),
                                  QStringLiteral("--port"), QString::number(source.port()),
                                  QStringLiteral("run-test"), QStringLiteral("--time-scale"), kScale} +
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
    // The operator's factor file in the per-user folder the CLI uses.
    void writeFactors(const QByteArray& text) {
        const QString dir = tempPath(QStringLiteral("xdg/Ostrel/Ostrel"));
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/HFVolt_CalFactors.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString modes() {
        QStringList lines;
        EXPECT_TRUE(source.control(QStringLiteral("modes?"), &lines));
        return lines.value(0);
    }

    VirtualSourceProcess source;
    QString timeline = tempPath(QStringLiteral("timeline.jsonl"));
};

QString setup(const char* name) {
    return kData + QStringLiteral("/examples/") + QLatin1String(name);
}

const QStringList kKeys{
    QStringLiteral("standard"), QStringLiteral("library"),  QStringLiteral("revision"),
    QStringLiteral("group"),    QStringLiteral("test"),     QStringLiteral("mode"),
    QStringLiteral("phases"),   QStringLiteral("steps"),    QStringLiteral("groups"),
    QStringLiteral("groupsCompiled"), QStringLiteral("plannedSeconds"), QStringLiteral("elapsedSeconds"),
    QStringLiteral("hfFactors"), QStringLiteral("outcome"),  QStringLiteral("reason"),
    QStringLiteral("result"),   QStringLiteral("eut"),      QStringLiteral("verdict"),
    QStringLiteral("record"),   QStringLiteral("exit")};

} // namespace

TEST_F(RunTestCli, EachExitStatusWithItsOutcome) {
    const QStringList steadyTest{QStringLiteral("--group"), QStringLiteral("ACF115"), QStringLiteral("--test"),
                                 QStringLiteral("ACF115_Ex1_SteadyState"), QStringLiteral("--setup"),
                                 setup("single-phase-115V-400Hz.stp")};
    struct Case {
        const char* name;
        QStringList source;
        QStringList args;
        int exit;
        const char* outcome;
        QJsonValue verdict;
    } cases[] = {
        {"pass", {}, steadyTest + QStringList{QStringLiteral("--close-relay")}, 0, "completed", QStringLiteral("Pass")},
        {"fail", {QStringLiteral("--load"), QStringLiteral("r=50,thd=40")}, steadyTest + QStringList{QStringLiteral("--close-relay")},
         1, "completed", QStringLiteral("Fail")},
        {"no verdict", {}, steadyTest + QStringList{QStringLiteral("--close-relay"), QStringLiteral("--acquire"), QStringLiteral("none")},
         6, "completed", QJsonValue()},
        {"no limit in DC", {}, QStringList{QStringLiteral("--group"), QStringLiteral("ADC28"), QStringLiteral("--test"),
                                           QStringLiteral("ADC28_Ex1_SteadyState"), QStringLiteral("--setup"), setup("dc-28V.stp"),
                                           QStringLiteral("--close-relay")},
         6, "completed", QStringLiteral("No limit")},
        {"no THD reading on the older line", {QStringLiteral("--model"), QStringLiteral("10")},
         QStringList{QStringLiteral("--group"), QStringLiteral("ACF115"), QStringLiteral("--test"), QStringLiteral("ACF115_Ex1_SteadyState"),
                     QStringLiteral("--close-relay")},
         6, "completed", QStringLiteral("No data")},
        {"a DC sequence file takes group 6", {}, QStringList{kData + QStringLiteral("/DO160_RevF/ADC28_Ex1_SteadyState.ini"),
                                                              QStringLiteral("--setup"), setup("dc-28V.stp"), QStringLiteral("--close-relay"),
                                                              QStringLiteral("--acquire"), QStringLiteral("none")},
         6, "completed", QJsonValue()},
        {"revision B", {}, QStringList{QStringLiteral("--library"), QStringLiteral("DO160_RevB - Not Available"), QStringLiteral("--group"),
                                       QStringLiteral("ACF115"), QStringLiteral("--row"), QStringLiteral("1"), QStringLiteral("--close-relay")},
         3, "not started", QJsonValue()},
        {"relay not to be closed", {}, QStringList{QStringLiteral("--group"), QStringLiteral("ACF115"), QStringLiteral("--row"), QStringLiteral("1")},
         3, "not started", QJsonValue()},
        {"DC group in AC mode", {}, QStringList{QStringLiteral("--group"), QStringLiteral("ADC28"), QStringLiteral("--row"), QStringLiteral("1"),
                                                QStringLiteral("--close-relay")},
         3, "not started", QJsonValue()},
        {"time-out", {}, steadyTest + QStringList{QStringLiteral("--close-relay"), QStringLiteral("--timeout"), QStringLiteral("0.1")},
         4, "aborted", QJsonValue()},
        {"no state reply", {QStringLiteral("--fault"), QStringLiteral("noreply-match trig:stat")},
         steadyTest + QStringList{QStringLiteral("--close-relay")}, 5, "failed", QJsonValue()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startSource(c.source);
        // The time-out case runs on a clock too slow to finish first.
        QStringList args = c.args;
        if (c.exit == 4) args.append({QStringLiteral("--time-scale"), QStringLiteral("1")});
        const CliRun r = run(args);
        EXPECT_EQ(r.exit, c.exit) << r.err.toStdString();
        EXPECT_EQ(r.json.value(QLatin1String("exit")).toInt(), c.exit);
        for (const QString& key : kKeys)
            EXPECT_TRUE(r.json.contains(key)) << key.toStdString();
        EXPECT_EQ(r.json.value(QLatin1String("outcome")).toString(), QLatin1String(c.outcome));
        EXPECT_EQ(r.json.value(QLatin1String("verdict")), c.verdict);
        if (c.exit <= 1 || c.verdict.isString()) {
            const QJsonArray eut = r.json.value(QLatin1String("eut")).toArray();
            ASSERT_EQ(eut.size(), 1);
            EXPECT_EQ(eut[0].toObject().value(QLatin1String("entry")).toString(),
                      c.verdict == QJsonValue(QStringLiteral("No limit")) ? QStringLiteral("DC") : QStringLiteral("400_Hz"));
        }
        if (c.exit == 4) {
            EXPECT_EQ(r.json.value(QLatin1String("result")).toString(), QStringLiteral("User Abort"));
            // The steady state of the setup file is back on the output.
            const auto records = TimelineRecords(timeline);
            double lastVac = -1;
            for (const QJsonObject& e : records)
                if (e.value(QLatin1String("event")).toString() == QLatin1String("output")) lastVac = e.value(QLatin1String("vac")).toDouble();
            EXPECT_DOUBLE_EQ(lastVac, 115.0);
        }
        if (c.exit == 3) {
            EXPECT_TRUE(r.json.value(QLatin1String("record")).isNull());
        }
        if (r.json.value(QLatin1String("mode")).toString() == QLatin1String("DC")) {
            EXPECT_EQ(r.json.value(QLatin1String("group")).toObject().value(QLatin1String("code")).toString(), QStringLiteral("ADC28"));
        }
        if (c.exit != 3) {
            EXPECT_FALSE(modes().contains(QLatin1String("LIST"))) << modes().toStdString();
        }
    }
}

TEST_F(RunTestCli, ShippedExamplesPlayPointByPointAsTheirFilesSay) {
    writeFactors("[1Voltage]\n0VF=1.02\n1VF=1.04\n2VF=1.06\n[2Voltage]\n0VF=1.01\n1VF=1.03\n2VF=1.05\n"
                 "[3Voltage]\n0VF=1.1\n1VF=1.2\n2VF=1.3\n");
    struct Case {
        const char* group;
        const char* test;
        int model;
        const char* setup;
        bool dc;
        int phases;
    } cases[] = {
        {"ACF115", "ACF115_Ex1_SteadyState", 0, "single-phase-115V-400Hz.stp", false, 1},
        {"ACF115", "ACF115_Ex2_Transient", 0, "single-phase-115V-400Hz.stp", false, 1},
        {"ACF115", "ACF115_Ex4_PhaseAThenB", 4, "three-phase-115V-400Hz.stp", false, 3},
        {"ACF115", "ACF115_Ex5_Distortion", 0, "single-phase-115V-400Hz.stp", false, 1},
        {"AWF115", "AWF115_Ex1_FrequencySteps", 4, "three-phase-115V-400Hz.stp", false, 3},
        {"ADC28", "ADC28_Ex2_Transient", 0, "dc-28V.stp", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.test);
        startSource({QStringLiteral("--model"), QString::number(c.model)});
        const CliRun r = run({QStringLiteral("--group"), QLatin1String(c.group), QStringLiteral("--test"),
                              QLatin1String(c.test), QStringLiteral("--setup"), setup(c.setup),
                              QStringLiteral("--close-relay"), QStringLiteral("--acquire"), QStringLiteral("none")});
        ASSERT_EQ(r.exit, 6) << r.err.toStdString();
        EXPECT_EQ(r.json.value(QLatin1String("phases")).toInt(), c.phases);
        EXPECT_NEAR(r.json.value(QLatin1String("hfFactors")).toArray()[2].toArray()[1].toDouble(), 1.2, 1e-6);
        QString error;
        const auto file = ReadSequenceFile(kData + QStringLiteral("/DO160_RevF/") + QLatin1String(c.test) +
                                               QStringLiteral(".ini"),
                                           QLatin1Char('.'), error);
        ASSERT_TRUE(file) << error.toStdString();
        TimelineExpectation x;
        x.grid = file->grid;
        x.dc = c.dc;
        x.phases = c.phases;
        x.factors = ReadHfFactorsFile(tempPath(QStringLiteral("xdg/Ostrel/Ostrel/HFVolt_CalFactors.ini")));
        const QStringList problems = CheckTimeline(TimelineRecords(timeline), x);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
        const QString fixed = c.phases == 3 ? QStringLiteral("volt=FIX,FIX,FIX") : QStringLiteral("volt=FIX ");
        EXPECT_TRUE(modes().contains(fixed)) << modes().toStdString();
        EXPECT_FALSE(modes().contains(QLatin1String("LIST")));
    }
}

TEST_F(RunTestCli, AUserLibraryIsRevisionGAndTheSweepMeasuresEveryFrequency) {
    const QString user = tempPath(QStringLiteral("xdg/Ostrel/Ostrel"));
    QDir().mkpath(user + QStringLiteral("/Lab_Set"));
    for (const char* name : {"DO160_Structure_AWF115.ini", "AWF115_Ex1_FrequencySteps.ini", "DO160_Distortion_Limits.ini"})
        ASSERT_TRUE(QFile::copy(kData + QStringLiteral("/DO160_RevF/") + QLatin1String(name),
                                user + QStringLiteral("/Lab_Set/") + QLatin1String(name)));
    QFile list(user + QStringLiteral("/DO160UserTestLibraries.txt"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("\"Lab_Set\"\n");
    list.close();
    startSource({QStringLiteral("--model"), QStringLiteral("4")});
    const CliRun r = run({QStringLiteral("--library"), QStringLiteral("lab_set"), QStringLiteral("--group"), QStringLiteral("AWF115"),
                          QStringLiteral("--row"), QStringLiteral("1"), QStringLiteral("--setup"), setup("three-phase-115V-400Hz.stp"),
                          QStringLiteral("--close-relay"), QStringLiteral("--acquire"), QStringLiteral("sweep"),
                          QStringLiteral("--set"), QStringLiteral("operator=J. Doe"), QStringLiteral("--report"), tempPath(QStringLiteral("report.txt"))});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.json.value(QLatin1String("record")).toObject().value(QLatin1String("fields")).toObject().value(QLatin1String("9")).toString(),
              QStringLiteral("J. Doe"));
    QFile report(tempPath(QStringLiteral("report.txt")));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray text = report.readAll();
    EXPECT_TRUE(text.contains("J. Doe"));
    EXPECT_TRUE(text.contains("Test completed"));
    EXPECT_EQ(r.json.value(QLatin1String("library")).toString(), QStringLiteral("Lab_Set"));
    EXPECT_EQ(r.json.value(QLatin1String("revision")).toString(), QStringLiteral("G"));
    const QJsonArray eut = r.json.value(QLatin1String("eut")).toArray();
    ASSERT_EQ(eut.size(), 10); // 360 Hz, then 400 to 800 Hz by 50
    EXPECT_EQ(eut.first().toObject().value(QLatin1String("entry")).toString(), QStringLiteral("360_Hz"));
    EXPECT_EQ(eut.last().toObject().value(QLatin1String("entry")).toString(), QStringLiteral("800_Hz"));
    EXPECT_NEAR(eut.last().toObject().value(QLatin1String("measuredFrequency")).toDouble(), 800, 0.1);
    QFile summary(user + QStringLiteral("/Reports/DO160_Meas_Summary.txt"));
    ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
    EXPECT_EQ(summary.readAll().count("Scalar Data"), 10 * 3);
}

TEST_F(RunTestCli, SigtermAbortsTheRunThroughTheRestore) {
    startSource({});
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), tempPath(QStringLiteral("xdg")));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(OSTREL_CLI_PATH),
                  {QStringLiteral("--settings"), settingsPath(), QStringLiteral("--bus"), QStringLiteral("lan"),
                   QStringLiteral("--host"), source.host(), QStringLiteral("--port"), QString::number(source.port()),
                   QStringLiteral("run-test"), QStringLiteral("--group"), QStringLiteral("ACF115"), QStringLiteral("--test"),
                   QStringLiteral("ACF115_Ex1_SteadyState"), QStringLiteral("--setup"), setup("single-phase-115V-400Hz.stp"),
                   QStringLiteral("--close-relay")});
    ASSERT_TRUE(process.waitForStarted());
    // The run is under way once the source has a transient initiated.
    const auto initiated = [&] {
        for (const QJsonObject& e : TimelineRecords(timeline))
            if (e.value(QLatin1String("event")).toString() == QLatin1String("initiate")) return true;
        return false;
    };
    for (int i = 0; i < 250 && !initiated(); ++i)
        QThread::msleep(20);
    ASSERT_TRUE(initiated());
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 4);
    const QJsonObject json = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    EXPECT_EQ(json.value(QLatin1String("outcome")).toString(), QStringLiteral("aborted"));
    EXPECT_FALSE(modes().contains(QLatin1String("LIST")));
}
