// Queries per second that ostrel-vsource serves to a plain blocking client on
// loopback, beside the raw echo of the same kind of socket, in alternating
// rounds. The figure that matters: the time the source adds to a round trip,
// as a fraction of the round trip itself.
//   bench_vsource_queries [--rounds N] [--queries N]
#include "support/RawSocket.h"
#include "support/Rounds.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

#include <cstdio>

using namespace ostrel::bench;

namespace {

std::function<bool(int)> queries(LineClient& client, std::string line, std::string expected) {
    return [&client, line = std::move(line), expected = std::move(expected)](int count) {
        std::string reply;
        for (int i = 0; i < count; ++i)
            if (!client.exchange(line, reply) || (!expected.empty() && reply != expected))
                return false;
        return true;
    };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 7;
    int count = 5000;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rounds"))
            rounds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--queries"))
            count = args[i + 1].toInt();
    }

    QProcess source;
    source.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    source.start(QStringLiteral(OSTREL_VSOURCE_PATH), {QStringLiteral("--port"), QStringLiteral("0")});
    uint16_t port = 0;
    while (source.waitForReadyRead(10000)) {
        QByteArray line = source.readLine().trimmed();
        if (line.startsWith("TCP "))
            port = uint16_t(line.mid(line.lastIndexOf(':') + 1).toUInt());
        if (line == "READY")
            break;
    }
    EchoServer echo;
    LineClient echoClient, sourceClient;
    if (port == 0 || !echo.start() || !echoClient.connect("127.0.0.1", echo.port()) ||
        !sourceClient.connect("127.0.0.1", port)) {
        std::fprintf(stderr, "bench: could not set up the sockets\n");
        return 1;
    }

    std::vector<Contender> contenders = {
        {"raw echo (floor)", queries(echoClient, "*IDN?\n", "*IDN?"), {}},
        {"*IDN?", queries(sourceClient, "*IDN?\n", "KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34"), {}},
        {"volt?", queries(sourceClient, "volt?\n", "0.0"), {}},
        {"inst:nsel 1;:meas:volt:ac?", queries(sourceClient, "inst:nsel 1;:meas:volt:ac?\n", ""), {}},
    };
    // One warm-up round that is not counted.
    std::vector<Contender> warmUp = contenders;
    if (!runRounds(warmUp, 1, count / 5) || !runRounds(contenders, rounds, count)) {
        std::fprintf(stderr, "bench: a query failed\n");
        return 1;
    }
    source.terminate();
    source.waitForFinished(3000);

    const double floor = median(contenders[0].perSecond);
    std::printf("ostrel-vsource on loopback: %d rounds x %d queries, medians\n", rounds, count);
    std::printf("%-30s %12s %10s %14s %14s\n", "query", "queries/s", "vs floor", "added us/q", "added/floor");
    for (const Contender& c : contenders) {
        const double qps = median(c.perSecond);
        const double addedUs = (1 / qps - 1 / floor) * 1e6;
        std::printf("%-30s %12.0f %9.2fx %14.2f %13.1f%%\n", c.name.c_str(), qps, qps / floor, addedUs,
                    100 * (floor / qps - 1));
    }
    return 0;
}
