// ostrel-cli run-test --standard for the MIL-STD-704 and airframer sets on
// their shipped libraries against the virtual source: the exit status and
// the JSON name the set, library and group; each plays as its file says on
// the source's timeline; the 60 Hz group is measured at "60_Hz".
#include "TimelineChecker.h"

#include "standards/TestFiles.h"
#include "standards/TestStandard.h"
#include "support/ProgramFixture.h"
#include "support/VirtualSourceProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR);

struct CliRun {
    int exit = -1;
    QJsonObject json;
    QString err;
};

class StandardSetsCli : public ::testing::Test, public ProgramFixture {
protected:
    void startSource(const QStringList& extra) {
        source.stop();
        QFile::remove(timeline);
        ASSERT_TRUE(source.start(QStringList{"--time-scale", "1000", "--reset-time", "0.1", "--timeline", timeline} + extra))
            << source.errorString().toStdString();
    }
    CliRun run(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", tempPath("xdg"));
        env.insert("HOME", tempPath("home"));
        process.setProcessEnvironment(env);
        process.start(OSTREL_CLI_PATH, QStringList{"--settings", settingsPath(), "--bus", "lan", "--host", source.host(),
                                                   "--port", QString::number(source.port()), "run-test", "--time-scale",
                                                   "1000"} + args);
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
    // 270 V DC in the high range.
    QString dc270() {
        const QString path = tempPath("dc-270V.stp");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0\n400,1,1,0,0,1,0.1,0,1,0,0,0\n0,3,0,0,0,270\n0,3,240,0,0,270\n0,3,120,0,0,270\n");
        return path;
    }
    VirtualSourceProcess source;
    QString timeline = tempPath("timeline.jsonl");
};

QString setup(const char* name) {
    return kData + "/examples/" + QLatin1String(name);
}

} // namespace

