#include "WindowFixture.h"

#include "core/Program.h"
#include "measure/frmLogger.h"
#include "measure/frmMeas.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class MeasWindow : public WindowFixture {
protected:
    std::unique_ptr<frmMeas> window;

    void open() {
        window = std::make_unique<frmMeas>(program(), state);
        window->show();
    }
    QString text(const char* label, int index = -1) {
        return control<QLabel>(window.get(), label, index)->text();
    }
    void only(std::initializer_list<int> readouts) {
        for (int k = 0; k < kReadoutCount; ++k)
            check(window.get(), "chkReadout", k, false);
        for (int k : readouts)
            check(window.get(), "chkReadout", k, true);
    }
};

struct QueryCase {
    int mode;
    int voltAverage;
    int currentAverage;
    float firmware;
    QStringList queries;
};

TEST_F(MeasWindow, EachModeAveragingAndFirmwareReachesTheSourceAsItsQueries) {
    connectSource();
    const QStringList dcFirst{"inst:nsel 1;:meas:volt:dc?"};
    const QueryCase cases[] = {
        {ModeAC, 1, 1, 0.2f, {"meas:freq?", "fetc:volt:ac?", "fetc:curr:ac?", "fetc:pow:ac?"}},
        {ModeACDC,
         2,
         3,
         0.2f,
         {"meas:freq?", "meas:volt:ac?", "meas:volt:ac?", "meas:curr:ac?", "meas:curr:ac?",
          "meas:curr:ac?", "meas:pow:ac?", "meas:pow:ac?", "meas:pow:ac?"}},
        {ModeDC, 1, 1, 0.3f,
         dcFirst + QStringList{"meas:volt:dc?", "fetc:curr:dc?", "fetc:pow:dc?"}},
        {ModeDC, 1, 2, 0.2f,
         dcFirst + QStringList{"meas:volt:dc?", "meas:curr:dc?", "meas:curr:dc?", "meas:pow:ac?",
                               "meas:pow:ac?"}},
    };
    for (const QueryCase& c : cases) {
        program().outputState.OutputMode = c.mode;
        program().settings.measurements.voltAverage = c.voltAverage;
        program().settings.measurements.currentAverage = c.currentAverage;
        program().sourceModel.FirmwareRevision = c.firmware;
        open();
        only({ReadVoltage, ReadCurrent, ReadPower});
        const qsizetype before = mark();
        click(window.get(), "cmdMeas");
        EXPECT_EQ(receivedSince(before), c.queries) << c.mode << " " << c.voltAverage;
    }
}

TEST_F(MeasWindow, ReadingsShowInTheLocalesDecimalsAndEachTickedPhaseIsSelected) {
    connectSource({"--model", "3", "--load", "r=50"});
    program().link.Send(0, "inst:coup all;:volt 120;:outp on");
    program().sourceModel.MultiPhase = 1;
    program().decimalSeparator = ',';
    open();
    only({ReadVoltage, ReadCurrent, ReadPower});
    check(window.get(), "chkPhase", 0, true);
    check(window.get(), "chkPhase", 1, false);
    check(window.get(), "chkPhase", 2, true);
    check(window.get(), "chkReadout", 9, true);  // Vac
    check(window.get(), "chkReadout", 10, true); // Vab: phase B was not read
    program().outputState.Phase[2].PhaseAngle = 240;
    const qsizetype before = mark();
    click(window.get(), "cmdMeas");
    const QStringList sent = receivedSince(before);
    EXPECT_EQ(sent.filter("inst:nsel"), QStringList({"inst:nsel 1", "inst:nsel 3"}));
    EXPECT_EQ(text("amp", 0), "120,00");
    EXPECT_EQ(text("cur", 2), "2,400");
    EXPECT_EQ(text("pwr", 0), "0,29");
    EXPECT_EQ(text("amp", 1), "");
    EXPECT_EQ(text("Freq"), "60,00");
    EXPECT_EQ(text("lblVAC"), "207,85");
    EXPECT_EQ(text("lblVAB"), "");
}

