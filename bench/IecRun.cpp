// The IEC 61000-4-11 runner against the virtual source over LAN:
//   - from a row's IDLE reply to the next row's start, on the source's clock,
//     against a plain blocking client sending the same lines and queries
//     (target: at most 1.3 ×);
//   - one measurement tick against two bare round trips (target: at most 1.2 ×).
//   bench_iec_run [--rounds N]
#include "iec/IecRun.h"
#include "core/Program.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "support/BenchProgram.h"
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"
#include "support/SourceLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");
constexpr int kRows = 20;
const std::string kStart = ":init:cont:name tran,0;:init:name tran";

// The gaps between an IDLE state query and the next start, on the source's
// clock: the last "trig:stat?" before each start after the first.
std::vector<double> idleToStart(const std::vector<ReceivedLine>& lines) {
    std::vector<double> gaps;
    double lastPoll = -1;
    bool started = false;
    for (const ReceivedLine& l : lines) {
        if (l.channel != "TCP") continue;
        if (l.text == "trig:stat?") lastPoll = l.t;
        if (l.text == kStart) {
            if (started && lastPoll >= 0) gaps.push_back(l.t - lastPoll);
            started = true;
            lastPoll = -1;
        }
    }
    return gaps;
}

// The gaps of the last run of kRows rows.
std::vector<double> lastGaps(const std::vector<ReceivedLine>& lines) {
    std::vector<double> all = idleToStart(lines);
    if (all.size() > size_t(kRows - 1)) all.erase(all.begin(), all.end() - (kRows - 1));
    return all;
}

IecTestFile rows() {
    IecTestFile f;
    f.seqRepeat = 1;
    f.seqDuration = 1;
    f.userPrompt = kIecDelayText;
    f.measUpdateRate = 100000; // no readings between the rows
    f.dips.assign(kRows, IecDip{0.5, 0, 40, 0});
    return f;
}

// The same lines as one row-to-row step, from a plain blocking client.
bool bareStep(LineClient& client, const IecStep& step) {
    std::string reply;
    if (!client.exchange("trig:stat?\n", reply)) return false;
    for (const QString& line : step.program)
        if (!client.write(line.toStdString() + "\n")) return false;
    if (!client.exchange("syst:err?\n", reply)) return false;
    if (!client.write(kStart + "\n")) return false;
    if (!client.exchange("syst:err?\n", reply)) return false;
    // Until the row ends, as the runner waits for it.
    do {
        if (!client.exchange("trig:stat?\n", reply)) return false;
    } while (reply.rfind("IDLE", 0) != 0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());

    QTemporaryDir dir;
    QProcess source;
    quint16 controlPort = 0;
    const quint16 port =
        startServer(source, QStringLiteral(OSTREL_VSOURCE_PATH),
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--time-scale"),
                     QStringLiteral("100"), QStringLiteral("--load"), QStringLiteral("r=100"),
                     QStringLiteral("--exit-with-stdin")},
                    &controlPort);
    LineClient control;
    if (port == 0 || !control.connect(kHost.toStdString(), controlPort)) {
        std::fprintf(stderr, "bench: the virtual source did not start\n");
        return 1;
    }
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;
    QString message;
    if (OpenAndIdentify(program, message) != 0) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, 0);
    ReadSourceConfiguration(program, 0);
    program.link.Send(0, QStringLiteral("volt:rang 300;:freq 50"));
    ReadBackState(program, 0);
    program.engineClock.timeScale = 100;

    const IecTestFile file = rows();
    const IecPlan plan = PlanIecTest(file, {});
    std::vector<double> runGaps, bareGaps, tickUs, bareTickUs;
    for (int r = 0; r < rounds; ++r) {
        IecRunCallbacks callbacks;
        callbacks.verdict = [] { return std::optional<bool>(true); };
        IecRun run(program, callbacks);
        const IecRunOutcome outcome = run.run(file, {});
        if (outcome.result != QLatin1String("PASS")) {
            std::fprintf(stderr, "bench: the run ended %s\n", qPrintable(outcome.result));
            return 1;
        }
        for (double g : lastGaps(ReceivedLines(control, 4000)))
            runGaps.push_back(g);

        for (int i = 0; i < 200; ++i) {
            QElapsedTimer t;
            t.start();
            const IecReading reading = ReadIecMeasurement(program);
            tickUs.push_back(t.nsecsElapsed() / 1000.0);
            if (!reading.volts || !reading.amps) return 1;
        }

        // The source serves one client at a time: the plain client takes its turn.
        program.link.CloseLan();
        {
            LineClient bare;
            if (!bare.connect(kHost.toStdString(), port)) return 1;
            for (int i = 0; i < kRows; ++i)
                if (!bareStep(bare, plan.steps[size_t(i)])) return 1;
            for (double g : lastGaps(ReceivedLines(control, 4000)))
                bareGaps.push_back(g);
            for (int i = 0; i < 200; ++i) {
                std::string reply;
                QElapsedTimer t;
                t.start();
                if (!bare.exchange("meas:volt:ac?\n", reply) ||
                    !bare.exchange("fetc:curr:ac?\n", reply))
                    return 1;
                bareTickUs.push_back(t.nsecsElapsed() / 1000.0);
            }
        }
        if (!program.link.ConnectLan(kHost, port)) {
            std::fprintf(stderr, "bench: no reconnection\n");
            return 1;
        }
    }
    // Gaps are on the source's clock, which runs 100 × faster.
    const double run = median(runGaps) / 100 * 1e6, bare = median(bareGaps) / 100 * 1e6;
    std::printf("IDLE to next row start: %.0f us, bare lines %.0f us, ratio %.2f (target <= 1.3)\n",
                run, bare, run / bare);
    source.kill();
    source.waitForFinished();
    std::printf(
        "measurement tick: %.0f us, two bare round trips %.0f us, ratio %.2f (target <= 1.2)\n",
        median(tickUs), median(bareTickUs), median(tickUs) / median(bareTickUs));
    return 0;
}
