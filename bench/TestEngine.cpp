// The test-table engine against the virtual source over LAN (command delay 0),
// each figure a ratio against a floor measured in the same run:
//   - programming a step group, first list line to ":init" on the source's
//     clock (the engine's 200 ms waits scaled away), against the same lines
//     written raw on a socket to a second source;
//   - a 50-group DC sequence of short steps, from the list modes to the
//     restore on the source's clock, less the dwells and the engine's own
//     waits, against a raw replay of what it exchanged (a run of completion
//     polls as one round trip);
//   - loading and saving a 1,000-step, 16-column sequence file against
//     reading its lines once;
//   - CPU time during a 10 s countdown against its wall time.
//   bench_test_engine [--rounds N]
#include "core/Program.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "standards/TestFiles.h"
#include "standards/TestRun.h"
#include "standards/TestStandard.h"
#include "support/BenchProgram.h"
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"
#include "support/SourceLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");
// Engine waits shrink to almost nothing; the source keeps real time.
constexpr double kEngineScale = 1000;
constexpr double kAbortWaitS = 0.2;

StepGrid grid(int steps, const QString& dwell, bool linked) {
    StepGrid g;
    g.headers = {QStringLiteral("Step"),   QStringLiteral("Freq"),    QStringLiteral("FreqSlew"),
                 QStringLiteral("Volt_A"), QStringLiteral("VSlew_A"), QStringLiteral("Wave_A"),
                 QStringLiteral("Volt_B"), QStringLiteral("VSlew_B"), QStringLiteral("Wave_B"),
                 QStringLiteral("Volt_C"), QStringLiteral("VSlew_C"), QStringLiteral("Wave_C"),
                 QStringLiteral("Dwell"),  QStringLiteral("Loop"),    QStringLiteral("Link"),
                 QStringLiteral("Comment"), QStringLiteral("Description")};
    for (int r = 1; r <= steps; ++r)
        g.rows.push_back({QString::number(r), QStringLiteral("400.0"), QStringLiteral("MAX"),
                          QString::number(100 + r % 20) + QStringLiteral(".0"), QStringLiteral("MAX"), QString(),
                          QStringLiteral("115.0"), QStringLiteral("MAX"), QString(), QStringLiteral("115.0"),
                          QStringLiteral("MAX"), QString(), dwell, QString(),
                          linked && r == 1 ? QString::number(steps - 1) : QString(), QStringLiteral("bench"),
                          QStringLiteral("bench step")});
    return g;
}

double sourceTime(LineClient& control) {
    std::string reply, ok;
    if (!control.exchange("time?\n", reply) || !control.readLine(ok)) return 0;
    return std::stod(reply);
}

// The lines the source received on TCP since `since` on its clock.
std::vector<ReceivedLine> tcpLines(LineClient& control, double since) {
    std::vector<ReceivedLine> lines = ReceivedLines(control, 20000);
    std::erase_if(lines, [since](const ReceivedLine& l) { return l.channel != "TCP" || l.t < since; });
    return lines;
}

// Seconds to write `lines` raw, waiting for each query's reply.
double replay(LineClient& raw, const std::vector<std::string>& lines) {
    QElapsedTimer t;
    t.start();
    std::string reply;
    for (const std::string& line : lines) {
        raw.write(line + "\n");
        if (!line.empty() && line.find('?') != std::string::npos) raw.readLine(reply);
    }
    return t.nsecsElapsed() / 1e9;
}

struct Source {
    QProcess process;
    quint16 port = 0;
    quint16 controlPort = 0;
    LineClient control;
    bool start(const QString& path) {
        port = startVirtualSource(process, path, 0, &controlPort);
        return port != 0 && control.connect(kHost.toStdString(), controlPort);
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());

    Source source, floorSource;
    if (!source.start(QStringLiteral(OSTREL_VSOURCE_PATH)) || !floorSource.start(QStringLiteral(OSTREL_VSOURCE_PATH))) return 1;
    LineClient raw;
    if (!raw.connect(kHost.toStdString(), floorSource.port)) {
        std::fprintf(stderr, "bench: no connection to the floor's source\n");
        return 1;
    }

