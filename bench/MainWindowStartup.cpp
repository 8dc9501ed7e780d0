// Start-up of the main window in simulation against a bare Qt main window:
// time from process start to the window shown and filled, and resident memory
// then, as medians of alternating rounds in separate processes.
#include "core/Program.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "support/Rounds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <vector>

namespace {

long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void reportWhenShown(QWidget& window) {
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    std::printf("SHOWN %ld\n", residentKb());
    std::fflush(stdout);
}

int child(int argc, char** argv, bool bare) {
    QApplication app(argc, argv);
    if (bare) {
        QMainWindow window;
        window.resize(1100, 760);
        reportWhenShown(window);
        return 0;
    }
    QTemporaryDir dir;
    ostrel::Paths paths;
    paths.dataDir = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
    paths.userDir = dir.path();
    ostrel::Program program(
        std::make_unique<ostrel::SilentPrompt>(),
        std::make_unique<ostrel::SettingsStore>(dir.filePath(QStringLiteral("s.ini"))), paths);
    ostrel::PrepareProgram(program, QLatin1Char('.'));
    ostrel::frmMain window(program);
    window.startup({});
    reportWhenShown(window);
    return 0;
}

struct Run {
    double ms = 0;
    double kb = 0;
};

bool runChild(const QString& self, const char* mode, Run& run) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(self, {QStringLiteral("child"), QString::fromLatin1(mode)});
    if (!p.waitForReadyRead(20000)) return false;
    const QByteArray line = p.readLine();
    run.ms = clock.nsecsElapsed() / 1e6;
    p.waitForFinished(5000);
    if (!line.startsWith("SHOWN ")) return false;
    run.kb = line.mid(6).trimmed().toDouble();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && qstrcmp(argv[1], "child") == 0)
        return child(argc, argv, qstrcmp(argv[2], "bare") == 0);

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    constexpr int kRounds = 9;
    std::vector<double> bareMs, ostrelMs, bareKb, ostrelKb;
    for (int round = 0; round < kRounds; ++round) {
        Run bare, ostrel;
        if (!runChild(self, "bare", bare) || !runChild(self, "ostrel", ostrel)) {
            std::fprintf(stderr, "a start-up did not report its window\n");
            return 1;
        }
        bareMs.push_back(bare.ms);
        ostrelMs.push_back(ostrel.ms);
        bareKb.push_back(bare.kb);
        ostrelKb.push_back(ostrel.kb);
    }
    using ostrel::bench::median;
    std::printf(
        "Main window start-up in simulation, medians of %d alternating rounds (offscreen):\n",
        kRounds);
    std::printf("  bare Qt main window   %8.1f ms  %8.0f kB resident\n", median(bareMs),
                median(bareKb));
    std::printf("  Ostrel main window    %8.1f ms  %8.0f kB resident\n", median(ostrelMs),
                median(ostrelKb));
    std::printf("  ratio (goal <= 2.0)   %8.2f time  %6.2f memory\n",
                median(ostrelMs) / median(bareMs), median(ostrelKb) / median(bareKb));
    return 0;
}
