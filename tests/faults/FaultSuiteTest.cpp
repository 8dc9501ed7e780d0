// Every run the command-line tool offers, under every fault the virtual
// source can put on the wire: a run ends within its time-outs, is never
// reported as completed unless it gave exactly what a clean run gives, tells
// the operator once, and leaves a source that still listens idle, in fixed
// modes, with its relay as before.
#include "support/VirtualSourceProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel::test;

namespace {

const QString kData = QStringLiteral(OSTREL_SOURCE_DATA_DIR "/");

// In `args`: "DATA/..." is a shipped file; "WAVE" a sample list, "TABLE" a
// harmonic table, "SEQUENCE" a sequencer table, "MACRO" a copy of the
// shipped macro (its SAVE( writes beside it), "LIBRARY" a folder of waveform
// files and "RESIDENT" a resident test set-up file, made for the test.
struct RunRow {
    const char* name;
    QStringList args;     // after the bus options
    QStringList sameKeys; // what a completed run must give as a clean run does
    bool listRun = false; // plays lists: the restore is checked afterwards
    int budgetMs = 12000; // its time-outs and retries, plus 2 s
    // Prints the reply as it came: garbled bytes are that reply, not a failure.
    bool rawReply = false;
    const char* model = "0";
    const char* timeScale = "20"; // the source's; a run given --time-scale matches it
    // Sent to a fresh source before its fault, for runs that need a steady state.
    QString prepare = {};
};

// Test names and messages show the row by its name.
void PrintTo(const RunRow& row, std::ostream* os) {
    *os << row.name;
}

struct FaultColumn {
    const char* fault;       // control-port fault text; "kill" ends the source mid-run
    bool mustFail = false;   // the run cannot complete under it
    bool failsLists = false; // it fails list runs only
    bool garbles = false;    // replies come, but not as sent
};

const QStringList kListOutcome{"outcome", "passes_completed", "points_sent", "restored"};

const RunRow kRows[] = {
    {.name = "identify", .args = {"identify"}, .sameKeys = {"SourceModel"}},
    {.name = "readback", .args = {"readback"}, .sameKeys = {"OutputState", "MaxVoltage"}},
    {.name = "entry", .args = {"send", "volt 120"}, .sameKeys = {}},
    {.name = "measurement", .args = {"query", "meas:volt?"}, .sameKeys = {"reply"}, .rawReply = true},
    {.name = "catalog", .args = {"catalog"}, .sameKeys = {"waveforms"}},
    {.name = "download", .args = {"download", "FAULTWAVE", "WAVE"}, .sameKeys = {"name", "samples"}},
    {.name = "steps",
     .args = {"run-transient", "--yes", "--timeout", "6",
              "DATA/transients/relative-115V-400Hz-drop-surge-sag-sweep.tls"},
     .sameKeys = kListOutcome,
     .listRun = true,
     .budgetMs = 14000},
    {.name = "points",
     .args = {"run-transient", "--yes", "--timeout", "6", "DATA/transients/three-points-phase-A.trl"},
     .sameKeys = kListOutcome,
     .listRun = true,
     .budgetMs = 14000},
    {.name = "synthesis",
     .args = {"synth", "TABLE", "--download", "--name", "FAULTSYN"},
     .sameKeys = {"downloaded", "transfer_min", "transfer_max"}},
    {.name = "library", .args = {"download-abw", "LIBRARY"}, .sameKeys = {"downloaded", "failed", "stopped"}},
    {.name = "sequence",
     .args = {"run-sequence", "--timeout", "8", "SEQUENCE"},
     .sameKeys = {"outcome", "verdict"},
     .budgetMs = 16000,
     .model = "4"},
    {.name = "macro",
     .args = {"run-macro", "--yes", "--input", "5", "--input", "6", "--input", "7",
              "MACRO"},
     .sameKeys = {"outcome"},
     .budgetMs = 16000,
     .rawReply = true},
    {.name = "modulation",
     .args = {"run-modulation", "DATA/examples/modulation-voltage-115V-3-phase.mod", "--tab", "voltage",
              "--timeout", "8"},
     .sameKeys = {"outcome"},
     .listRun = true,
     .budgetMs = 16000,
     .model = "4"},
    {.name = "ripple",
     .args = {"run-dc-ripple", "--nominal", "28", "--category", "AZ", "--yes", "--timeout", "10"},
     .sameKeys = {"outcome"},
     .listRun = true,
     .budgetMs = 20000,
     .model = "4",
     .timeScale = "1000"},
    {.name = "resident",
     .args = {"run-resident", "--time-scale", "20", "--timeout", "8", "RESIDENT"},
     .sameKeys = {"outcome", "result", "tests"},
     .budgetMs = 14000,
     .prepare = "volt 115;:freq 400;:outp 1;:*opc?"},
    {.name = "standard",
     .args = {"run-test", "--group", "ACF115", "--test", "ACF115_Ex1_SteadyState", "--close-relay",
              "--accept-warnings", "--time-scale", "20", "--timeout", "10"},
     .sameKeys = {"outcome", "result", "verdict"},
     .listRun = true,
     .budgetMs = 20000,
     .model = "4"},
};

const FaultColumn kColumns[] = {
    {"split 20 3 all"}, {"late 1500 1"}, {"late 1500 all", true}, {"noreply 1"},
    {"noreply all", true}, {"garbage 1", false, false, true}, {"garbage all", true, false, true},
    {"drop 1", true},
    {"drop 4"}, {"error -222"}, {"busy on", false, true}, {"kill"},
};

struct CliRun {
    int exitCode = -1;
    qint64 elapsedMs = 0;
    QByteArray out;
    QString err;
    QJsonObject json;
    bool oneObject = false;
};

class FaultSuite : public ::testing::TestWithParam<RunRow> {
protected:
    QTemporaryDir dir;
    VirtualSourceProcess source;

