#include "measure/WattHour.h"

#include "ScriptedIo.h"

#include <gtest/gtest.h>

using namespace ostrel;
using ostrel::test::ScriptedIo;

namespace {

TEST(WattHour, RunningStateIsReadInAnyCase) {
    for (const char* on : {"ON", "on", "On", "1", "+1"})
        EXPECT_TRUE(WattHourRunning(on)) << on;
    for (const char* off : {"OFF", "0", ""})
        EXPECT_FALSE(WattHourRunning(off)) << off;
}

TEST(WattHour, ElapsedTimeFieldsAndPlotSpan) {
    EXPECT_EQ(ElapsedText("0,1,23,456"), "00:01:23:456");
    EXPECT_EQ(ElapsedText("12,5,9,7\n"), "12:05:09:007");
    EXPECT_EQ(ElapsedText(""), "");
    EXPECT_EQ(ClampPlotSpan(0), 1);
    EXPECT_EQ(ClampPlotSpan(500), 168);
    EXPECT_EQ(ClampPlotSpan(24), 24);
}

struct Meter : ::testing::Test {
    ScriptedIo io;
    MeasurementState state;
};

TEST_F(Meter, ATickReadsEachPhaseAndTheTotalThenClearsItsBusyFlag) {
    io.reply("whm:etim?", "0,0,5,250");
    io.reply("whm:who?", {"1.5", "2.5", "3.5", "7.5"});
    bool busyDuring = false;
    io.onQuery = [&](const QString&) { busyDuring = state.wattHourBusy; };
    WattHourMeter meter(state, io, 3, true);
    EXPECT_EQ(meter.tick(0), TickResult::Read);
    EXPECT_TRUE(busyDuring);
    EXPECT_FALSE(state.wattHourBusy);
    EXPECT_EQ(io.log, QStringList({"? whm:etim?", "> inst:coup none", "> inst:nsel 1", "? whm:who?",
                                   "> inst:nsel 2", "? whm:who?", "> inst:nsel 3", "? whm:who?",
                                   "> inst:coup all", "? whm:who?"}));
    EXPECT_EQ(meter.elapsed(), "00:00:05:250");
    EXPECT_EQ(meter.energy(), (std::array<double, 4>{1.5, 2.5, 3.5, 7.5}));
    ASSERT_EQ(meter.plot().size(), 1);
    EXPECT_EQ(meter.plot()[0].time, "00:00:00");
}

TEST_F(Meter, EmptyRepliesKeepThePreviousValues) {
    io.reply("whm:etim?", {"0,0,1,0", ""});
    io.reply("whm:who?", {"4.25", ""});
    WattHourMeter meter(state, io, 1, false);
    meter.tick(0);
    meter.tick(1);
    EXPECT_EQ(meter.elapsed(), "00:00:01:000");
    EXPECT_DOUBLE_EQ(meter.energy()[0], 4.25);
}

TEST_F(Meter, ATickWaitsForTheMeasurementCycleAndNeverRunsInsideAnother) {
    WattHourMeter meter(state, io, 1, false);
    state.measurementBusy = true;
    state.wattHourBusy = true;
    EXPECT_EQ(meter.tick(0), TickResult::Waiting);
    EXPECT_FALSE(state.wattHourBusy);
    EXPECT_TRUE(io.log.isEmpty());

    state.measurementBusy = false;
    TickResult nested = TickResult::Read;
    io.onQuery = [&](const QString& q) {
        if (q == "whm:etim?") nested = meter.tick(1);
    };
    EXPECT_EQ(meter.tick(0), TickResult::Read);
    EXPECT_EQ(nested, TickResult::Overlapped);
    EXPECT_EQ(io.queries().count("whm:etim?"), 1);
}

TEST_F(Meter, StopAndClosingClearTheBusyFlag) {
    {
        WattHourMeter meter(state, io, 1, false);
        state.wattHourBusy = true;
        meter.stop();
        EXPECT_FALSE(state.wattHourBusy);
        EXPECT_EQ(io.sends(), QStringList({"whm:stat 0"}));
        state.wattHourBusy = true;
    }
    EXPECT_FALSE(state.wattHourBusy);
}

TEST_F(Meter, PlotPointsComeFifteenAnHourAndTheSpanKeepsTheNewest) {
    io.reply("whm:who?", "1");
    WattHourMeter meter(state, io, 1, false);
    meter.setPlotSpan(1);
    for (int s = 0; s <= 2 * 3600; s += 60)
        meter.tick(s);
    ASSERT_EQ(meter.plot().size(), 15);
    EXPECT_EQ(meter.plot().back().time, "02:00:00");
    EXPECT_EQ(meter.plot().front().time, "01:04:00");
    meter.start();
    EXPECT_TRUE(meter.plot().isEmpty());
    EXPECT_EQ(meter.elapsed(), "00:00:00:000");
}

} // namespace
