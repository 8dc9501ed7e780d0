// The instrument link's LAN queries against the virtual source, beside a
// plain blocking socket client (the floor) and pyvisa-py, each in turn in
// several rounds on the same source; then full three-phase readbacks, and the
// cost of putting the stream back in step after a reply came too late.
//   bench_link [--rounds N] [--queries N]
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
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

const QString kHost = QStringLiteral("127.0.0.1");
constexpr int kWarmUp = 50;

struct Figures {
    double perSecond = 0;
    double medianUs = 0;
    double p99Us = 0;
};

Figures figuresOf(std::vector<qint64> ns, double seconds) {
    std::sort(ns.begin(), ns.end());
    Figures f;
    f.perSecond = ns.size() / seconds;
    f.medianUs = ns[ns.size() / 2] / 1000.0;
    f.p99Us = ns[std::min(ns.size() - 1, ns.size() * 99 / 100)] / 1000.0;
    return f;
}

// Times `count` calls of `exchange`, after a few untimed ones.
template <class Exchange> bool timeQueries(int count, Exchange exchange, Figures& out) {
    for (int i = 0; i < kWarmUp; ++i)
        if (!exchange()) return false;
    std::vector<qint64> ns;
    ns.reserve(count);
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer one;
        one.start();
        if (!exchange()) return false;
        ns.push_back(one.nsecsElapsed());
    }
    out = figuresOf(std::move(ns), total.nsecsElapsed() / 1e9);
    return true;
}

bool floorRound(quint16 port, int count, Figures& out) {
    LineClient client;
    if (!client.connect(kHost.toStdString(), port)) return false;
    std::string reply;
    return timeQueries(
        count, [&] { return client.exchange("*IDN?\n", reply) && !reply.empty(); }, out);
}

bool linkRound(Program& program, int count, Figures& out) {
    if (!program.link.ConnectLan(kHost, program.settings.link.socketPort)) return false;
    const bool ok = timeQueries(
        count, [&] { return !program.link.Query(0, QStringLiteral("*IDN?"), 1).isEmpty(); }, out);
    program.link.CloseLan();
    return ok;
}

bool pyvisaRound(quint16 port, int count, Figures& out) {
    QProcess python;
    python.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(OSTREL_PYVISA_BENCH_SCRIPT), kHost, QString::number(port),
                  QString::number(count)});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) return false;
    const QList<QByteArray> words = python.readAllStandardOutput().trimmed().split(' ');
    if (words.size() != 2) return false;
    out.perSecond = words[0].toDouble();
    out.medianUs = words[1].toDouble();
    return out.perSecond > 0;
}

struct ReadbackTimes {
    double firstExchangeUs = 0; // from the end of the pause to the first reply
    double restUs = 0;          // from the first reply to the last
    int replies = 0;            // the queries it asked
};

// One readback's conversation, timed by its replies as the bus trace sees
// them. The first exchange after the 0.3 s pause also pays for waking both
// processes from idle, so it is reported apart.
ReadbackTimes timeReadback(Program& program) {
    QElapsedTimer clock;
    qint64 first = -1, last = -1;
    int replies = 0;
    // The pause is the first thing the readback does; its end is the first
    // look at the event loop's clock after it.
    QTimer::singleShot(300, Qt::PreciseTimer, [&] { clock.start(); });
    const auto connection =
        QObject::connect(&program.busTrace, &QAbstractItemModel::rowsInserted, [&] {
            last = clock.nsecsElapsed();
            if (first < 0) first = last;
            ++replies;
        });
    program.link.state.traceResponses = true;
    ReadBackState(program, program.sourceModel.ModelIndex);
    program.link.state.traceResponses = false;
    QObject::disconnect(connection);
    return {first / 1000.0, (last - first) / 1000.0, replies};
}

// The lines a readback sends, in order, recorded from the bus trace.
QStringList readbackConversation(Program& program) {
    program.busTrace.clear();
    program.link.state.traceCommands = true;
    ReadBackState(program, program.sourceModel.ModelIndex);
    program.link.state.traceCommands = false;
    return program.busTrace.entries();
}

