// The resident option run against the virtual source over LAN:
//   - CPU time of the program during a resident test, against the wall time
//     (target at most 0.05);
//   - from the source's "complete" of one test to the "outp 1" of the next,
//     on the source's clock, against one poll period plus four query round
//     trips (target at most 1).
//   bench_resident_run [--seconds S]   (length of each test, default 30)
#include "core/Program.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "standards/ResidentRun.h"
#include "support/BenchProgram.h"
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"
#include "support/SourceLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

constexpr double kPollS = 0.5;

std::vector<double> completions(const QString& timeline) {
    std::vector<double> t;
    QFile file(timeline);
    if (!file.open(QIODevice::ReadOnly)) return t;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e.value(QLatin1String("event")).toString() == QLatin1String("resident") &&
            e.value(QLatin1String("state")).toString() == QLatin1String("complete"))
            t.push_back(e.value(QLatin1String("t")).toDouble());
    }
    return t;
}

double medianRoundTrip(quint16 port, int count) {
    LineClient client;
    if (!client.connect("127.0.0.1", port)) return 0;
    std::vector<double> ms;
    std::string reply;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        if (!client.exchange("*opc?\n", reply)) break;
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    if (ms.empty()) return 0;
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    double seconds = 30;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--seconds")); at > 0 && at + 1 < args.size())
        seconds = std::max(1.0, args[at + 1].toDouble());

    QTemporaryDir dir;
    const QString timeline = dir.filePath(QStringLiteral("timeline.jsonl"));
    QProcess source;
    quint16 controlPort = 0;
    const quint16 port = startServer(source, QStringLiteral(OSTREL_VSOURCE_PATH),
                                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--model"),
                                      QStringLiteral("0"), QStringLiteral("--resident-seconds"),
                                      QString::number(seconds), QStringLiteral("--timeline"), timeline},
                                     &controlPort);
    if (port == 0) return 1;
    const double rttMs = medianRoundTrip(port, 200);

    auto program = LanProgram(dir, port);
    QString message;
    const int index = OpenAndIdentify(*program, message);
    if (index < 0) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    }
    LoadModel(*program, index);
    ReadSourceConfiguration(*program, index);
    program->link.Send(0, QStringLiteral("volt 115;:freq 400;:outp 1"));
    if (ReadBackState(*program, index)) return 1;

    const ResidentOption& option = ResidentOptionFor(ResidentKind::Ms704);
    ResidentSetup setup = DefaultResidentSetup(option);
    setup.phase = 1;
    setup.selected[0] = setup.selected[1] = true;
    ResidentRun run(*program, option);
    const std::clock_t cpu0 = std::clock();
    QElapsedTimer wall;
    wall.start();
    const ResidentOutcome out =
        run.run(setup, std::vector<int>(size_t(option.catalogue.size()), int(seconds)), dir.filePath(QStringLiteral("log.txt")));
    const double wallS = double(wall.elapsed()) / 1000.0;
    const double cpuS = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    if (out.outcome != RunOutcome::Completed) {
        std::fprintf(stderr, "run: %s\n", qPrintable(out.reason));
        return 1;
    }

    LineClient control;
    control.connect("127.0.0.1", controlPort);
    const std::vector<double> done = completions(timeline);
    double next = -1;
    if (!done.empty())
        for (const ReceivedLine& l : ReceivedLines(control, 20000))
            if (l.channel == "TCP" && l.text == "outp 1" && l.t > done.front()) {
                next = l.t;
                break;
            }
    const double gapMs = next < 0 ? -1 : (next - done.front()) * 1000.0;
    const double floorMs = kPollS * 1000.0 + 4 * rttMs;

    std::printf("resident run: two tests of %.0f s\n", seconds);
    std::printf("  CPU %.3f s over %.1f s wall: ratio %.4f (target <= 0.05)\n", cpuS, wallS, cpuS / wallS);
    std::printf("  complete -> next outp 1: %.1f ms; poll period + 4 round trips (%.3f ms each) = %.1f ms: ratio %.3f "
                "(target <= 1)\n",
                gapMs, rttMs, floorMs, gapMs / floorMs);
    program->link.CloseLan();
    source.kill();
    source.waitForFinished();
    return 0;
}
