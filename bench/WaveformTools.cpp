// The waveform tools against their floors, measured in the same run:
//   - "Download all" of 48 library files over LAN (no download delay) against
//     a plain blocking client exchanging the same lines with a like source;
//   - one auto-preview cell edit of a table with all 50 harmonics against a
//     bare graph redraw of 1024 points;
//   - the open library turned to a folder of 600 files (listing, first tab
//     drawn) against reading and parsing the 12 files that tab shows.
#include "core/Program.h"
#include "link/Identification.h"
#include "link/ModelSetup.h"
#include "link/WaveformTransfer.h"
#include "measure/GraphView.h"
#include "support/BenchProgram.h"
#include "support/RawSocket.h"
#include "support/Rounds.h"
#include "support/Servers.h"
#include "waveforms/AbwFile.h"
#include "waveforms/LibraryBatch.h"
#include "waveforms/frmHarmgen.h"
#include "waveforms/frmWaveLibrary.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace ostrel;
using namespace ostrel::bench;

namespace {

QStringList writeFiles(const QString& folder, int count) {
    QDir().mkpath(folder);
    QString error;
    for (int i = 0; i < count; ++i) {
        WaveformSamples s{};
        for (int k = 0; k < kWaveformPeriod; ++k)
            s[k] = std::sin(2 * M_PI * k * (1 + i % 4) / 1024) * 0.9;
        WriteAbwFile(folder + QStringLiteral("/w%1.abw").arg(i, 3, 10, QLatin1Char('0')), s, error);
    }
    return LibraryFiles(folder);
}

void report(const std::vector<Contender>& c, const char* goal) {
    const double floor = median(c[0].perSecond);
    for (const auto& k : c)
        std::printf("  %-48s %9.2f /s  %5.2f x floor\n", k.name.c_str(), median(k.perSecond),
                    floor / median(k.perSecond));
    std::printf("  goal: %s\n", goal);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QProcess source;
    const quint16 port = startVirtualSource(source, QStringLiteral(OSTREL_VSOURCE_PATH), 1);
    if (port == 0) return 1;
    QTemporaryDir dir;
    const std::unique_ptr<Program> owned = LanProgram(dir, port);
    Program& program = *owned;
    program.settings.link.arbDownloadDelay = 0;
    QString message;
    const int index = OpenAndIdentify(program, message);
    if (index < 0) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(message));
        return 1;
    }
    LoadModel(program, index);

    const QStringList files = writeFiles(dir.filePath(QStringLiteral("batch")), 48);
    std::vector<std::string> lines;
    for (const QString& file : files) {
        QString error;
        const auto values = ReadAbwFile(file, error);
        std::vector<float> samples((*values).begin(), (*values).begin() + kWaveformPeriod);
        const QString name = QFileInfo(file).completeBaseName().toUpper();
        lines.push_back(("trac:def " + name + "\n").toStdString());
        lines.push_back(
            (WaveformDataCommand(name, kWaveformPeriod - 1, samples) + "\n").toStdString());
    }
    // The plain client has a source of its own: one source serves one client.
    QProcess plainSource;
    const quint16 plainPort =
        startVirtualSource(plainSource, QStringLiteral(OSTREL_VSOURCE_PATH), 1);
    LineClient plain;
    if (plainPort == 0 || !plain.connect("127.0.0.1", plainPort)) return 1;
    std::vector<Contender> downloads{
        {"plain client: definition, error query, data, error query",
         [&](int n) {
             std::string reply;
             for (int r = 0; r < n; ++r) {
                 for (size_t i = 0; i < lines.size(); i += 2)
                     if (!plain.write(lines[i]) || !plain.exchange("syst:err?\n", reply) ||
                         !plain.write(lines[i + 1]) || !plain.exchange("syst:err?\n", reply))
                         return false;
                 if (!plain.exchange("trac:del:all;*opc?\n", reply)) return false;
             }
             return true;
         },
         {}},
        {"Download all of 48 files",
         [&](int n) {
             for (int r = 0; r < n; ++r) {
                 if (DownloadBatch(program, files).downloaded.size() != files.size()) return false;
                 program.link.Send(0, QStringLiteral("trac:del:all"));
             }
             return program.link.TryQuery(0, QStringLiteral("*opc?"), 2).ok();
         },
         {}},
    };

    GraphView bare;
    bare.resize(600, 400);
    bare.show();
    QVector<float> sine(kWaveformPeriod);
    for (int k = 0; k < kWaveformPeriod; ++k)
        sine[k] = float(std::sin(2 * M_PI * k / 1024));
    frmHarmgen harmonics(program);
    harmonics.show();
    harmonics.findChild<QCheckBox*>(QStringLiteral("chkAutoPreview"))->setChecked(true);
    auto* odd = harmonics.findChild<QTableWidget*>(QStringLiteral("grdOdd"));
    auto* even = harmonics.findChild<QTableWidget*>(QStringLiteral("grdEven"));
    for (int r = 0; r < 25; ++r) {
        odd->item(r, 1)->setText(r == 0 ? QStringLiteral("100")
                                        : QString::number(40.0 / (2 * r + 1)));
        even->item(r, 1)->setText(QString::number(20.0 / (2 * r + 2)));
        even->item(r, 2)->setText(QString::number(r * 7));
    }
    int edit = 0;
    std::vector<Contender> previews{
        {"bare graph redraw of 1024 points",
         [&](int n) {
             for (int i = 0; i < n; ++i) {
                 bare.reset();
                 bare.setSize(1, kWaveformPeriod);
                 bare.setYData(sine);
                 bare.redraw();
                 QCoreApplication::processEvents();
             }
             return true;
         },
         {}},
        {"auto-preview cell edit, 50 harmonics",
         [&](int n) {
             for (int i = 0; i < n; ++i) {
                 odd->item(1, 2)->setText(QString::number(++edit % 360));
                 QCoreApplication::processEvents();
             }
             return true;
         },
         {}},
    };

    const QString big = dir.filePath(QStringLiteral("library"));
    const QStringList many = writeFiles(big, 600);
    // The window is open: what is timed is the folder's listing and its first tab.
    const QString small = dir.filePath(QStringLiteral("empty"));
    QDir().mkpath(small);
    program.settings.waveformLibrary = small;
    frmWaveLibrary library(program);
    library.show();
    std::vector<Contender> openings{
        {"read and parse the first tab's 12 files",
         [&](int n) {
             for (int i = 0; i < n; ++i)
                 for (int f = 0; f < kLibraryGroupSize; ++f) {
                     QString error;
                     if (!ReadAbwFile(many[f], error)) return false;
                 }
             return true;
         },
         {}},
        {"the library on 600 files, first tab shown",
         [&](int n) {
             for (int i = 0; i < n; ++i) {
                 library.setFolder(small);
                 library.setFolder(big);
                 if (library.filesRead() != kLibraryGroupSize) return false;
             }
             return true;
         },
         {}},
    };

    if (!runRounds(downloads, 5, 1) || !runRounds(previews, 5, 20) || !runRounds(openings, 5, 3)) {
        std::fprintf(stderr, "bench: a run failed\n");
        return 1;
    }
    report(downloads, "Download all within 1.3 x the plain client");
    report(previews, "an auto-preview edit within 2 x a bare redraw");
    report(openings, "the first tab within 3 x reading its 12 files");
    program.link.CloseLan();
    for (QProcess* p : {&source, &plainSource}) {
        p->closeWriteChannel();
        p->waitForFinished(2000);
    }
    return 0;
}
