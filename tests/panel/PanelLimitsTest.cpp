#include "panel/PanelLimits.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(PerPhaseCommands, PrefixFollowsTickedPhases) {
    const QString cmd = "volt:ac 115.0";
    EXPECT_EQ(PerPhaseCommands(true, {true, false, true}, cmd),
              QStringList({"inst:coup none;:inst:nsel 1;:volt:ac 115.0", "inst:nsel 3;:volt:ac 115.0"}));
    EXPECT_EQ(PerPhaseCommands(true, {false, true, false}, cmd),
              QStringList({"inst:coup none;:inst:nsel 2;:volt:ac 115.0"}));
    EXPECT_EQ(PerPhaseCommands(false, {true, true, true}, cmd), QStringList({cmd}));
    EXPECT_TRUE(PerPhaseCommands(true, {false, false, false}, cmd).isEmpty());
}

TEST(PanelLimits, RangesFollowModeAndRange) {
    SourceModel m;
    m.CurrentMax = 6.5f;
    OutputState s;
    UserLimits u;
    EXPECT_FLOAT_EQ(VoltageEntryRange(s, u).max, 150);
    s.HighRange = 1;
    EXPECT_FLOAT_EQ(VoltageEntryRange(s, u).max, 300);
    EXPECT_FLOAT_EQ(MaxCurrent(m, s), 3.25f);
    EXPECT_FLOAT_EQ(RangeValue(m, ModeAC, 1), 300);
    s.OutputMode = ModeDC;
    EXPECT_FLOAT_EQ(VoltageEntryRange(s, u).min, -400);
    EXPECT_FLOAT_EQ(VoltageEntryRange(s, u).max, 400);
    EXPECT_FLOAT_EQ(VoltageSliderRange(m, s).min, -400);
    EXPECT_FLOAT_EQ(RangeValue(m, ModeDC, 0), 200);
}
