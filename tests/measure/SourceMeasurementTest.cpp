// The measurement windows against the virtual source's own meter: spectra,
// THD, captured records in both array forms, and the energy meter.
#include "WindowFixture.h"

#include "core/Program.h"
#include "measure/frmHMeas.h"
#include "measure/frmTMeas.h"
#include "measure/frmWattHour.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class AgainstTheSource : public WindowFixture {
protected:
    void program120Volts(const QString& shape = "sin") {
        program().link.Send(0, "volt 120;:freq 60;:func " + shape + ";:outp on");
        program().outputState.Phase[0].Voltage = 120;
        program().outputState.Frequency = 60;
    }
    static float peak(const QVector<float>& values) {
        float m = 0;
        for (float v : values)
            m = std::max(m, std::abs(v));
        return m;
    }
};

TEST_F(AgainstTheSource, ASquareWavesOddHarmonicsFollowOneOverN) {
    connectSource({"--load", "r=50"});
    program120Volts("square");
    frmHMeas window(program(), state);
    click(&window, "cmdMeas");
    const HarmonicSet& v = window.data().voltage;
    ASSERT_GT(v.amplitude[1], 100);
    for (int n = 3; n <= 15; n += 2)
        EXPECT_NEAR(v.amplitude[n] / v.amplitude[1], 1.0 / n, 0.01 / n) << n;
    for (int n = 2; n <= 14; n += 2)
        EXPECT_LT(v.amplitude[n] / v.amplitude[1], 0.002) << n;
    EXPECT_TRUE(prompt().messages().isEmpty()) << prompt().messages().join('\n').toStdString();
}

TEST_F(AgainstTheSource, ThdInBothReferenceModesMatchesTheSpectrumRead) {
    connectSource({"--load", "r=50"});
    program120Volts("square");
    frmHMeas window(program(), state);
    struct Mode {
        const char* command;
        bool rms;
    };
    for (const Mode m : {Mode{"meas:thd:mode fund", false}, Mode{"meas:thd:mode rmsq", true}}) {
        program().link.Send(0, m.command);
        click(&window, "cmdMeas");
        const HarmonicSet& v = window.data().voltage;
        double harmonics = 0;
        for (int h = 2; h < kHarmonicRows; ++h)
            harmonics += double(v.amplitude[h]) * v.amplitude[h];
        const double fundamental = double(v.amplitude[1]) * v.amplitude[1];
        const double expected =
            100 * std::sqrt(harmonics / (m.rms ? fundamental + harmonics : fundamental));
        EXPECT_NEAR(window.data().voltageThd, expected, 0.02 * expected) << m.command;
        EXPECT_NEAR(window.data().voltageThd, m.rms ? 43.5 : 48.3, 1.5) << m.command;
    }
}

TEST_F(AgainstTheSource, ACapturedSineRoundTripsThroughAWaveformFile) {
    connectSource({"--load", "r=50"});
    program120Volts();
    frmTMeas window(program(), state);
    control<QComboBox>(&window, "cmbParam")->setCurrentIndex(3); // voltage and current
    window.findChild<QAction*>("tb-wavemeas")->trigger();
    const Capture taken = window.capture();
    ASSERT_EQ(taken.samples, 4096) << prompt().messages().join('\n').toStdString();
    EXPECT_NEAR(peak(taken.channel(0)), 120 * std::sqrt(2.0), 2);
    EXPECT_NEAR(peak(taken.channel(1)), 120 * std::sqrt(2.0) / 50, 0.05);
    EXPECT_NEAR(control<QLabel>(&window, "lblMeas", 0)->text().toDouble(), 120, 0.5);

    prompt().chooseFile(fixture.tempPath("sine.wfd"));
    window.findChild<QAction*>("tb-filesave")->trigger();
    window.findChild<QAction*>("tb-clear")->trigger();
    prompt().chooseFile(fixture.tempPath("sine.wfd"));
    window.findChild<QAction*>("tb-fileopen")->trigger();
    EXPECT_EQ(window.capture().values, taken.values);
    EXPECT_EQ(window.capture().readouts.size(), taken.readouts.size());
    EXPECT_FLOAT_EQ(window.capture().intervalUs, taken.intervalUs);
}

TEST_F(AgainstTheSource, ABinaryBlockCaptureComesThroughTheGpibShim) {
    ASSERT_TRUE(source.start({"--gpib", "--load", "r=50"})) << source.errorString().toStdString();
    program().settings.link.bus = BusGpib;
    program().settings.link.sourceAddress = 5;
    qputenv("OSTREL_GPIB_LIBRARY", VirtualSourceProcess::gpibShimPath().toLocal8Bit());
    qputenv("OSTREL_VSOURCE_GPIB", source.gpibSocket().toLocal8Bit());
    program120Volts();
    program().link.Send(0, "meas:arr:mode bin");
    frmTMeas window(program(), state);
    window.findChild<QAction*>("tb-wavemeas")->trigger();
    ASSERT_EQ(window.capture().samples, 4096) << prompt().messages().join('\n').toStdString();
    EXPECT_NEAR(peak(window.capture().values), 120 * std::sqrt(2.0), 2);
    EXPECT_EQ(program().link.Query(0, "meas:arr:mode?"), "BIN");
}

TEST_F(AgainstTheSource, TheWattHourMeterGivesTheEnergyOfTheLoad) {
    connectSource({"--load", "r=50", "--time-scale", "3600"});
    program120Volts();
    frmWattHour window(program(), state);
    click(&window, "cmdStart");
    QTest::qWait(1500); // an hour and a half on the source's clock
    window.tick();
    const QStringList fields = control<QLabel>(&window, "lblMELT")->text().split(':');
    ASSERT_EQ(fields.size(), 4);
    const double hours = fields[0].toDouble() + fields[1].toDouble() / 60 +
                         fields[2].toDouble() / 3600 + fields[3].toDouble() / 3.6e6;
    ASSERT_GT(hours, 0.5);
    const double watts = 120.0 * 120.0 / 50;
    EXPECT_NEAR(window.meter().energy()[0], watts * hours, 0.01 * watts * hours);
    click(&window, "cmdStop");
}

} // namespace
