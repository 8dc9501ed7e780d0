// A typed frequency and voltage reach the virtual source, error-queue read
// included, measured against the LAN query round trip of the same link in
// the same run (medians of alternating rounds).
#include "core/Program.h"
#include "panel/PanelActions.h"
#include "support/BenchProgram.h"
#include "support/Rounds.h"
#include "support/Servers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QProcess source;
    const quint16 port =
        ostrel::bench::startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 0);
    if (port == 0) return 1;
    QTemporaryDir dir;
    const std::unique_ptr<ostrel::Program> owned = ostrel::bench::LanProgram(dir, port);
    ostrel::Program& program = *owned;
    if (!program.link.ConnectLan(QStringLiteral("127.0.0.1"), port)) return 1;

    std::vector<ostrel::bench::Contender> contenders{
        {"query round trip (volt?)",
         [&](int n) {
             for (int i = 0; i < n; ++i)
                 if (program.link.Query(0, QStringLiteral("volt?")).isEmpty()) return false;
             return true;
         }},
        {"typed frequency, sent and checked",
         [&](int n) {
             for (int i = 0; i < n; ++i)
                 if (!ostrel::ApplyFrequency(program, i % 2 ? 50.0f : 60.0f, true)) return false;
             return true;
         }},
        {"typed voltage, sent",
         [&](int n) {
             for (int i = 0; i < n; ++i)
                 ostrel::ApplyVoltage(program, {true, false, false}, i % 2 ? 10.0f : 20.0f, true);
             return program.link.CheckError().isEmpty();
         }},
    };
    if (!ostrel::bench::runRounds(contenders, 7, 400)) return 1;
    const double rtt = 1e6 / ostrel::bench::median(contenders[0].perSecond);
    for (const auto& c : contenders) {
        const double us = 1e6 / ostrel::bench::median(c.perSecond);
        std::printf("  %-36s %8.1f us  %5.2f round trips\n", c.name.c_str(), us, us / rtt);
    }
    std::printf("goal: a typed value within 2 round trips of the Enter key\n");
    program.link.CloseLan();
    source.closeWriteChannel();
    source.waitForFinished(2000);
    return 0;
}