    void SetUp() override {
        QFile wave(dir.filePath("wave.txt"));
        ASSERT_TRUE(wave.open(QIODevice::WriteOnly));
        for (int k = 0; k < 1024; ++k)
            wave.write(QByteArray::number(0.9 * std::sin(2 * M_PI * k / 1024), 'f', 4) + "\n");

        QFile table(dir.filePath("harm3.hwv"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        table.write("\"100\",\"0\",\"\",\"\"\r\n\"20\",\"180\",\"\",\"\"\r\n");
        for (int r = 2; r < 25; ++r) table.write("\"\",\"\",\"\",\"\"\r\n");

        // The shipped sequence with every dwell 0, so that a run takes moments.
        QFile shipped(kData + "examples/three-phase-400Hz-limits.seq");
        QFile quick(dir.filePath("quick.seq"));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly) && quick.open(QIODevice::WriteOnly));
        for (QByteArray line : shipped.readAll().split('\n')) {
            QList<QByteArray> cells = line.split(',');
            const QByteArray first = cells.value(0);
            bool step = false;
            if (cells.size() > 5 && first.size() > 2 && first.mid(1, first.size() - 2).toInt(&step) > 0 && step)
                cells[5] = "\"0\"";
            quick.write(cells.join(',') + "\n");
        }

        ASSERT_TRUE(QFile::copy(kData + "examples/every-directive-macro.txt", dir.filePath("macro.txt")));

        QFile resident(dir.filePath("resident.704"));
        ASSERT_TRUE(resident.open(QIODevice::WriteOnly));
        resident.write("[General Settings]\nTest_Standard=MS704\nGroup=SAC\nPhase=1\n[Normal State test]\nTest00=1\nTest01=1\n");

        ASSERT_TRUE(QDir(dir.path()).mkdir("library"));
        for (const char* name : {"one.abw", "two.abw"}) {
            QFile abw(dir.filePath(QStringLiteral("library/") + QLatin1String(name)));
            ASSERT_TRUE(abw.open(QIODevice::WriteOnly));
            abw.write("\"x\",\" \"\r\n");
            for (int k = 0; k < 1024; ++k)
                abw.write(QByteArray::number(k) + "," + QByteArray::number(std::sin(2 * M_PI * k / 1024), 'f', 4) + "\r\n");
        }
    }

    void startSource(const RunRow& row) {
        ASSERT_TRUE(source.start({"--model", row.model, "--time-scale", row.timeScale}))
            << source.errorString().toStdString();
        if (!row.prepare.isEmpty()) ask(row.prepare);
    }

    QStringList arguments(const RunRow& row) const {
        QStringList args{"--settings", dir.filePath("settings.ini"), "--bus", "lan", "--host",
                         source.host(), "--port", QString::number(source.port())};
        for (const QString& a : row.args) {
            if (a == QLatin1String("WAVE"))
                args << dir.filePath("wave.txt");
            else if (a == QLatin1String("TABLE"))
                args << dir.filePath("harm3.hwv");
            else if (a == QLatin1String("SEQUENCE"))
                args << dir.filePath("quick.seq");
            else if (a == QLatin1String("MACRO"))
                args << dir.filePath("macro.txt");
            else if (a == QLatin1String("RESIDENT"))
                args << dir.filePath("resident.704");
            else if (a == QLatin1String("LIBRARY"))
                args << dir.filePath("library");
            else if (a.startsWith(QLatin1String("DATA/")))
                args << kData + a.mid(5);
            else
                args << a;
        }
        return args;
    }