// The same conversation from the plain blocking client: the floor of a readback.
bool replay(quint16 port, const QStringList& lines) {
    LineClient client;
    if (!client.connect(kHost.toStdString(), port)) return false;
    std::string reply;
    for (const QString& line : lines) {
        const std::string text = line.toStdString() + '\n';
        if (!line.contains(QLatin1Char('?')) ? !client.write(text) : !client.exchange(text, reply))
            return false;
    }
    return true;
}

// From the source's command log: microseconds from the arrival of the last
// `first` line before the last `last` line to that `last` line. Timed at the
// source, so neither client pays for being measured. Negative when not found.
double sourceSpanUs(LineClient& control, const QString& first, const QString& last) {
    const std::vector<ReceivedLine> received = ReceivedLines(control, 400);
    for (size_t i = received.size(); i-- > 0;) {
        if (received[i].text != last.toStdString()) continue;
        for (size_t j = i; j-- > 0;)
            if (received[j].text == first.toStdString()) return (received[i].t - received[j].t) * 1e6;
        break;
    }
    return -1;
}

// A query whose reply comes `lateMs` after it, past the link's time-out: what
// the failed query costs after its late reply has arrived (that line dropped,
// the marker query answered), in microseconds; the median of `count` such
// queries. The late line's arrival is when the link traces it as dropped, so
// the source's timer jitter stays out. Negative when the link did not come
// back in step.
double resyncCostUs(Program& program, LineClient& control, int count) {
    constexpr int kTimeoutMs = 30;
    constexpr int kLateMs = 45;
    const int kept = program.link.state.lanTimeoutMs;
    program.link.state.lanTimeoutMs = kTimeoutMs;
    const QString expected = program.link.Query(0, QStringLiteral("freq?"));
    std::vector<double> costs;
    std::string reply;
    QElapsedTimer clock;
    qint64 droppedAt = -1;
    const auto connection = QObject::connect(
        &program.busTrace, &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int, int last) {
            const QString row = program.busTrace.index(last).data().toString();
            if (row.contains(QLatin1String("(dropped)"))) droppedAt = clock.nsecsElapsed();
        });
    program.link.state.traceResponses = true;
    double result = -1;
    for (int i = 0; i < count; ++i) {
        if (!control.exchange("fault late " + std::to_string(kLateMs) + " 1\n", reply) ||
            reply != "OK")
            break;
        droppedAt = -1;
        clock.start();
        const QueryResult failed = program.link.TryQuery(0, QStringLiteral("freq?"), 0.03);
        const qint64 total = clock.nsecsElapsed();
        if (failed.ok() || program.link.Lost() || droppedAt < 0) {
            std::fprintf(stderr, "bench: %s\n",
                         qPrintable(failed.ok()          ? QStringLiteral("the late reply came in time")
                                    : droppedAt < 0 ? QStringLiteral("no late line was dropped")
                                                    : program.link.state.lostReason));
            break;
        }
        const QString next = program.link.Query(0, QStringLiteral("freq?"));
        if (next != expected) {
            std::fprintf(stderr, "bench: \"%s\" answered freq?\n", qPrintable(next));
            break;
        }
        costs.push_back((total - droppedAt) / 1000.0);
        if (i + 1 == count) result = median(costs);
    }
    program.link.state.traceResponses = false;
    QObject::disconnect(connection);
    program.link.state.lanTimeoutMs = kept;
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 7;
    int count = 2000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());
        if (args[i] == QLatin1String("--queries")) count = std::max(10, args[i + 1].toInt());
    }

    QProcess source;
    quint16 controlPort = 0;
    const quint16 port =
        startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 3, &controlPort);
    if (port == 0) return 1;
    LineClient control;
    if (!control.connect(kHost.toStdString(), controlPort)) {
        std::fprintf(stderr, "bench: no control port\n");
        return 1;
    }

    QTemporaryDir dir;
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;

    std::vector<double> floorUs, floorQps, linkUs, linkP99, linkQps, pyvisaUs, pyvisaQps,
        readbackRtt, readbackQueries, readbackOverFloor, firstExchangeUs, resyncRtt;
    for (int r = 0; r < rounds; ++r) {
        Figures f, l, p;
        if (!floorRound(port, count, f) || !linkRound(program, count, l) ||
            !pyvisaRound(port, count, p)) {
            std::fprintf(stderr, "bench: round %d failed\n", r + 1);
            return 1;
        }
        floorUs.push_back(f.medianUs);
        floorQps.push_back(f.perSecond);
        linkUs.push_back(l.medianUs);
        linkP99.push_back(l.p99Us);
        linkQps.push_back(l.perSecond);
        pyvisaUs.push_back(p.medianUs);
        pyvisaQps.push_back(p.perSecond);

        // A full readback, catalog included, less its pause, in link round trips.
        QString message;
        if (OpenAndIdentify(program, message) != 3) {
            std::fprintf(stderr, "bench: %s\n", qPrintable(message));
            return 1;
        }
        LoadModel(program, 3);
        ReadSourceConfiguration(program, 3);
        const ReadbackTimes t = timeReadback(program);
        readbackRtt.push_back(t.restUs / l.medianUs + 1);
        readbackQueries.push_back(t.replies);
        const QStringList conversation = readbackConversation(program);
        std::vector<double> linkSpans;
        for (int i = 0; i < 3; ++i) {
            ReadBackState(program, program.sourceModel.ModelIndex);
            linkSpans.push_back(sourceSpanUs(control, conversation.first(), conversation.last()));
        }
        firstExchangeUs.push_back(t.firstExchangeUs);
        const double resyncUs = resyncCostUs(program, control, 20);
        if (resyncUs < 0) {
            std::fprintf(stderr, "bench: the link did not come back in step after a late reply\n");
            return 1;
        }
        resyncRtt.push_back(resyncUs / l.medianUs);
        program.link.CloseLan();
        // The source serves one connection at a time, as an instrument does.
        std::vector<double> replaySpans;
        for (int i = 0; i < 3; ++i) {
            if (!replay(port, conversation)) {
                std::fprintf(stderr, "bench: the readback's conversation could not be replayed\n");
                return 1;
            }
            replaySpans.push_back(sourceSpanUs(control, conversation.first(), conversation.last()));
        }
        if (median(linkSpans) <= 0 || median(replaySpans) <= 0) {
            std::fprintf(stderr, "bench: the readback's lines are not in the source's log\n");
            return 1;
        }
        readbackOverFloor.push_back(median(linkSpans) / median(replaySpans));
    }
    source.closeWriteChannel();
    source.waitForFinished(3000);

    const double fUs = median(floorUs), lUs = median(linkUs), pQps = median(pyvisaQps);
    const double lQps = median(linkQps);
    std::printf("LAN queries of *IDN? against ostrel-vsource, %d rounds x %d queries, medians\n",
                rounds, count);
    std::printf("%-28s %12s %14s\n", "client", "queries/s", "round trip us");
    std::printf("%-28s %12.0f %14.1f\n", "blocking socket (floor)", median(floorQps), fUs);
    std::printf("%-28s %12.0f %14.1f   (99th percentile %.1f us)\n", "InstrumentLink::Query", lQps,
                lUs, median(linkP99));
    std::printf("%-28s %12.0f %14.1f\n", "pyvisa-py", pQps, median(pyvisaUs));
    std::printf("link round trip / floor:      %.3f   (goal at most 1.05)\n", lUs / fUs);
    std::printf("link queries/s / pyvisa-py:   %.3f   (goal at least 1.05)\n", lQps / pQps);
    std::printf(
        "three-phase readback, less its 0.3 s pause: %.1f link round trips for %.0f queries,\n"
        "  %.3f round trips of *IDN? a query (timed by the bus trace); at the source, %.3f\n"
        "  times the same conversation from the blocking socket (goal at most 1.05)\n"
        "  counting its first exchange as one round trip; that exchange took %.0f us\n"
        "  after the pause, waking the source included\n",
        median(readbackRtt), median(readbackQueries),
        median(readbackRtt) / median(readbackQueries), median(readbackOverFloor),
        median(firstExchangeUs));
    std::printf("resynchronisation after a late reply: %.1f link round trips after the late\n"
                "  reply arrived (goal at most 3)\n",
                median(resyncRtt));
    return 0;
}
