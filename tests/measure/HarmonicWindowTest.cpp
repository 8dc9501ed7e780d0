#include "WindowFixture.h"

#include "core/Program.h"
#include "measure/GraphView.h"
#include "measure/HarmonicFile.h"
#include "measure/frmHMeas.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class HarmonicWindow : public WindowFixture {
protected:
    std::unique_ptr<frmHMeas> window;

    void open() {
        window = std::make_unique<frmHMeas>(program(), state);
        window->show();
    }
    QString status() { return window->statusBar()->currentMessage(); }
    QString readFile(const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
};

TEST_F(HarmonicWindow, AnAcquisitionShowsTheSpectrumAsOddAndEvenBarsWithItsTitleAndThd) {
    program().outputState.Phase[0].Voltage = 120;
    program().outputState.Frequency = 400;
    open();
    click(window.get(), "cmdMeas");
    const HarmonicSet& v = window->data().voltage;
    EXPECT_NEAR(v.amplitude[1], 120, 1);
    GraphView* graph = window->graph();
    EXPECT_EQ(graph->title(), "Graph : Absolute Voltage Harmonics for Phase A @ 400.00 Hz");
    EXPECT_EQ(graph->subsetLabel(0), "Odd Harmonics");
    EXPECT_FLOAT_EQ(graph->value(0, 0), v.amplitude[1]);
    EXPECT_FLOAT_EQ(graph->value(0, 2), v.amplitude[3]);
    EXPECT_FLOAT_EQ(graph->value(1, 0), GraphView::kNullValue);
    EXPECT_FLOAT_EQ(graph->value(1, 1), v.amplitude[2]);
    EXPECT_FALSE(control<QLabel>(window.get(), "lblVthd")->text().isEmpty());
    EXPECT_EQ(status(), "Use left mouse button to zoom graph...");
    EXPECT_TRUE(control<QWidget>(window.get(), "cmdMeas")->isEnabled());

    control<QComboBox>(window.get(), "cmbGraph")->setCurrentIndex(2);
    EXPECT_EQ(graph->title(), "Graph : Voltage Time Domain Reconstruction for Phase A @ 400.00 Hz");
    EXPECT_EQ(graph->pointCount(), 360);
    // Both axes say what they count in.
    EXPECT_EQ(graph->xTitle(), "Phase angle of the fundamental (\u00b0)");
    EXPECT_EQ(graph->yTitle(), "Amplitude (V)");
    control<QComboBox>(window.get(), "cmbParam")->setCurrentIndex(1);
    EXPECT_EQ(graph->yTitle(), "Amplitude (A)");
}

TEST_F(HarmonicWindow, RelativeViewsWithoutAFundamentalShowBlanksAndANote) {
    open();
    control<QComboBox>(window.get(), "cmbGraph")->setCurrentIndex(1);
    GraphView* graph = window->graph();
    EXPECT_EQ(graph->subtitle(), kNoFundamentalNote);
    for (int p = 0; p < graph->pointCount(); ++p) {
        EXPECT_FLOAT_EQ(graph->value(0, p), GraphView::kNullValue);
        EXPECT_FLOAT_EQ(graph->value(1, p), GraphView::kNullValue);
    }
    EXPECT_EQ(status(), kNoFundamentalNote);
    control<QComboBox>(window.get(), "cmbGraph")->setCurrentIndex(3);
    auto* odd = control<QTableWidget>(window.get(), "grdOdd");
    EXPECT_EQ(odd->item(0, 0)->text(), "Fund");
    EXPECT_EQ(odd->item(0, 2)->text(), "");
}

TEST_F(HarmonicWindow, SavingAsksBeforeOverwritingAndOpeningACurrentFileSelectsCurrent) {
    program().outputState.Phase[0].Voltage = 120;
    open();
    click(window.get(), "cmdMeas");
    const QString path = fixture.tempPath("phase-a.hmd");
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("kept");
    }
    prompt().chooseFile(fixture.tempPath("phase-a"));
    prompt().answer(PromptAnswer::No);
    window->findChild<QAction*>("mnuFSaveAs")->trigger();
    EXPECT_EQ(readFile(path), "kept");
    EXPECT_EQ(
        prompt().questions(),
        QStringList({"File specified already exists.\r\nDo you want to overwrite this file?"}));
    prompt().chooseFile(path);
    prompt().answer(PromptAnswer::Yes);
    window->findChild<QAction*>("mnuFSaveAs")->trigger();
    HarmonicData saved;
    QString error;
    ASSERT_TRUE(ReadHarmonicFile(path, saved, error)) << error.toStdString();
    EXPECT_EQ(saved.voltage.amplitude, window->data().voltage.amplitude);

    HarmonicData current;
    current.parameter = "Current";
    current.currentThd = 12.5f;
    current.current.amplitude[1] = 4;
    ASSERT_TRUE(WriteHarmonicFile(fixture.tempPath("load.hmd"), current, error));
    prompt().chooseFile(fixture.tempPath("load.hmd"));
    window->findChild<QAction*>("mnuFOpen")->trigger();
    EXPECT_EQ(control<QComboBox>(window.get(), "cmbParam")->currentText(), "Current");
    EXPECT_EQ(control<QLabel>(window.get(), "lblCthd")->text(), "12.50");
    EXPECT_FLOAT_EQ(window->graph()->value(0, 0), 4);
    EXPECT_NEAR(window->data().voltage.amplitude[1], 120, 1); // the voltage set is kept
}

TEST_F(HarmonicWindow, TheAcquisitionSwitchesSenseCouplingAroundItsArrayQueries) {
    connectSource();
    program().link.state.lanTimeoutMs = 300;
    open();
    const qsizetype before = mark();
    click(window.get(), "cmdMeas");
    QStringList sent = receivedSince(before);
    sent.removeAll("syst:err?");
    EXPECT_EQ(sent, QStringList({"sens:coup dc", "inst:nsel 1;:meas:arr:volt:harm?",
                                 "fetch:arr:volt:harm:phas?", "sens:coup ac",
                                 "inst:nsel 1;:meas:volt:harm:thd?", "meas:curr:harm:thd?"}));
    EXPECT_FALSE(state.senseCouplingSwitched);
}

TEST_F(HarmonicWindow, LoggingWritesAHeaderAndARowPerPhaseUntilSwitchedOff) {
    program().outputState.Phase[0].Voltage = 120;
    const QString path = fixture.tempPath("harmonics.csv");
    state.log[LogHarmonics].path = path;
    state.log[LogHarmonics].intervalSeconds = 0;
    open();
    QAction* log = window->findChild<QAction*>("mnuMLog");
    QTimer::singleShot(200, [log] { log->setChecked(false); });
    log->setChecked(true);
    EXPECT_EQ(status(), "Ready...");
    EXPECT_FALSE(log->isChecked());
    const QStringList lines = readFile(path).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith(R"x("Date","Time","Phase","DC","1","2",)x"));
    EXPECT_TRUE(lines[1].endsWith(R"x(,"50")x"));
    for (const QString& row : lines.mid(2)) {
        EXPECT_EQ(row.count(','), lines[1].count(','));
        EXPECT_EQ(row.section(',', 2, 2), "A");
    }
}

TEST_F(HarmonicWindow, PrintingMakesTheTableAndGraphPages) {
    program().outputState.Phase[0].Voltage = 120;
    open();
    click(window.get(), "cmdMeas");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fixture.tempPath("harmonics.pdf"));
    window->printTo(printer);
    EXPECT_TRUE(readFile(fixture.tempPath("harmonics.pdf")).startsWith("%PDF"));
    EXPECT_EQ(status(), "Ready...");
}

} // namespace
