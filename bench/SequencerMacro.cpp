// The output sequencer and the command macro player against the virtual
// source over LAN, each beside a plain blocking client sending the same lines
// and asking the same queries on the same source:
//   - a three-phase sequencer step with dwell 0 (goal: at most 1.3 times);
//   - a macro of 1000 alternating commands and queries, command delay 0
//     (goal: at most 1.2 times).
//   bench_sequencer_macro [--rounds N]
#include "core/Program.h"
#include "automation/MacroRun.h"
#include "automation/SequencerRun.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "measure/LinkIo.h"
#include "support/BenchProgram.h"
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"

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
constexpr int kSteps = 40;
constexpr int kMacroLines = 1000;

SequenceTable threePhaseStep() {
    SequenceTable t;
    for (int p = 0; p < 3; ++p) {
        SequenceRow r;
        r[SeqFreq] = QStringLiteral("400");
        r[SeqVolt] = QStringLiteral("115");
        r[SeqCurr] = QStringLiteral("3");
        r[SeqDwell] = QStringLiteral("0");
        r[size_t(HiColumn(SeqReadVoltage))] = QStringLiteral("120");
        t.phases[size_t(p)].push_back(r);
    }
    return t;
}

// The lines one sequencer step sends and asks, as a plain client would.
std::vector<std::string> stepLines(const SequencerStep& step) {
    std::vector<std::string> lines{PeakResetLine(true).toStdString()};
    for (const QString& l : StepSettingLines(step, ModeAC, true))
        lines.push_back(l.toStdString());
    lines.push_back("syst:err?");
    for (const SequencerPhase& p : step.phases)
        for (const QString& q : ReadingQueries(p.phase, ModeAC, true))
            lines.push_back(q.toStdString());
    return lines;
}

bool plainExchange(LineClient& client, const std::vector<std::string>& lines, int times) {
    std::string reply;
    for (int i = 0; i < times; ++i)
        for (const std::string& l : lines) {
            const bool query = l.find('?') != std::string::npos;
            if (query ? !client.exchange(l + '\n', reply) : !client.write(l + '\n')) return false;
        }
    return true;
}

// Seconds the plain client takes for `lines` repeated `times`; the program's link steps aside.
double plainSeconds(Program& program, quint16 port, const std::vector<std::string>& lines, int times) {
    program.link.CloseLan();
    double seconds = -1;
    {
        LineClient plain;
        if (plain.connect(kHost.toStdString(), port)) {
            QElapsedTimer clock;
            clock.start();
            if (plainExchange(plain, lines, times)) seconds = clock.nsecsElapsed() / 1e9;
        }
    }
    if (!program.link.ConnectLan(kHost, port)) return -1;
    return seconds;
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
    const quint16 port = startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 4);
    if (port == 0) return 1;
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;
    QString message;
    const int model = OpenAndIdentify(program, message);
    if (model < 0) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, model);
    ReadSourceConfiguration(program, model);
    ReadBackState(program, model);

    const SequenceTable table = threePhaseStep();
    const SequencerPlan plan = PlanSequence(table, ModeAC, true);
    const std::vector<std::string> oneStep = stepLines(plan.steps.front());
    QStringList macro;
    std::vector<std::string> macroLines;
    for (int i = 0; i < kMacroLines / 2; ++i) {
        macro << QStringLiteral("volt 1%1").arg(i % 10) << QStringLiteral("volt?");
        macroLines.push_back(macro[macro.size() - 2].toStdString());
        macroLines.push_back("volt?");
    }

    std::vector<double> stepRatio, macroRatio, stepUs, macroMs, linkMs, plainMs;
    for (int r = 0; r < rounds; ++r) {
        LinkIo io(program);
        SequencerOptions options;
        options.passes = kSteps + 1;
        // From the end of step 1 to the end of the last: the steps alone, without
        // the start and the end handling's readback.
        QElapsedTimer clock;
        int measured = 0;
        double firstEnd = 0, lastEnd = 0;
        SequencerHooks hooks;
        hooks.rowChanged = [&](int phase, int) {
            if (phase != 2) return;
            if (++measured == 1) clock.start();
            lastEnd = clock.nsecsElapsed() / 1e9;
        };
        SequencerRun run(program, io, table, {}, {}, options, hooks);
        const SequencerOutcome outcome = run.run();
        const double sequencer = lastEnd - firstEnd;
        if (outcome.result != SequencerResult::Completed) {
            std::fprintf(stderr, "bench: the sequence did not complete: %s\n", qPrintable(outcome.message));
            return 1;
        }
        const double plainSteps = plainSeconds(program, port, oneStep, kSteps);

        MacroRun player(program, io, macro, dir.path(), {});
        clock.start();
        const MacroOutcome played = player.run();
        const double macroSeconds = clock.nsecsElapsed() / 1e9;
        if (played.result != MacroResult::Completed) {
            std::fprintf(stderr, "bench: the macro did not complete: %s\n", qPrintable(played.message));
            return 1;
        }
        // The same lines through the link's own Send and Query: what the player adds to the link.
        clock.restart();
        for (const QString& line : macro)
            line.contains(u'?') ? (void)program.link.Query(0, line) : program.link.Send(0, line);
        linkMs.push_back(clock.nsecsElapsed() / 1e6);
        const double plainMacro = plainSeconds(program, port, macroLines, 1);
        if (plainSteps <= 0 || plainMacro <= 0) {
            std::fprintf(stderr, "bench: the plain client failed\n");
            return 1;
        }
        stepRatio.push_back(sequencer / plainSteps);
        stepUs.push_back(sequencer / kSteps * 1e6);
        macroRatio.push_back(macroSeconds / plainMacro);
        macroMs.push_back(macroSeconds * 1e3);
        plainMs.push_back(plainMacro * 1e3);
    }
    std::printf("three-phase sequencer step, dwell 0: %8.1f us  ratio to a plain client %.3f (goal at most 1.3)\n",
                median(stepUs), median(stepRatio));
    std::printf("macro of %d commands and queries:  %8.1f ms  ratio to a plain client %.3f (goal at most 1.2)\n",
                kMacroLines, median(macroMs), median(macroRatio));
    std::printf("  the same lines: link Send and Query %.1f ms, plain client %.1f ms\n", median(linkMs),
                median(plainMs));
    return 0;
}
