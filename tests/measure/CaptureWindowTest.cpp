#include "WindowFixture.h"

#include "app/EntryRejection.h"
#include "core/Program.h"
#include "link/Numbers.h"
#include "measure/GraphView.h"
#include "measure/frmTMeas.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class CaptureWindow : public WindowFixture {
protected:
    std::unique_ptr<frmTMeas> window;

    void open() {
        window = std::make_unique<frmTMeas>(program(), state);
        window->show();
    }
    void trigger(const char* action) { window->findChild<QAction*>(action)->trigger(); }
    QString status() { return window->statusBar()->currentMessage(); }
};

TEST_F(CaptureWindow, OpeningReadsTheSourcesSampleIntervalAndShowsTheDisplayPeriod) {
    connectSource();
    program().link.Send(0, "sens:swe:tint 0.00001");
    const qsizetype before = mark();
    open();
    EXPECT_EQ(receivedSince(before), QStringList({"sens:swe:tint?"}));
    EXPECT_NEAR(window->intervalUs(), 10, 0.01);
    EXPECT_EQ(control<QLineEdit>(window.get(), "txtPeriod")->text(), "41.0"); // 4096 x 10 us
}

TEST_F(CaptureWindow, ADcCaptureSkipsThePhaseTriggerAndAnArrayThatNeverEndsIsReported) {
    connectSource({"--model", "3", "--fault", "noreply-match FETCH:ARR"});
    program().sourceModel.MultiPhase = 1;
    program().outputState.OutputMode = ModeDC;
    program().settings.waveAcquisition.mode = 1;
    open();
    program().link.state.lanTimeoutMs = 300;
    click(window.get(), "optPhs", 1);
    const qsizetype before = mark();
    trigger("tb-wavemeas");
    EXPECT_EQ(
        receivedSince(before).mid(0, 6),
        QStringList({"sens:swe:offs 0.000", "trig:acq:sour sync", "inst:coup none;:inst:nsel 2",
                     "meas:volt:dc?", "init:seq3", "fetch:arr:volt?"}));
    ASSERT_FALSE(prompt().messages().isEmpty());
    EXPECT_TRUE(prompt().messages().first().contains("No reply to \"fetch:arr:volt?\""))
        << prompt().messages().first().toStdString();
    EXPECT_EQ(window->capture().samples, 0); // nothing half-read is kept
    EXPECT_TRUE(window->findChild<QAction*>("tb-wavemeas")->isEnabled());
}

TEST_F(CaptureWindow, ACaptureIsPlottedWithItsReadoutsAndRoundTripsThroughAFile) {
    program().outputState.Phase[0].Voltage = 120;
    program().outputState.Frequency = 60;
    open();
    control<QComboBox>(window.get(), "cmbParam")->setCurrentIndex(3);
    trigger("tb-wavemeas");
    const Capture taken = window->capture();
    ASSERT_EQ(taken.samples, 4096);
    EXPECT_EQ(taken.parameter, "Volt & Curr phase A");
    GraphView* graph = window->graph();
    EXPECT_EQ(graph->subsetCount(), 2);
    // Voltage and current are told apart at a glance, with the stored colours too.
    EXPECT_EQ(graph->subsetColor(0), BasicColor(program().settings.wave.voltColor));
    const int hues = std::abs(graph->subsetColor(0).hslHue() - graph->subsetColor(1).hslHue());
    EXPECT_GE(std::min(hues, 360 - hues), 90);
    // The capture keeps the (automatic) scales it is shown with.
    const ScaleLimits shown{float(graph->yMinimum()), float(graph->yMaximum()), float(graph->y2Minimum()),
                            float(graph->y2Maximum()), 0, 0};
    EXPECT_LT(shown[0], shown[1]);
    EXPECT_LT(shown[2], shown[3]);
    EXPECT_EQ(taken.limits, shown);
    EXPECT_EQ(window->graph()->title(), "Phase A Voltage and Current");
    EXPECT_EQ(control<QLabel>(window.get(), "lblMType", 0)->text(), "Voltage (Vrms):");
    EXPECT_NEAR(control<QLabel>(window.get(), "lblMeas", 0)->text().toDouble(), 120, 1);
    EXPECT_EQ(status(), "Ready...");

    const QString path = fixture.tempPath("capture.wfd");
    prompt().chooseFile(fixture.tempPath("capture"));
    trigger("tb-filesave");
    trigger("tb-clear");
    EXPECT_EQ(window->graph()->subsetCount(), 0);
    control<QComboBox>(window.get(), "cmbParam")->setCurrentIndex(0);
    prompt().chooseFile(path);
    trigger("tb-fileopen");
    EXPECT_EQ(window->capture().values, taken.values);
    EXPECT_EQ(window->capture().limits, shown);
    EXPECT_EQ(control<QComboBox>(window.get(), "cmbParam")->currentText(), "Volt & Curr phase A");
    EXPECT_EQ(window->graph()->subsetCount(), 2);
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();
}

TEST_F(CaptureWindow, AnInvalidTriggerPhaseIsRefusedWithTheEntryMessageAndNeverSent) {
    connectSource();
    program().settings.waveAcquisition.mode = 1;
    open();
    auto* box = control<QLineEdit>(window.get(), "txtTrigPhase");
    type(window.get(), "txtTrigPhase", "90");
    for (const char* typed : {"400", "abc", "-5", ""}) {
        prompt().clear();
        box->setFocus();
        box->clear();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(prompt().messages(), QStringList({kEntryRejected})) << typed;
        ASSERT_FALSE(prompt().calls().isEmpty()) << typed;
        EXPECT_EQ(prompt().calls()[0].owner, window.get()) << typed;
        EXPECT_EQ(box->text(), "90.0") << typed;
    }
    box->setText("400"); // typed and never confirmed
    const qsizetype before = mark();
    trigger("tb-wavemeas");
    const QStringList sent = receivedSince(before);
    EXPECT_TRUE(sent.contains("trig:sync:phas 90.0")) << sent.join(" | ").toStdString();
}

TEST_F(CaptureWindow, AbortEndsContinuousAcquisitionAndPrintingMakesAPdf) {
    program().outputState.Phase[0].Voltage = 120;
    open();
    control<QWidget>(window.get(), "chkContinuous")->setProperty("checked", true);
    QTimer::singleShot(400, [this] { trigger("tb-abort"); });
    trigger("tb-wavemeas"); // returns once aborted
    EXPECT_TRUE(window->findChild<QAction*>("tb-wavemeas")->isEnabled());
    EXPECT_FALSE(window->findChild<QAction*>("tb-abort")->isEnabled());
    EXPECT_EQ(window->capture().samples, 4096);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fixture.tempPath("capture.pdf"));
    window->printTo(printer);
    QFile pdf(fixture.tempPath("capture.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF"));
}

} // namespace
