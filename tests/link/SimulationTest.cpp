// The link with no source attached: nothing is sent, every query answers "",
// and the trace still shows the traffic as the callers passed it.
#include "core/Program.h"
#include "link/Readback.h"
#include "support/ProgramFixture.h"

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

class SimulationLink : public ::testing::Test, public test::ProgramFixture {
protected:
    SimulationLink() {
        program().settings.link.bus = BusSimulation;
        program().link.state.traceCommands = true;
        program().link.state.traceResponses = true;
    }
    QStringList trace() { return program().busTrace.entries(); }
};

TEST_F(SimulationLink, TracesCommandsExactlyAndEmptyReplies) {
    InstrumentLink& link = program().link;
    link.Send(0, QStringLiteral("volt 120"));
    EXPECT_EQ(link.Query(0, QStringLiteral(" freq? "), 1), QString());
    EXPECT_EQ(link.SendAndReport(0, QStringLiteral("outp 1")), QString())
        << "the error query's empty reply reads as 0";
    EXPECT_EQ(trace(), (QStringList{QStringLiteral("volt 120"), QStringLiteral(" freq? "),
                                    QStringLiteral("<-- "), QStringLiteral("outp 1"),
                                    QStringLiteral("syst:err?"), QStringLiteral("<-- ")}));
    EXPECT_FALSE(link.state.busy[BusyQuery]);
    EXPECT_FALSE(link.state.queryInProgress);
}

TEST_F(SimulationLink, TraceSwitchesAreHonoured) {
    program().link.state.traceCommands = false;
    program().link.Query(0, QStringLiteral("volt?"), 1);
    EXPECT_EQ(trace(), QStringList{QStringLiteral("<-- ")});
    program().link.state.traceResponses = false;
    program().link.Send(0, QStringLiteral("volt 1"));
    EXPECT_EQ(trace().size(), 1);
}

TEST_F(SimulationLink, SerialQueryForAnotherUnitSendsNothing) {
    program().settings.link.bus = BusSerial;
    program().link.state.serialPortName = tempPath(QStringLiteral("no-such-tty"));
    EXPECT_EQ(program().link.Query(1, QStringLiteral("volt?"), 1), QString());
    EXPECT_FALSE(program().link.SerialPortOpen());
    EXPECT_TRUE(prompt().messages().isEmpty()) << "the port was not even opened";
}

TEST_F(SimulationLink, NestedReadbackLeavesTheRunningOnesFlag) {
    program().readbackInProgress = true;
    ReadBackState(program(), 0);
    EXPECT_TRUE(program().readbackInProgress);
    EXPECT_TRUE(trace().isEmpty());
    EXPECT_TRUE(prompt().calls().isEmpty());
}

TEST_F(SimulationLink, ReadbackKeepsTheMirroredValuesAndSetsMaxVoltageFromTheModel) {
    Program& p = program();
    p.outputState.Frequency = 400;
    p.outputState.HighRange = 1;
    p.outputState.MultiPhaseOutput = 1;
    p.link.state.traceCommands = true;
    EXPECT_FALSE(ReadBackState(p, 0));
    EXPECT_FLOAT_EQ(p.outputState.Frequency, 400);
    EXPECT_EQ(p.outputState.HighRange, 1) << "nothing is made up from replies that never came";
    EXPECT_TRUE(p.outputState.ReadBack);
    EXPECT_FLOAT_EQ(p.maxVoltage[0], p.sourceModel.VoltHighRange);
    EXPECT_TRUE(trace().isEmpty()) << "nothing to ask in simulation";
    EXPECT_FALSE(p.readbackInProgress);
    EXPECT_FALSE(prompt().busy());
    EXPECT_EQ(prompt().status(1), QStringLiteral("Ready..."));
}

} // namespace
