// The DC ripple test and modulation against the virtual source over LAN,
// timed at the source (its command log runs on its clock):
//   - a ripple test's Start to its ":init", against a plain blocking client
//     sending the same lines and queries;
//   - Abort to the source's "abort" during a ripple poll and a modulation
//     poll, against one query round trip.
//   bench_dc_ripple [--rounds N]
#include "core/Program.h"
#include "automation/DcRippleSession.h"
#include "automation/ModulationRun.h"
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
#include <QTimer>

#include <cstdio>
#include <functional>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");

std::vector<ReceivedLine> sourceLog(LineClient& control) {
    std::vector<ReceivedLine> lines = ReceivedLines(control, 20000);
    std::erase_if(lines, [](const ReceivedLine& l) { return l.channel != "TCP"; });
    return lines;
}

// The source's clock minus ours, in seconds.
double clockOffset(LineClient& control, const QElapsedTimer& clock) {
    std::string reply, ok;
    const double before = clock.nsecsElapsed() / 1e9;
    if (!control.exchange("time?\n", reply) || !control.readLine(ok)) return 0;
    const double after = clock.nsecsElapsed() / 1e9;
    return std::stod(reply) - (before + after) / 2;
}

double roundTripUs(Program& program) {
    std::vector<double> us;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer one;
        one.start();
        program.link.Query(0, QStringLiteral("*IDN?"));
        us.push_back(one.nsecsElapsed() / 1000.0);
    }
    return median(us);
}

// Milliseconds from `stopAt` (our clock) to the first "abort" the source
// received after it; -1 when there is none.
double abortDelayMs(LineClient& control, double stopAt, double offset) {
    for (const ReceivedLine& l : sourceLog(control))
        if (l.t >= stopAt + offset - 0.001 && l.text.find("abort") != std::string::npos)
            return (l.t - (stopAt + offset)) * 1000;
    return -1;
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
                    {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--model"),
                     QStringLiteral("4"), QStringLiteral("--exit-with-stdin")},
                    &controlPort);
    LineClient control;
    if (port == 0 || !control.connect(kHost.toStdString(), controlPort)) {
        std::fprintf(stderr, "bench: the virtual source did not start\n");
        return 1;
    }
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;
    QString message;
    if (OpenAndIdentify(program, message) != 4) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, 4);
    ReadSourceConfiguration(program, 4);
    program.settings.link.arbDownloadDelay = 0;
    program.link.Send(0, QStringLiteral("outp 1"));
    ReadBackState(program, 4);

    QElapsedTimer clock;
    clock.start();
    std::vector<double> rttUs, setUpUs, plainUs, rippleStopMs, modulationStopMs;
    // Aborts `abort` 300 ms after the first poll; our clock at the abort.
    const auto abortSoon = [&clock](double& at, const std::function<void()>& abort) {
        QTimer::singleShot(300, [&at, &clock, abort] {
            at = clock.nsecsElapsed() / 1e9;
            abort();
        });
    };
    for (int r = 0; r < rounds; ++r) {
        rttUs.push_back(roundTripUs(program));

        // A ripple test: its set-up, then Abort during the poll.
        double stopAt = -1;
        bool armed = false;
        DcRippleSession* running = nullptr;
        DcRippleHooks hooks;
        hooks.progress = [&](double, double) {
            if (armed) return;
            armed = true;
            abortSoon(stopAt, [&] { running->abort(); });
        };
        DcRippleSession session(program, hooks);
        running = &session;
        session.load();
        session.activate();
        double offset = clockOffset(control, clock);
        const size_t before = sourceLog(control).size();
        if (session.start({}).result != ListRunResult::Aborted || stopAt < 0) {
            std::fprintf(stderr, "bench: the ripple test did not abort\n");
            return 1;
        }
        rippleStopMs.push_back(abortDelayMs(control, stopAt, offset));
        const std::vector<ReceivedLine> runLog = sourceLog(control);
        QStringList lines;
        double firstAt = -1, initAt = -1;
        for (size_t i = before; i < runLog.size(); ++i) {
            if (firstAt < 0) firstAt = runLog[i].t;
            lines << QString::fromStdString(runLog[i].text);
            if (runLog[i].text.find("init:name tran") != std::string::npos) {
                initAt = runLog[i].t;
                break;
            }
        }
        session.close();
        if (initAt < 0) {
            std::fprintf(stderr, "bench: no start in the source's log\n");
            return 1;
        }
        setUpUs.push_back((initAt - firstAt) * 1e6);

        // The same lines and queries from a plain client.
        program.link.CloseLan();
        const size_t replayBefore = sourceLog(control).size();
        {
            // The source serves one client at a time: this one goes before the program reconnects.
            LineClient plain;
            if (!plain.connect(kHost.toStdString(), port)) return 1;
            std::string reply;
            for (const QString& l : lines) {
                const std::string text = l.toStdString() + '\n';
                if (l.contains(QLatin1Char('?')) ? !plain.exchange(text, reply)
                                                 : !plain.write(text))
                    return 1;
            }
            plain.exchange("*OPC?\n", reply);
            plain.write("abort\n");
        }
        const std::vector<ReceivedLine> replayLog = sourceLog(control);
        double plainFirst = -1, plainInit = -1;
        for (size_t i = replayBefore; i < replayLog.size(); ++i) {
            if (plainFirst < 0) plainFirst = replayLog[i].t;
            if (replayLog[i].text.find("init:name tran") != std::string::npos) {
                plainInit = replayLog[i].t;
                break;
            }
        }
        if (plainInit < 0) return 1;
        plainUs.push_back((plainInit - plainFirst) * 1e6);
        if (!program.link.ConnectLan(kHost, port)) return 1;
        ReadBackState(program, 4);

        // A modulation: Abort during its poll.
        ModulationSettings settings;
        settings.entry(ModulationTab::Voltage) = {100, 10, 10, 60};
        stopAt = -1;
        armed = false;
        ModulationRun* modulating = nullptr;
        ModulationRunHooks modulationHooks;
        modulationHooks.progress = [&](double) {
            if (armed) return;
            armed = true;
            abortSoon(stopAt, [&] { modulating->stop(); });
        };
        ModulationRun modulation(program, settings, ModulationTab::Voltage, modulationHooks);
        modulating = &modulation;
        offset = clockOffset(control, clock);
        const ModulationRunOutcome modulated = modulation.run();
        if (modulated.result != ListRunResult::Aborted || stopAt < 0) {
            std::fprintf(stderr, "bench: the modulation did not abort: %s\n",
                         qPrintable(modulated.message));
            return 1;
        }
        modulationStopMs.push_back(abortDelayMs(control, stopAt, offset));
    }
    source.closeWriteChannel();
    source.waitForFinished(3000);

    const double rtt = median(rttUs);
    std::printf("DC ripple and modulation against ostrel-vsource over LAN, %d rounds, medians\n",
                rounds);
    std::printf("query round trip:                   %8.1f us\n", rtt);
    std::printf("ripple Start to \":init\":            %8.1f us   plain client %.1f us: %.3f (goal "
                "at most 1.2)\n",
                median(setUpUs), median(plainUs), median(setUpUs) / median(plainUs));
    std::printf("Abort to the source's abort, ripple:     %8.3f ms   (goal at most %.3f ms: 1 "
                "round trip + 5 ms)\n",
                median(rippleStopMs), rtt / 1000 + 5);
    std::printf("Abort to the source's abort, modulation: %8.3f ms   (goal at most %.3f ms)\n",
                median(modulationStopMs), rtt / 1000 + 5);
    return 0;
}
