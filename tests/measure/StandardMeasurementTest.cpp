#include "measure/StandardMeasurement.h"

#include "ScriptedIo.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace ostrel;
using ostrel::test::ScriptedIo;

namespace {

CycleRequest onePhase(int readout, bool dc, int voltAverage, int currentAverage, float firmware) {
    CycleRequest r;
    r.dcMode = dc;
    r.phases = {true, false, false};
    r.readouts[readout] = true;
    r.voltAverage = voltAverage;
    r.currentAverage = currentAverage;
    r.firmwareRevision = firmware;
    return r;
}

struct QueryCase {
    int readout;
    bool dc;
    int voltAverage;
    int currentAverage;
    float firmware;
    const char* query;
    int times;
};

TEST(StandardMeasurement, EachReadoutIsReadWithTheQueryOfItsModeAveragingAndFirmware) {
    const QueryCase cases[] = {
        {ReadVoltage, false, 1, 1, 0.2f, "fetc:volt:ac?", 1},
        {ReadVoltage, false, 0, 1, 0.2f, "fetc:volt:ac?", 1},
        {ReadVoltage, false, 3, 1, 0.2f, "meas:volt:ac?", 3},
        {ReadVoltage, true, 1, 1, 0.2f, "meas:volt:dc?", 1},
        {ReadVoltage, true, 2, 1, 0.2f, "meas:volt:dc?", 2},
        {ReadCurrent, false, 3, 1, 0.2f, "fetc:curr:ac?", 1},
        {ReadCurrent, true, 1, 1, 0.2f, "fetc:curr:dc?", 1},
        {ReadCurrent, false, 1, 2, 0.2f, "meas:curr:ac?", 2},
        {ReadCurrent, true, 1, 2, 0.2f, "meas:curr:dc?", 2},
        {ReadPhase, false, 3, 3, 0.2f, "fetc:phas?", 1},
        {ReadPower, false, 1, 1, 0.3f, "fetc:pow:ac?", 1},
        {ReadPower, true, 1, 1, 0.24f, "fetc:pow:ac?", 1},
        {ReadPower, true, 1, 1, 0.25f, "fetc:pow:dc?", 1},
        {ReadPower, true, 1, 2, 0.25f, "meas:pow:dc?", 2},
        {ReadPower, false, 1, 2, 0.25f, "meas:pow:ac?", 2},
        {ReadApparentPower, false, 1, 1, 0.2f, "fetc:pow:ac:app?", 1},
        {ReadApparentPower, false, 1, 4, 0.2f, "meas:pow:ac:app?", 4},
        {ReadPowerFactor, false, 3, 3, 0.2f, "fetc:pow:ac:pfac?", 1},
        {ReadPeakCurrent, false, 1, 1, 0.2f, "meas:curr:ampl:max?", 1},
        {ReadCrestFactor, false, 1, 1, 0.2f, "fetc:curr:cres?", 1},
        {ReadDcOffset, false, 1, 3, 0.2f, "fetc:volt:dc?", 1},
        {ReadDcOffset, false, 2, 1, 0.2f, "meas:volt:dc?", 2},
    };
    for (const QueryCase& c : cases) {
        SCOPED_TRACE(c.query);
        ScriptedIo io;
        RunMeasurementCycle(onePhase(c.readout, c.dc, c.voltAverage, c.currentAverage, c.firmware),
                            io);
        QStringList expected{c.dc ? "inst:nsel 1;:meas:volt:dc?" : "meas:freq?"};
        for (int i = 0; i < c.times; ++i)
            expected << c.query;
        EXPECT_EQ(io.queries(), expected);
    }
}

TEST(StandardMeasurement, ACycleSelectsEachTickedPhaseAndReadsTheReadoutsInTableOrder) {
    ScriptedIo io;
    io.reply("meas:freq?", "59.996");
    CycleRequest r;
    r.selectablePhases = true;
    r.phases = {true, false, true};
    r.readouts[ReadCrestFactor] = true;
    r.readouts[ReadVoltage] = true;
    const CycleResult result = RunMeasurementCycle(r, io);
    EXPECT_EQ(io.log,
              QStringList({"? meas:freq?", "> inst:nsel 1", "? fetc:volt:ac?", "? fetc:curr:cres?",
                           "> inst:nsel 3", "? fetc:volt:ac?", "? fetc:curr:cres?"}));
    EXPECT_EQ(result.frequency, "60.00");
    EXPECT_FALSE(result.values[1][ReadVoltage].has_value());
}

TEST(StandardMeasurement, AveragingUsesOnlyTheReadingsThatCameBack) {
    ScriptedIo io;
    io.reply("meas:volt:ac?", {"10", "", "13"});
    io.reply("meas:pow:ac?", {"1500", "garbage", "2500"});
    CycleRequest r = onePhase(ReadVoltage, false, 3, 3, 0.3f);
    r.readouts[ReadPower] = true;
    r.readouts[ReadCurrent] = true; // no reply at all
    const CycleResult result = RunMeasurementCycle(r, io);
    EXPECT_FLOAT_EQ(*result.values[0][ReadVoltage], 11.5f);
    EXPECT_FLOAT_EQ(*result.values[0][ReadPower], 2.0f); // kW
    EXPECT_FALSE(result.values[0][ReadCurrent].has_value());
    EXPECT_TRUE(result.frequency.isEmpty());
}

TEST(StandardMeasurement, DcModeShowsDcAndAsksForNoFrequency) {
    ScriptedIo io;
    const CycleResult result = RunMeasurementCycle(onePhase(ReadVoltage, true, 1, 1, 0), io);
    EXPECT_EQ(result.frequency, "DC");
    EXPECT_FALSE(io.queries().contains("meas:freq?"));
}

TEST(StandardMeasurement, LineToLineVoltagesNeedBothPhasesOfThisCycle) {
    struct Case {
        std::array<std::optional<float>, 3> v;
        float angleB, angleC;
        std::optional<float> vac, vab, vbc;
    };
    const std::optional<float> none;
    const Case cases[] = {
        {{120.f, 120.f, 120.f}, 120, 240, 207.846f, 207.846f, 207.846f},
        {{120.f, 120.f, none}, 180, 240, none, 240.f, none},
        {{120.f, none, 100.f}, 120, 240, 190.788f, none, none},
    };
    for (const Case& c : cases) {
        const LineVoltages l = LineToLine(c.v, c.angleB, c.angleC);
        for (auto [got, want] : {std::pair{l.vac, c.vac}, {l.vab, c.vab}, {l.vbc, c.vbc}}) {
            ASSERT_EQ(got.has_value(), want.has_value());
            if (want) {
                EXPECT_NEAR(*got, *want, 0.01);
            }
        }
    }
}

TEST(StandardMeasurement, PeakResetAddressesEachTickedPhase) {
    EXPECT_EQ(PeakResetCommands({true, false, true}),
              QStringList({"inst:coup none;:inst:nsel 1;:meas:curr:ampl:res",
                           "inst:coup none;:inst:nsel 3;:meas:curr:ampl:res"}));
}

TEST(StandardMeasurement, LogColumnsNameThePhaseLetter) {
    EXPECT_EQ(ReadoutColumn(ReadApparentPower, 1), "APP PWR (KVA) [PhsB]");
    EXPECT_EQ(ReadoutColumn(ReadPhase, 2), QString::fromUtf8("PHS (\u00b0) [PhsC]"));
}

TEST(RepeatLoop, StopEndsTheWaitAtOnceAndAShortIntervalStartsTheNextCycleAtOnce) {
    MeasurementState state;
    int cycles = 0;
    RunRepeatLoop(state, 0, [&] {
        if (++cycles == 3) state.stop = true;
    });
    EXPECT_EQ(cycles, 3);

    state.stop = false;
    cycles = 0;
    QTimer::singleShot(20, [&] { state.stop = true; });
    RunRepeatLoop(state, 3600, [&] { ++cycles; }); // would wait an hour if Stop were not live
    EXPECT_EQ(cycles, 1);
}

} // namespace
