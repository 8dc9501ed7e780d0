// The list-run engine against the virtual source over LAN, timed at the
// source (its command log and timeline share its clock):
//   - Stop to the source's "abort" during a poll, against one query round trip;
//   - the run's start to its first list point, against a plain blocking client
//     sending the same lines and queries;
//   - the gap between two segments, against the poll interval and round trips.
//   bench_transient_run [--rounds N]
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
#include "transients/ListRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");
constexpr int kPollMs = 50;

// Every line the source received on its TCP port since it started.
std::vector<ReceivedLine> sourceLog(LineClient& control) {
    std::vector<ReceivedLine> lines = ReceivedLines(control, 20000);
    std::erase_if(lines, [](const ReceivedLine& l) { return l.channel != "TCP"; });
    return lines;
}

std::vector<QJsonObject> timelineEvents(const QString& path, const QString& kind) {
    std::vector<QJsonObject> events;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return events;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject e = QJsonDocument::fromJson(line).object();
        if (e.value(QLatin1String("event")).toString() == kind) events.push_back(e);
    }
    return events;
}

// The source's clock minus ours, in seconds, from the control port's "time?".
double clockOffset(LineClient& control, const QElapsedTimer& clock) {
    std::string reply, ok;
    const double before = clock.nsecsElapsed() / 1e9;
    if (!control.exchange("time?\n", reply) || !control.readLine(ok)) return 0;
    const double after = clock.nsecsElapsed() / 1e9;
    return std::stod(reply) - (before + after) / 2;
}

ListRunSegment segment(const QString& dwell, const QString& volt, std::optional<double> angle = {}) {
    ListRunSegment s;
    s.loadLines = {QStringLiteral(":list:dwel ") + dwell, QStringLiteral(":inst:nsel 1;:list:volt ") + volt,
                   QStringLiteral(":list:volt:slew max"), QStringLiteral(":list:rep 0"),
                   QStringLiteral(":list:ttlt 0")};
    s.startAngle = angle;
    s.points = 1;
    return s;
}

