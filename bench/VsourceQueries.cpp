// Queries per second that ostrel-vsource serves to a plain blocking client on
// loopback, beside a raw echo server (a process of its own, like the source)
// on the same kind of socket, in alternating rounds. The figure that matters:
// the time the source adds to a round trip, as a fraction of the round trip.
//   bench_vsource_queries [--rounds N] [--queries N]
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"

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

int echoMain() {
    EchoServer echo;
    if (!echo.listen()) return 1;
    std::printf("PORT %u\n", unsigned(echo.port()));
    std::fflush(stdout);
    echo.serve();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains(QLatin1String("--echo-server"))) return echoMain();
    int rounds = 7;
    int count = 5000;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rounds"))
            rounds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--queries"))
            count = args[i + 1].toInt();
    }

    QProcess echoProcess, source;
    const uint16_t echoPort = startServer(echoProcess, QCoreApplication::applicationFilePath(),
                                          {QStringLiteral("--echo-server")});
    const uint16_t sourcePort = startServer(source, QStringLiteral(OSTREL_VSOURCE_PATH),
                                            {QStringLiteral("--port"), QStringLiteral("0")});
    LineClient echoClient, sourceClient;
    if (echoPort == 0 || sourcePort == 0 || !echoClient.connect("127.0.0.1", echoPort) ||
        !sourceClient.connect("127.0.0.1", sourcePort)) {
        std::fprintf(stderr, "bench: could not set up the sockets\n");
        return 1;
    }

    std::vector<Contender> contenders = {
        {"raw echo (floor)", queries(echoClient, "*IDN?\n", "*IDN?"), {}},
        {"*IDN?",
         queries(sourceClient, "*IDN?\n", "KORVATH INSTRUMENTS,VK 751,KV00001,REV 2.34"),
         {}},
        {"volt?", queries(sourceClient, "volt?\n", "0.0"), {}},
        {"inst:nsel 1;:meas:volt:ac?",
         queries(sourceClient, "inst:nsel 1;:meas:volt:ac?\n", ""),
         {}},
    };
    std::vector<Contender> warmUp = contenders;
    const bool ok = runRounds(warmUp, 1, count / 5) && runRounds(contenders, rounds, count);
    source.terminate();
    echoProcess.kill();
    source.waitForFinished(3000);
    echoProcess.waitForFinished(3000);
    if (!ok) {
        std::fprintf(stderr, "bench: a query failed\n");
        return 1;
    }

    const double floor = median(contenders[0].perSecond);
    std::printf("ostrel-vsource on loopback: %d rounds x %d queries, medians\n", rounds, count);
    std::printf("%-30s %12s %10s %12s %13s\n", "query", "queries/s", "vs floor", "added us/q",
                "added/floor");
    for (const Contender& c : contenders) {
        const double qps = median(c.perSecond);
        std::printf("%-30s %12.0f %9.2fx %12.2f %12.1f%%\n", c.name.c_str(), qps, qps / floor,
                    (1 / qps - 1 / floor) * 1e6, 100 * (floor / qps - 1));
    }
    return 0;
}