    CliRun run(const RunRow& row, bool killSource) {
        QProcess process;
        // The per-user folder (reports, data files) stays in the test's own.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("user"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(OSTREL_CLI_PATH), arguments(row));
        QElapsedTimer clock;
        clock.start();
        if (killSource) {
            // Mid-run: after the first lines have gone out.
            process.waitForFinished(150);
            source.stop();
        }
        CliRun r;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
        }
        r.elapsedMs = clock.elapsed();
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = QString::fromUtf8(process.readAllStandardError());
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        r.oneObject = error.error == QJsonParseError::NoError && doc.isObject();
        r.json = doc.object();
        return r;
    }

    // A fresh connection: the tool has gone, so the source takes another client.
    QString ask(const QString& query) {
        QTcpSocket socket;
        socket.connectToHost(source.host(), source.port());
        if (!socket.waitForConnected(2000)) return QStringLiteral("(no connection)");
        socket.write(query.toLatin1() + "\n");
        while (!socket.canReadLine())
            if (!socket.waitForReadyRead(2000)) return QStringLiteral("(no reply)");
        return QString::fromLatin1(socket.readLine()).trimmed();
    }

    QString relay() {
        QStringList lines;
        source.control(QStringLiteral("state?"), &lines);
        const QString state = lines.join(QLatin1Char(' '));
        const qsizetype at = state.indexOf(QLatin1String("relay="));
        return at < 0 ? QString() : state.mid(at + 6, 1);
    }
};

TEST_P(FaultSuite, EveryFaultEndsTheRunCleanlyOrGivesTheCleanResult) {
    const RunRow& row = GetParam();
    startSource(row);
    const CliRun clean = run(row, false);
    ASSERT_EQ(clean.exitCode, 0) << clean.err.toStdString() << clean.out.toStdString();
    // Closing the relay may be what the run asked the operator; then a failed run may leave it so.
    const QString relayAfterClean = relay();
    source.stop();

    for (const FaultColumn& column : kColumns) {
        SCOPED_TRACE(column.fault);
        startSource(row);
        const bool kill = QLatin1String(column.fault) == QLatin1String("kill");
        const QString relayBefore = relay();
        if (!kill) {
            ASSERT_TRUE(source.control(QStringLiteral("fault ") + QLatin1String(column.fault)));
        }
        const CliRun r = run(row, kill);

        EXPECT_LT(r.elapsedMs, row.budgetMs) << "the run did not end within its time-outs";
        EXPECT_TRUE(r.oneObject) << "not one JSON object:\n" << r.out.toStdString();
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 3 || r.exitCode == 4 || r.exitCode == 5)
            << r.exitCode;
        if (row.rawReply && column.garbles) {
            source.stop();
            continue;
        }
        if (column.mustFail || (column.failsLists && row.listRun)) {
            EXPECT_NE(r.exitCode, 0) << r.out.toStdString();
        }

        if (r.exitCode == 0) {
            for (const QString& key : row.sameKeys) {
                EXPECT_EQ(r.json.value(key), clean.json.value(key))
                    << key.toStdString() << " differs from a clean run:\n" << r.out.toStdString();
            }
        } else {
            EXPECT_NE(r.json.value(QStringLiteral("status")).toString(), QStringLiteral("completed"));
            EXPECT_NE(r.json.value(QStringLiteral("outcome")).toString(), QStringLiteral("completed"));
            EXPECT_FALSE(r.err.trimmed().isEmpty()) << "the operator was told nothing";
            // One message, not one per remaining step.
            QSet<QString> seen;
            for (const QString& line : r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                EXPECT_FALSE(seen.contains(line.trimmed())) << "told twice: " << line.toStdString();
                seen.insert(line.trimmed());
            }
        }

        if (row.listRun && source.isRunning()) {
            source.control(QStringLiteral("fault clear"));
            const QStringList log = source.logTail(20000);
            const bool started = log.filter(QStringLiteral("< init")).size() > 0 ||
                                 log.filter(QStringLiteral(";:init")).size() > 0;
            if (started && r.exitCode != 0 && !r.json.value(QStringLiteral("link_lost")).toBool()) {
                EXPECT_FALSE(log.filter(QStringLiteral("abort"), Qt::CaseInsensitive).isEmpty())
                    << "no abort reached the source";
            }
            QStringList state;
            source.control(QStringLiteral("state?"), &state);
            EXPECT_TRUE(state.join(' ').contains(QLatin1String("transient=IDLE"))) << state.join(' ').toStdString();
            if (!log.filter(QStringLiteral("dropped by fault")).isEmpty()) {
                source.stop();
                continue; // the restore could not reach it
            }
            for (const char* query : {"volt:mode?", "freq:mode?", "func:mode?"})
                EXPECT_EQ(ask(QLatin1String(query)), QStringLiteral("FIX")) << query;
            const bool closedByRun = !log.filter(QRegularExpression(QStringLiteral("< outp 1$"))).isEmpty();
            EXPECT_EQ(relay(), closedByRun ? relayAfterClean : relayBefore);
        }
        source.stop();
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, FaultSuite, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<RunRow>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