ListRunPlan plan(std::vector<ListRunSegment> segments) {
    ListRunPlan p;
    p.phases = {true, false, false};
    p.frequencyLists = false;
    p.outputs = 1;
    p.segments = std::move(segments);
    return p;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());

    QTemporaryDir dir;
    const QString timeline = dir.filePath(QStringLiteral("timeline.jsonl"));
    QProcess source;
    quint16 controlPort = 0;
    const quint16 port = startServer(
        source, QStringLiteral(OSTREL_VSOURCE_PATH),
        {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--model"), QStringLiteral("0"),
         QStringLiteral("--timeline"), timeline, QStringLiteral("--exit-with-stdin")},
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
    program.link.Send(0, QStringLiteral("outp 1"));
    ReadBackState(program, 0);

    QElapsedTimer clock;
    clock.start();
    std::vector<double> stopMs, rttUs, startUs, replayStartUs, gapMs;
    for (int r = 0; r < rounds; ++r) {
        rttUs.push_back(roundTripUs(program));

        // Stop during a poll of a 5 s point.
        const double offset = clockOffset(control, clock);
        double stopAt = -1;
        ListRun* running = nullptr;
        ListRunHooks hooks;
        bool armed = false;
        hooks.progress = [&](const ListRunProgress&) {
            if (armed) return;
            armed = true;
            QTimer::singleShot(300, [&] {
                stopAt = clock.nsecsElapsed() / 1e9;
                running->stop();
            });
        };
        ListRun stopped(program, plan({segment(QStringLiteral("5.000"), QStringLiteral("10.0"))}), hooks);
        running = &stopped;
        const qsizetype pointsBefore = qsizetype(timelineEvents(timeline, QStringLiteral("point")).size());
        if (stopped.run().result != ListRunResult::Aborted || stopAt < 0) {
            std::fprintf(stderr, "bench: the stopped run did not abort\n");
            return 1;
        }
        const std::vector<ReceivedLine> log = sourceLog(control);
        double abortAt = -1;
        for (const ReceivedLine& l : log)
            if (l.t >= stopAt + offset - 0.001 && l.text.find("abort") != std::string::npos) {
                abortAt = l.t;
                break;
            }
        if (abortAt < 0) {
            std::fprintf(stderr, "bench: no abort in the source's log\n");
            return 1;
        }
        stopMs.push_back((abortAt - (stopAt + offset)) * 1000);

        // Start to the first point, and the gap between two segments.
        const size_t logBefore = sourceLog(control).size();
        ListRun twoSegments(program,
                            plan({segment(QStringLiteral("0.100"), QStringLiteral("20.0")),
                                  segment(QStringLiteral("0.100"), QStringLiteral("30.0"))}));
        if (twoSegments.run().result != ListRunResult::Completed) {
            std::fprintf(stderr, "bench: the two-segment run did not complete\n");
            return 1;
        }
        const std::vector<ReceivedLine> runLog = sourceLog(control);
        const auto points = timelineEvents(timeline, QStringLiteral("point"));
        const auto completes = timelineEvents(timeline, QStringLiteral("complete"));
        if (runLog.size() <= logBefore || qsizetype(points.size()) < pointsBefore + 3 || completes.size() < 2) {
            std::fprintf(stderr, "bench: the run left no trace\n");
            return 1;
        }
        const double firstLine = runLog[logBefore].t;
        const double firstPoint = points[size_t(pointsBefore + 1)].value(QLatin1String("t")).toDouble();
        const double secondPoint = points[size_t(pointsBefore + 2)].value(QLatin1String("t")).toDouble();
        const double firstComplete = completes[completes.size() - 2].value(QLatin1String("t")).toDouble();
        startUs.push_back((firstPoint - firstLine) * 1e6);
        gapMs.push_back((secondPoint - firstComplete) * 1000);

        // The same lines from the plain client, up to the first point.
        QStringList lines;
        for (size_t i = logBefore; i < runLog.size(); ++i) {
            lines << QString::fromStdString(runLog[i].text);
            if (runLog[i].text.find("init") != std::string::npos) break;
        }
        program.link.CloseLan();
        LineClient plain;
        if (!plain.connect(kHost.toStdString(), port)) return 1;
        const size_t replayBefore = sourceLog(control).size();
        const qsizetype replayPoints = qsizetype(timelineEvents(timeline, QStringLiteral("point")).size());
        std::string reply;
        for (const QString& l : lines) {
            const std::string text = l.toStdString() + '\n';
            if (l.contains(QLatin1Char('?')) ? !plain.exchange(text, reply) : !plain.write(text))
                return 1;
        }
        QThread::msleep(300);
        const std::vector<ReceivedLine> replayLog = sourceLog(control);
        const auto replayed = timelineEvents(timeline, QStringLiteral("point"));
        if (replayLog.size() <= replayBefore || qsizetype(replayed.size()) <= replayPoints) return 1;
        replayStartUs.push_back(
            (replayed[size_t(replayPoints)].value(QLatin1String("t")).toDouble() - replayLog[replayBefore].t) * 1e6);
        plain.write("abort\n");
        if (!program.link.ConnectLan(kHost, port)) return 1;
    }
    source.closeWriteChannel();
    source.waitForFinished(3000);

    const double rtt = median(rttUs);
    std::printf("List runs against ostrel-vsource over LAN, %d rounds, medians\n", rounds);
    std::printf("query round trip:                 %8.1f us\n", rtt);
    std::printf("Stop to the source's abort:       %8.3f ms   (goal at most %.3f ms: 1 round trip + 5 ms)\n",
                median(stopMs), rtt / 1000 + 5);
    std::printf("start to the first point:         %8.1f us   plain client %.1f us: %.3f (goal at most 1.2)\n",
                median(startUs), median(replayStartUs), median(startUs) / median(replayStartUs));
    std::printf("gap between segments:             %8.3f ms   (goal at most %.3f ms: the %d ms poll + 3 round trips)\n",
                median(gapMs), kPollMs + 3 * rtt / 1000, kPollMs);
    return 0;
}