TEST_F(MeasWindow, RepeatLogsFixedColumnsWithPointDecimalsLocksTheBoxesAndStopsOnStop) {
    connectSource({"--load", "r=50"});
    program().link.Send(0, "volt 115;:outp on");
    program().decimalSeparator = ',';
    const QString path = fixture.tempPath("bench.csv");
    state.log[LogStandard].path = path;
    state.log[LogStandard].comment = "run 7";
    open();
    only({ReadVoltage});
    click(window.get(), "optMode", 1);
    type(window.get(), "txtLog", "0");
    check(window.get(), "chkLog", -1, true);

    bool lockedWhileRunning = false;
    QTimer::singleShot(300, [&] {
        lockedWhileRunning = !control<QCheckBox>(window.get(), "chkPhase", 0)->isEnabled() &&
                             !control<QCheckBox>(window.get(), "chkReadout", 0)->isEnabled() &&
                             !control<QWidget>(window.get(), "cmdMeas")->isEnabled();
        click(window.get(), "cmdStop");
    });
    click(window.get(), "cmdMeas");
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_TRUE(control<QCheckBox>(window.get(), "chkReadout", 0)->isEnabled());
    EXPECT_EQ(text("amp", 0), "115,00");

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(",\"run 7\""));
    EXPECT_EQ(lines[1], R"x("Date","Time","F (Hz)","Vrms (V) [PhsA]")x");
    for (const QString& row : lines.mid(2))
        EXPECT_TRUE(row.endsWith(",60.00,115.00")) << row.toStdString();
}

TEST_F(MeasWindow, AWattHourReadingHoldsTheCycleBack) {
    connectSource();
    open();
    state.wattHourBusy = true;
    const qsizetype before = mark();
    click(window.get(), "cmdMeas");
    EXPECT_EQ(window->windowTitle(), "Waiting for WHM Meas");
    EXPECT_TRUE(receivedSince(before).isEmpty());
    EXPECT_FALSE(state.measurementBusy);
    state.wattHourBusy = false;
    click(window.get(), "cmdMeas");
    EXPECT_EQ(window->windowTitle(), "Measurements");
}

TEST_F(MeasWindow, PeakResetZeroesTheTickedPhasesAndClearsTheirHold) {
    connectSource({"--model", "3"});
    program().sourceModel.MultiPhase = 1;
    open();
    only({ReadPeakCurrent});
    check(window.get(), "chkPhase", 1, false);
    check(window.get(), "chkPhase", 2, true);
    const qsizetype before = mark();
    click(window.get(), "cmdPeakzero");
    EXPECT_EQ(receivedSince(before),
              QStringList({"inst:coup none;:inst:nsel 1;:meas:curr:ampl:res",
                           "inst:coup none;:inst:nsel 3;:meas:curr:ampl:res"}));
    EXPECT_EQ(text("pkc", 0), "0.0");
    EXPECT_EQ(text("pkc", 1), "");
}

TEST_F(MeasWindow, ClosingDuringARunWaitsForTheRunToUnwind) {
    program().settings.link.bus = BusSimulation;
    program().outputState.Phase[0].Voltage = 230;
    auto* w = new frmMeas(program(), state);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    QPointer<frmMeas> alive(w);
    click(w, "optMode", 1);
    type(w, "txtLog", "1");
    QTimer::singleShot(100, [w] { w->close(); });
    click(w, "cmdMeas"); // returns when the run has ended
    EXPECT_TRUE(alive);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(state.measurementBusy);
}

TEST_F(MeasWindow, SimulationInventsReadingsFromTheProgrammedOutput) {
    program().settings.link.bus = BusSimulation;
    program().outputState.Phase[0].Voltage = 230;
    open();
    only({ReadVoltage});
    click(window.get(), "cmdMeas");
    EXPECT_NEAR(text("amp", 0).toDouble(), 230, 2);
}

TEST(Logger, AnEmptyPathIsRefusedAndAPathWithoutExtensionGetsTheDelimitersOne) {
    ProgramFixture fixture;
    MeasurementState state;
    state.delimiter = '\t';
    frmLogger dialog(fixture.program(), state, LogHarmonics);
    auto* path = dialog.findChild<QLineEdit*>("txtLog");
    // The default file is in the user folder, and the dialog says so.
    EXPECT_EQ(path->text(), fixture.program().paths.userFile("dummy.txt"));
    path->setText("");
    dialog.accept();
    EXPECT_EQ(fixture.prompt().messages(), QStringList({"Data file must be specified."}));
    EXPECT_FALSE(dialog.result() == QDialog::Accepted);

    path->setText("/data/v1.2/harmonics");
    dialog.findChild<QLineEdit*>("txtIntvl")->setText("30");
    dialog.findChild<QCheckBox*>("chkHmPhs")->setChecked(true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(state.log[LogHarmonics].path, "/data/v1.2/harmonics.txt");
    EXPECT_TRUE(state.log[LogHarmonics].harmonicPhases);
    EXPECT_EQ(fixture.program().settings.measurements.harmFile, "/data/v1.2/harmonics.txt");
    EXPECT_EQ(fixture.program().settings.measurements.harmLogInterval, 30);

    path->setText("bench"); // no folder: the user folder, not the working directory
    dialog.accept();
    EXPECT_EQ(state.log[LogHarmonics].path, fixture.program().paths.userFile("bench.txt"));
}

} // namespace
