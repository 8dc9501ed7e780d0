// Opening each MIL-STD-704 and airframer table window on the virtual source
// (window start, default group and its first test loaded) against opening
// the DO-160 window in the same rounds. Prints the ratio of the times; the
// target is at most 1.2 for each.
#include "core/Program.h"
#include "link/Configuration.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/Readback.h"
#include "standards/TestStandard.h"
#include "standards/frmTestTables.h"
#include "support/BenchProgram.h"
#include "support/Rounds.h"
#include "support/Servers.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

bool openWindows(Program& program, const TestStandard& standard, int count) {
    for (int i = 0; i < count; ++i) {
        auto* window = new frmTestTables(program, standard);
        window->show();
        QCoreApplication::processEvents();
        const bool ok = window->objectName() == standard.windowName && !program.link.Lost();
        delete window;
        if (!ok) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int rounds = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2)
        if (args[i] == QLatin1String("--rounds")) rounds = std::max(1, args[i + 1].toInt());

    QProcess source;
    const quint16 port = startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 0);
    if (port == 0) return 1;
    QTemporaryDir dir;
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;
    program.paths.dataDir = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
    QString message;
    if (OpenAndIdentify(program, message) != 0) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, 0);
    ReadSourceConfiguration(program, 0);
    program.link.Send(0, QStringLiteral("volt 115;:freq 400"));
    if (ReadBackState(program, 0)) return 1;

    const TestStandard* const sets[] = {&Do160Standard(), &Ms704Standard(), &Abd010018Standard(),
                                        &AbdA350Standard(), &Amd24Standard(), &B787Standard()};
    std::vector<Contender> contenders;
    for (const TestStandard* s : sets)
        contenders.push_back({s->windowName.toStdString(), [&program, s](int n) { return openWindows(program, *s, n); }});
    if (!runRounds(contenders, rounds, 3)) {
        std::fprintf(stderr, "bench: a window did not open\n");
        return 1;
    }
    const double floor = median(contenders[0].perSecond);
    std::printf("window opening, time against %s (target <= 1.2):\n", contenders[0].name.c_str());
    for (size_t i = 1; i < contenders.size(); ++i)
        std::printf("  %-20s %.2f  (%.1f opens/s, %s %.1f opens/s)\n", contenders[i].name.c_str(),
                    floor / median(contenders[i].perSecond), median(contenders[i].perSecond),
                    contenders[0].name.c_str(), floor);
    program.link.CloseLan();
    source.kill();
    source.waitForFinished();
    return 0;
}
