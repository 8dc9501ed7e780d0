// Renders the waveform windows offscreen into PNG files for the guide:
//   waveform_screenshots OUTPUT_FOLDER
#include "core/Program.h"
#include "measure/GraphView.h"
#include "waveforms/frmArb.h"
#include "waveforms/frmHarmgen.h"
#include "waveforms/frmWaveLibrary.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>

using namespace ostrel;

namespace {

void save(QWidget& w, const QString& path) {
    w.show();
    QTest::qWait(200);
    if (!w.grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: waveform_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    Paths paths;
    paths.dataDir = QStringLiteral(OSTREL_SOURCE_DATA_DIR);
    paths.userDir = dir.path();
    Program program(std::make_unique<SilentPrompt>(),
                    std::make_unique<SettingsStore>(dir.filePath("settings.ini")), paths);
    {
        frmHarmgen harmonics(program);
        auto* odd = harmonics.findChild<QTableWidget*>("grdOdd");
        odd->item(1, 1)->setText("20");
        odd->item(1, 2)->setText("180");
        odd->item(2, 1)->setText("10");
        odd->item(2, 2)->setText("30");
        harmonics.findChild<QTableWidget*>("grdEven")->item(0, 1)->setText("5");
        harmonics.findChild<QAbstractButton*>("cmdPreview")->click();
        save(harmonics, out + "/frmHarmgen-preview.png");
        for (QAbstractButton* b : harmonics.findChildren<QAbstractButton*>("optView"))
            if (b->property("index").toInt() == 0) b->click();
        save(harmonics, out + "/frmHarmgen-table.png");
    }
    {
        frmArb arb(program);
        arb.resize(1000, 620);
        arb.show();
        QTest::qWait(200);
        GraphView* g = arb.graph();
        const QPointF origin = g->pixelToGraph(QPoint(0, 0));
        const QPointF step = g->pixelToGraph(QPoint(100, 100)) - origin;
        const auto pixel = [&](double x, double y) {
            return QPoint(int((x - origin.x()) / step.x() * 100),
                          int((y - origin.y()) / step.y() * 100));
        };
        const double vpk = arb.peakScale();
        emit g->drawPressed(pixel(0.5, 0));
        for (int k = 8; k < 1023; k += 8) {
            const double x = 2 * M_PI * k / 1024;
            emit g->drawMoved(pixel(
                k + 0.5,
                vpk * 0.9 * (std::sin(x) > 0 ? std::sqrt(std::sin(x)) : -std::sqrt(-std::sin(x)))));
        }
        emit g->drawMoved(pixel(1022.5, 0));
        emit g->drawReleased(pixel(1022.5, 0));
        save(arb, out + "/frmArb-drawn.png");
    }
    {
        program.settings.waveformLibrary = QStringLiteral(OSTREL_SOURCE_DATA_DIR) + "/waveforms";
        frmWaveLibrary library(program);
        library.resize(1200, 760);
        save(library, out + "/frmWaveLibrary.png");
    }
    return 0;
}
