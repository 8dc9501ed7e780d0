// Readings from the programmed output through the configured load.
#include "VsourceFixture.h"

#include <cmath>

namespace ostrel::test {
namespace {

double number(const QString& text) {
    return text.toDouble();
}

TEST_F(VsourceTest, OpenRelayMeasuresNothing) {
    startSource();
    send("volt 115");
    EXPECT_EQ(query("meas:volt:ac?;:meas:curr:ac?;:meas:pow:ac?"), QStringLiteral("0.0;0.0;0.0"));
    EXPECT_EQ(query("meas:freq?"), QStringLiteral("60.0"));
}

TEST_F(VsourceTest, ReadingsFollowTheOutputAndTheLoad) {
    startSource({QStringLiteral("--load"), QStringLiteral("r=23")});
    send("outp 1;:volt 115;:curr 6");
    const std::vector<std::pair<QByteArray, double>> ac = {
        {"meas:volt:ac?", 115},
        {"meas:volt:dc?", 0},
        {"meas:curr:ac?", 5},
        {"fetc:pow:ac?", 575},
        {"fetc:pow:ac:app?", 575},
        {"fetc:pow:ac:pfac?", 1},
        {"fetc:curr:cres?", std::sqrt(2.0)},
        {"fetc:freq?", 60},
        {"fetc:phas?", 0},
        {"fetc:volt:harm:thd?", 0},
        {"fetc:curr:harm:thd?", 0},
    };
    for (const auto& [line, value] : ac)
        EXPECT_NEAR(number(query(line)), value, 1e-4) << line.toStdString();

    // Above the current limit the voltage drops with the current held at the limit.
    send("curr 2");
    EXPECT_NEAR(number(query("meas:curr:ac?")), 2, 1e-9);
    EXPECT_NEAR(number(query("fetc:volt:ac?")), 46, 1e-9);

    send("sour:mode dc;:volt 46;:curr 6");
    EXPECT_NEAR(number(query("meas:volt:dc?")), 46, 1e-9);
    EXPECT_NEAR(number(query("fetc:curr:dc?")), 2, 1e-9);
    EXPECT_NEAR(number(query("fetc:pow:dc?")), 92, 1e-9);
    EXPECT_EQ(query("fetc:volt:ac?;:fetc:freq?"), QStringLiteral("0.0;0.0"));
}

TEST_F(VsourceTest, NonLinearLoadDrawsHarmonicCurrent) {
    startSource({QStringLiteral("--load"), QStringLiteral("r=10,thd=50,lag=30")});
    send("outp 1;:volt 50");
    EXPECT_NEAR(number(query("meas:curr:harm:thd?")), 50, 1e-3);
    EXPECT_NEAR(number(query("fetc:curr:ac?")), 5 * std::sqrt(1.25), 1e-3);
    EXPECT_NEAR(number(query("fetc:pow:ac?")), 50 * 5 * std::cos(M_PI / 6), 1e-2);
    EXPECT_NEAR(number(query("fetc:phas?")), -30, 1e-9);
    EXPECT_GT(number(query("fetc:curr:cres?")), std::sqrt(2.0));

    // Square wave output: the voltage distortion of its harmonics up to the 50th.
    send("func squ");
    EXPECT_NEAR(number(query("meas:volt:harm:thd?")), 47.8, 0.5);
    send("func:csin 12 thd;:func csin");
    EXPECT_NEAR(number(query("meas:volt:harm:thd?")), 12, 1e-9);
}

TEST_F(VsourceTest, MeasureTakesAFreshReadingAndFetchRepeatsTheLast) {
    startSource({QStringLiteral("--noise"), QStringLiteral("0.01"), QStringLiteral("--seed"),
                 QStringLiteral("7")});
    send("outp 1;:volt 100");
    QString first = query("meas:volt:ac?");
    EXPECT_NEAR(number(first), 100, 5);
    EXPECT_EQ(query("fetc:volt:ac?"), first);
    EXPECT_NE(query("meas:volt:ac?"), first);

    // The same seed gives the same readings.
    VirtualSourceProcess again;
    ASSERT_TRUE(again.start({QStringLiteral("--noise"), QStringLiteral("0.01"),
                             QStringLiteral("--seed"), QStringLiteral("7")}));
    ScpiClient other;
    ASSERT_TRUE(other.connectTo(again.host(), again.port()));
    other.send("outp 1;:volt 100");
    EXPECT_EQ(other.query("meas:volt:ac?").value_or(QString()), first);
}

TEST_F(VsourceTest, PeakCurrentHoldsInrushUntilReset) {
    startSource({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--load"),
                 QStringLiteral("r=20,inrush=4")});
    send("volt 100;:outp 1");
    const double steadyPeak = 5 * std::sqrt(2.0);
    EXPECT_NEAR(number(query("meas:curr:ampl:max?")), 4 * steadyPeak, 1e-3);
    send("inst:coup none;:inst:nsel 2;:meas:curr:ampl:res");
    EXPECT_NEAR(number(query("meas:curr:ampl:max?")), steadyPeak, 1e-3);
    EXPECT_NEAR(number(query("inst:nsel 3;:meas:curr:ampl:max?")), 4 * steadyPeak, 1e-3);

    // The control port changes the load of one phase while it runs.
    ASSERT_TRUE(source.control(QStringLiteral("load 3 r=50")));
    EXPECT_NEAR(number(query("inst:nsel 3;:meas:curr:ac?")), 2, 1e-9);
    EXPECT_NEAR(number(query("inst:nsel 1;:meas:curr:ac?")), 5, 1e-9);
}

TEST_F(VsourceTest, ReadingsDuringAListFollowItsPresentValues) {
    startSource();
    send("outp 1;:volt 10;:list:dwell 1,1;:list:volt 80,20;:volt:mode list;:init");
    EXPECT_NEAR(number(query("meas:volt:ac?")), 80, 1e-9);
    send("abort");
}

} // namespace
} // namespace ostrel::test
