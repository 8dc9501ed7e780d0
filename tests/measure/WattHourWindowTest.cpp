#include "WindowFixture.h"

#include "core/Program.h"
#include "app/frmMain.h"
#include "measure/MeasurementWindows.h"
#include "measure/frmHMeas.h"
#include "measure/frmWattHour.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class WattHourWindow : public WindowFixture {
protected:
    std::unique_ptr<frmWattHour> window;

    void open() {
        window = std::make_unique<frmWattHour>(program(), state);
        window->show();
    }
    QString text(const char* label, int index = -1) {
        return control<QLabel>(window.get(), label, index)->text();
    }
};

TEST_F(WattHourWindow, StartUpdatesOnTheTimerAndStopEndsItWithTheBusyFlagClear) {
    program().outputState.Phase[0].Voltage = 120;
    open();
    auto* timer = window->findChild<QTimer*>("tmrUpdate");
    EXPECT_FALSE(timer->isActive());
    click(window.get(), "cmdStart");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_EQ(text("lblMELT"), "00:00:00:000");
    window->tick();
    EXPECT_TRUE(text("lblMELT").startsWith("00:00:00:")) << text("lblMELT").toStdString();
    EXPECT_TRUE(text("lblWH", 0).startsWith(" 0.0"));
    EXPECT_EQ(window->windowTitle(), "Watt Hour Measurement");
    EXPECT_EQ(window->meter().plot().size(), 1);
    EXPECT_TRUE(timer->isActive());
    state.wattHourBusy = true;
    click(window.get(), "cmdStop");
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(state.wattHourBusy);
    EXPECT_TRUE(control<QWidget>(window.get(), "cmdStart")->isEnabled());
}

TEST_F(WattHourWindow, AStandardMeasurementCycleMakesTheUpdateWait) {
    open();
    click(window.get(), "cmdStart");
    state.measurementBusy = true;
    window->tick();
    EXPECT_EQ(window->windowTitle(), "Waiting for Meas cycle");
    EXPECT_FALSE(state.wattHourBusy);
}

TEST_F(WattHourWindow, ThePlotSpanIsClampedToOneWeek) {
    open();
    for (auto [typed, kept] : {std::pair{"0", "1"}, {"500", "168"}, {"24", "24"}}) {
        type(window.get(), "txtPlotTime", typed);
        EXPECT_EQ(control<QLineEdit>(window.get(), "txtPlotTime")->text(), kept);
    }
    EXPECT_EQ(window->meter().plotSpan(), 24);
}

TEST_F(WattHourWindow, OpeningOnALiveSourceAsksWhetherTheMeterRuns) {
    connectSource();
    program().link.state.lanTimeoutMs = 300;
    const qsizetype before = mark();
    open();
    EXPECT_EQ(receivedSince(before), QStringList({"whm:stat?"}));
    EXPECT_TRUE(control<QWidget>(window.get(), "cmdStart")->isEnabled());
    EXPECT_FALSE(control<QWidget>(window.get(), "cmdStop")->isEnabled());
}

TEST_F(WindowFixture, TheMenuEntriesOpenTheWindowsAndHarmonicAnalysisIsRefusedInDcMode) {
    frmMain main(program());
    RegisterMeasurementWindows(main, program());
    program().outputState.OutputMode = ModeDC;
    main.action("mnuMAnal")->trigger();
    EXPECT_EQ(prompt().messages(),
              QStringList({"Power source is in DC mode. Harmonic analysis only\r\n"
                           "available in AC or AC+DC mode of operation."}));
    EXPECT_EQ(main.windows().find("mnuMAnal"), nullptr);

    program().outputState.OutputMode = ModeACDC;
    main.action("mnuMAnal")->trigger();
    EXPECT_NE(qobject_cast<frmHMeas*>(main.windows().find("mnuMAnal")), nullptr);
    for (const char* entry : {"mnuMStand", "mnuMData", "mnuMWave", "mnuMWattHour"}) {
        main.action(entry)->trigger();
        ASSERT_NE(main.windows().find(entry), nullptr) << entry;
        EXPECT_TRUE(main.windows().find(entry)->isVisible()) << entry;
    }
    main.windows().closeAll();
}

} // namespace
