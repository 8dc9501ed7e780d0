// The measurement windows' work against what it cannot do without, on the
// virtual source over LAN (medians of alternating rounds):
//  - a three-phase standard-measurement cycle against the same number of
//    bare query round trips;
//  - a 4096-sample voltage and current capture fetched, parsed and drawn
//    against the bare transfer of the same arrays on the same socket.
#include "core/Program.h"
#include "measure/ArrayReply.h"
#include "measure/GraphView.h"
#include "measure/LinkIo.h"
#include "measure/StandardMeasurement.h"
#include "support/BenchProgram.h"
#include "support/Rounds.h"
#include "support/Servers.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const QString kVolt = QStringLiteral("fetch:arr:volt?");
const QString kCurr = QStringLiteral("fetch:arr:curr?");

ostrel::CycleRequest threePhaseCycle() {
    ostrel::CycleRequest r;
    r.selectablePhases = true;
    r.phases = {true, true, true};
    r.readouts[ostrel::ReadVoltage] = true;
    r.readouts[ostrel::ReadCurrent] = true;
    r.readouts[ostrel::ReadPower] = true;
    return r;
}

// The queries a cycle of `r` makes: the frequency, then each readout of each phase.
int queriesOf(const ostrel::CycleRequest& r) {
    int n = 1;
    for (bool p : r.phases)
        for (bool k : r.readouts)
            n += p && k;
    return n;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QProcess source;
    const quint16 port =
        ostrel::bench::startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 3);
    if (port == 0) return 1;
    QTemporaryDir dir;
    const std::unique_ptr<ostrel::Program> owned = ostrel::bench::LanProgram(dir, port);
    ostrel::Program& program = *owned;
    if (!program.link.ConnectLan(QStringLiteral("127.0.0.1"), port)) return 1;
    program.link.Send(0, QStringLiteral("inst:coup all;:volt 120;:outp on"));
    program.link.Send(0, QStringLiteral("init:seq3"));
    ostrel::LinkIo io(program);
    ostrel::GraphView graph;
    graph.resize(900, 500);
    graph.show();

    const ostrel::CycleRequest cycle = threePhaseCycle();
    const int perCycle = queriesOf(cycle);
    std::vector<ostrel::bench::Contender> cycles{
        {"bare query round trips of one cycle",
         [&](int n) {
             for (int i = 0; i < n * perCycle; ++i)
                 if (program.link.Query(0, QStringLiteral("fetc:volt:ac?")).isEmpty()) return false;
             return true;
         },
         {}},
        {"three-phase measurement cycle",
         [&](int n) {
             for (int i = 0; i < n; ++i)
                 if (ostrel::RunMeasurementCycle(cycle, io).frequency.isEmpty()) return false;
             return true;
         },
         {}},
    };

    const auto transfer = [&](QByteArray& volt, QByteArray& curr) {
        QString error;
        volt = io.queryArray(kVolt, 8.0, 4096, error);
        curr = io.queryArray(kCurr, 8.0, 4096, error);
        return error.isEmpty() && !volt.isEmpty() && !curr.isEmpty();
    };
    std::vector<ostrel::bench::Contender> captures{
        {"bare transfer of voltage and current",
         [&](int n) {
             QByteArray volt, curr;
             for (int i = 0; i < n; ++i)
                 if (!transfer(volt, curr)) return false;
             return true;
         },
         {}},
        {"fetched, parsed and drawn",
         [&](int n) {
             QByteArray volt, curr;
             for (int i = 0; i < n; ++i) {
                 if (!transfer(volt, curr)) return false;
                 const auto v =
                     ostrel::ParseArrayReply(volt, ostrel::BlockNumberForm::Single, 4096, kVolt);
                 const auto c =
                     ostrel::ParseArrayReply(curr, ostrel::BlockNumberForm::Single, 4096, kCurr);
                 if (!v.ok() || !c.ok()) return false;
                 graph.reset();
                 graph.setSize(2, 4096);
                 graph.setSubsetOnSecondAxis(1);
                 graph.setYData(v.values + c.values);
                 graph.redraw();
             }
             return true;
         },
         {}},
    };
    if (!ostrel::bench::runRounds(cycles, 7, 100) || !ostrel::bench::runRounds(captures, 7, 10)) {
        std::fprintf(stderr, "a measurement failed\n");
        return 1;
    }
    const auto report = [](const std::vector<ostrel::bench::Contender>& c, const char* goal) {
        const double floor = ostrel::bench::median(c[0].perSecond);
        for (const auto& k : c)
            std::printf("  %-40s %9.1f /s  %5.2f x floor\n", k.name.c_str(),
                        ostrel::bench::median(k.perSecond),
                        floor / ostrel::bench::median(k.perSecond));
        std::printf("  goal: %s\n", goal);
    };
    std::printf("%d queries per three-phase cycle\n", perCycle);
    report(cycles, "a cycle within 1.3 x its bare round trips");
    report(captures, "fetched, parsed and drawn within 2 x the bare transfer");
    program.link.CloseLan();
    source.closeWriteChannel();
    source.waitForFinished(2000);
    return 0;
}