TEST_F(StandardSetsCli, EachSetRunsAShippedTestAsItsFileSays) {
    const struct {
        const char* standard;
        const char* library;
        const char* group;
        const char* test;
        int model;
        const char* setup; // "": 270 V DC in the high range
        bool dc;
        int phases;
        int exit;          // 0 passed (a 12 % THD limit when the file gives none), 6 no limit
        const char* entry; // the EUT measurement's test frequency entry
    } cases[] = {
        {"ms704", "MS704_RevF", "TAC", "TAC_Nominal", 4, "three-phase-115V-400Hz.stp", false, 3, 0, "400_Hz"},
        {"ms704", "MS704_RevF", "SXF", "SXF_Nominal", 0, "single-phase-115V-400Hz.stp", false, 1, 0, "60_Hz"},
        {"ms704", "MS704_RevF", "SAC", "SAC_Nominal", 0, "single-phase-115V-400Hz.stp", false, 1, 0, "400_Hz"},
        {"ms704", "MS704_RevF", "SVF", "SVF_Nominal", 0, "single-phase-115V-400Hz.stp", false, 1, 0, "400_Hz"},
        {"ms704", "MS704_RevF", "TVF", "TVF_Nominal", 4, "three-phase-115V-400Hz.stp", false, 3, 0, "400_Hz"},
        {"ms704", "MS704_RevF", "LDC", "LDC_Nominal", 0, "dc-28V.stp", true, 1, 0, "DC"},
        {"ms704", "MS704_RevF", "HDC", "HDC_Nominal", 0, "", true, 1, 0, "DC"},
        {"abd010018", "ABD010018_RevA", "A", "A_Ex2_Levels", 0, "single-phase-115V-400Hz.stp", false, 1, 0, "400_Hz"},
        {"a350", "ABD_A350_RevB", "TCF", "TCF_Ex2_Levels", 4, "three-phase-115V-400Hz.stp", false, 3, 0, "400_Hz"},
        {"amd24", "AMD24_RevC", "LDC", "LDC_Ex1_Nominal", 0, "dc-28V.stp", true, 1, 6, "DC"},
        {"b787", "B787_RevA", "115VAC", "115VAC_Ex2_Levels", 4, "three-phase-115V-400Hz.stp", false, 3, 6, "400_Hz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.standard) + " " + c.group);
        startSource({"--model", QString::number(c.model)});
        const CliRun r = run({"--standard", c.standard, "--group", c.group, "--test", c.test, "--setup",
                              *c.setup ? setup(c.setup) : dc270(), "--close-relay"});
        EXPECT_EQ(r.exit, c.exit) << r.err.toStdString();
        EXPECT_EQ(r.json.value("standard").toString(), QLatin1String(c.standard));
        EXPECT_EQ(r.json.value("library").toString(), QLatin1String(c.library));
        EXPECT_EQ(r.json.value("group").toObject().value("code").toString(), QLatin1String(c.group));
        EXPECT_EQ(r.json.value("outcome").toString(), "completed");
        const QJsonArray eut = r.json.value("eut").toArray();
        ASSERT_EQ(eut.size(), 1);
        EXPECT_EQ(eut[0].toObject().value("entry").toString(), QLatin1String(c.entry));
        EXPECT_DOUBLE_EQ(eut[0].toObject().value("thdLimit").toDouble(), c.exit == 0 ? 12.0 : 0.0);
        if (!c.dc) {
            // The harmonic-1 current phase is read per phase where the set asks for it.
            const QJsonArray phases = eut[0].toObject().value("phases").toArray();
            ASSERT_EQ(phases.size(), c.phases);
            const bool asked = FindStandard(c.standard)->harmonicPhaseReadings;
            for (const QJsonValue& p : phases)
                EXPECT_EQ(p.toObject().value("currentPhase").isDouble(), asked);
        }

        QString error;
        const auto file = ReadSequenceFile(kData + "/" + c.library + "/" + c.test + ".ini", QLatin1Char('.'), error);
        ASSERT_TRUE(file) << error.toStdString();
        TimelineExpectation expected;
        expected.grid = file->grid;
        expected.dc = c.dc;
        expected.phases = c.phases;
        EXPECT_EQ(CheckTimeline(TimelineRecords(timeline), expected), QStringList());
    }
}

// A variable-frequency group sweeps its band's entries and ends where it started.
TEST_F(StandardSetsCli, VariableFrequencyGroupSweepsItsBand) {
    const struct {
        const char* standard;
        const char* group;
        const char* test;
        QStringList entries;
    } cases[] = {
        {"ms704", "SVF", "SVF_Nominal",
         {"360_Hz", "400_Hz", "450_Hz", "500_Hz", "550_Hz", "600_Hz", "650_Hz", "700_Hz", "750_Hz", "800_Hz"}},
        {"amd24", "SVF", "SVF_Ex1_Nominal", {"360_Hz", "390_Hz", "400_Hz", "450_Hz", "500_Hz", "550_Hz", "600_Hz", "620_Hz"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.standard);
        startSource({});
        const CliRun r = run({"--standard", c.standard, "--group", c.group, "--test", c.test, "--setup",
                              setup("single-phase-115V-400Hz.stp"), "--close-relay", "--acquire", "sweep"});
        EXPECT_EQ(r.json.value("outcome").toString(), "completed") << r.err.toStdString();
        QStringList entries;
        for (const QJsonValue& a : r.json.value("eut").toArray())
            entries << a.toObject().value("entry").toString();
        EXPECT_EQ(entries, c.entries);
        double last = 0;
        for (const QJsonObject& e : TimelineRecords(timeline))
            if (e.value("event").toString() == "output") last = e.value("freq").toDouble();
        EXPECT_DOUBLE_EQ(last, 400.0);
    }
}

// B787 revision C (here the operator's copy) takes the 235 V group and refuses the 230 V one.
TEST_F(StandardSetsCli, B787RevisionTakesItsOwnGroups) {
    const QString own = tempPath("xdg/Ostrel/Ostrel/B787_RevC/");
    QDir().mkpath(own);
    const QString shipped = kData + "/B787_RevA/";
    ASSERT_TRUE(QFile::copy(shipped + "787_Structure_Tbl_230VAC.ini", own + "787_Structure_Tbl_235VAC.ini"));
    ASSERT_TRUE(QFile::copy(shipped + "230VAC_Ex1_Nominal.ini", own + "230VAC_Ex1_Nominal.ini"));
    startSource({});
    const QStringList common{"--standard", "b787", "--library", "B787_RevC", "--test", "230VAC_Ex1_Nominal", "--setup",
                             setup("single-phase-230V-400Hz-high-range.stp"), "--close-relay"};
    const CliRun later = run(common + QStringList{"--group", "235VAC"});
    EXPECT_EQ(later.json.value("outcome").toString(), "completed") << later.json.value("reason").toString().toStdString();
    EXPECT_EQ(later.json.value("revision").toString(), "C");
    EXPECT_EQ(later.json.value("group").toObject().value("caption").toString(), "AC: 235V / 360 - 800 Hz VF");
    const CliRun refused = run(common + QStringList{"--group", "230VAC"});
    EXPECT_EQ(refused.exit, 3);
    EXPECT_EQ(refused.json.value("reason").toString(), "Load FAILED: B787_RevC has no power group \"230VAC\".");
}

TEST_F(StandardSetsCli, WrongSetOrGroupIsAUsageError) {
    startSource({});
    for (const QStringList& args : {QStringList{"--standard", "ms705", "--group", "TAC", "--row", "1"},
                                    QStringList{"--standard", "amd24", "--group", "TAC", "--row", "1"}}) {
        QProcess process;
        process.start(OSTREL_CLI_PATH, QStringList{"--settings", settingsPath(), "--bus", "lan", "--host", source.host(),
                                                   "--port", QString::number(source.port()), "run-test"} + args);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(' ').toStdString();
    }
}