    QTemporaryDir dir;
    const std::unique_ptr<Program> owned = LanProgram(dir, source.port);
    Program& program = *owned;
    QString message;
    if (OpenAndIdentify(program, message) != 0) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, 0);
    ReadSourceConfiguration(program, 0);
    program.link.Send(0, QStringLiteral("volt 115;:freq 400;:outp 1"));
    ReadBackState(program, 0);
    program.engineClock.timeScale = kEngineScale;

    std::vector<double> programming, sequence, files;
    for (int r = 0; r < rounds; ++r) {
        // One group of 20 linked steps.
        {
            const double since = sourceTime(source.control);
            TestRun run(program, Do160Standard());
            TestRunRequest request;
            request.grid = grid(20, QStringLiteral("0.0100"), true);
            const TestRunOutcome out = run.run(request);
            if (out.outcome != RunOutcome::Completed) {
                std::fprintf(stderr, "bench: the run did not complete: %s\n", qPrintable(out.reason));
                return 1;
            }
            const std::vector<ReceivedLine> log = tcpLines(source.control, since);
            size_t first = 0;
            while (first < log.size() && log[first].text.rfind("list:freq", 0) != 0) ++first;
            size_t init = first;
            while (init < log.size() && log[init].text != ":init") ++init;
            if (init >= log.size()) {
                std::fprintf(stderr, "bench: the group's lists and start are not in the source's log\n");
                return 1;
            }
            std::vector<std::string> lines;
            for (size_t i = first; i <= init; ++i) lines.push_back(log[i].text);
            // Both measured on the sources' own clocks, first list line to ":init".
            const double engine = log[init].t - log[first].t;
            const double floorSince = sourceTime(floorSource.control);
            replay(raw, lines);
            replay(raw, {"abort", "*opc?"});
            const std::vector<ReceivedLine> floorLog = tcpLines(floorSource.control, floorSince);
            double floorStart = -1, floorInit = -1;
            for (const ReceivedLine& l : floorLog) {
                if (floorStart < 0 && l.text.rfind("list:freq", 0) == 0) floorStart = l.t;
                if (floorStart >= 0 && floorInit < 0 && l.text == ":init") floorInit = l.t;
            }
            if (floorStart < 0 || floorInit <= floorStart) {
                std::fprintf(stderr, "bench: the raw lines are not in the floor source's log\n");
                return 1;
            }
            programming.push_back(engine / (floorInit - floorStart));
        }
        // 50 groups of one 2 ms step, in DC: each starts at once, with no wait
        // for a phase angle, and the back-to-back polls of its dwell stay
        // within the source's log.
        {
            program.link.Send(0, QStringLiteral("mode dc;:volt 28"));
            const double since = sourceTime(source.control);
            TestRun run(program, Do160Standard());
            TestRunRequest request;
            request.grid = grid(50, QStringLiteral("0.0020"), false);
            request.dcGroup = true;
            const TestRunOutcome out = run.run(request);
            if (out.outcome != RunOutcome::Completed) {
                std::fprintf(stderr, "bench: the 50-group run did not complete: %s\n", qPrintable(out.reason));
                return 1;
            }
            const std::vector<ReceivedLine> log = tcpLines(source.control, since);
            // From the list modes on (the readback before them is the link's, timed
            // in bench_link), on the source's clock; the bare round trips are every
            // line once more, a run of polls as one.
            size_t from = 0;
            while (from < log.size() && log[from].text != "freq:mode fix;:freq:slew:mode fix") ++from;
            if (from >= log.size() ||
                std::count_if(log.begin(), log.end(), [](const ReceivedLine& l) { return l.text == ":init"; }) != 50) {
                std::fprintf(stderr, "bench: the source's log does not hold the whole 50-group run\n");
                return 1;
            }
            std::vector<std::string> lines;
            for (size_t i = from; i < log.size(); ++i)
                if (!(log[i].text == "trig:stat?" && !lines.empty() && lines.back() == "trig:stat?")) lines.push_back(log[i].text);
            // The engine clock waits whole milliseconds: what the 101 settle waits really took.
            const double own = (2 * 50 + 1) * std::round(kAbortWaitS * 1000 / kEngineScale) / 1000;
            const double span = log.back().t - log[from].t;
            sequence.push_back((span - 50 * 0.002 - own) / replay(raw, lines));
            program.link.Send(0, QStringLiteral("mode ac;:volt 115"));
            replay(raw, {"abort", "*opc?"});
        }
        // A 1,000-step file of 16 columns.
        {
            SequenceFile file;
            file.description = QStringLiteral("bench");
            file.grid = grid(1000, QStringLiteral("0.5000"), false);
            file.grid.headers.removeLast();
            for (QStringList& row : file.grid.rows) row.removeLast();
            const QString path = dir.filePath(QStringLiteral("large.ini"));
            QString error;
            WriteSequenceFile(path, file, QLatin1Char('.'), error);
            QElapsedTimer t;
            t.start();
            const auto back = ReadSequenceFile(path, QLatin1Char('.'), error);
            if (!back || !WriteSequenceFile(path, *back, QLatin1Char('.'), error)) {
                std::fprintf(stderr, "bench: %s\n", qPrintable(error));
                return 1;
            }
            const double engine = t.nsecsElapsed() / 1e9;
            t.restart();
            QFile f(path);
            f.open(QIODevice::ReadOnly | QIODevice::Text);
            QTextStream in(&f);
            QStringList lines;
            while (!in.atEnd())
                lines << in.readLine();
            const double floor = t.nsecsElapsed() / 1e9;
            if (lines.isEmpty()) return 1;
            files.push_back(engine / floor);
        }
    }

    // A 10 s countdown without a source.
    program.settings.link.bus = BusSimulation;
    program.engineClock.timeScale = 1;
    program.outputState.OutputMode = ModeAC;
    TestRun run(program, Do160Standard());
    TestRunRequest request;
    request.grid = grid(1, QStringLiteral("10.0000"), false);
    const std::clock_t cpu = std::clock();
    QElapsedTimer wall;
    wall.start();
    if (run.run(request).outcome != RunOutcome::Completed) return 1;
    const double cpuShare = double(std::clock() - cpu) / CLOCKS_PER_SEC / (wall.nsecsElapsed() / 1e9);

    std::printf("step group programming / raw lines:          %.2f (target 1.3)\n", median(programming));
    std::printf("50 short groups less dwells / bare exchange:  %.2f (target 1.5)\n", median(sequence));
    std::printf("1,000-step file load+save / reading its lines: %.2f (target 3)\n", median(files));
    std::printf("CPU during a 10 s countdown / wall time:      %.3f (target 0.05)\n", cpuShare);
    return 0;
}
