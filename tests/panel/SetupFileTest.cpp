#include "panel/SetupFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrel;

class SetupFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SourceModel model;
    OutputState current;

    SetupFileTest() {
        model.ModelIndex = 4;
        current.Frequency = 60;
        current.Phase[0].DcOffset = 7; // not part of the file
    }
    QString write(const QByteArray& text) {
        const QString path = dir.filePath("bench.stp");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }
};

TEST_F(SetupFileTest, RoundTripKeepsEveryFieldInvariantly) {
    OutputState s;
    s.Frequency = 400;
    s.HighRange = 1;
    s.OutputMode = ModeACDC;
    s.MultiPhaseOutput = 1;
    s.CurrentProtection = 1;
    s.OutputOn = 1;
    s.ProtectionDelay = 0.25f;
    s.ExternalSense = 1;
    s.SenseCoupling = 0;
    s.AlcMode = 2;
    s.ImpedanceNetwork = 1;
    s.RemoteInhibit = 2;
    s.Phase[1] = {230.5f, 1.25f, 240, 3, 12, -12.5f};
    const QString path = dir.filePath("bench.stp");
    QString error;
    ASSERT_TRUE(WriteSetupFile(path, 4, s, &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "4\r\n400,1,2,1,1,1,0.25,1,0,2,1,2\r\n0,0,0,0,0,0\r\n230.5,1.25,240,3,12,-12.5\r\n"
                           "0,0,0,0,0,0\r\n");

    const SetupReadResult r = ReadSetupFile(path, model, current);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_FLOAT_EQ(r.state.Frequency, 400);
    EXPECT_EQ(r.state.RemoteInhibit, 2);
    EXPECT_FLOAT_EQ(r.state.Phase[1].Voltage, 230.5f);
    EXPECT_EQ(r.state.Phase[1].WaveformIndex, 3);
    EXPECT_FLOAT_EQ(r.state.Phase[1].DcVoltage, -12.5f);
    EXPECT_FLOAT_EQ(r.state.Phase[0].DcOffset, 7); // kept from the present state
}

TEST_F(SetupFileTest, DamagedFilesChangeNothingAndNameTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"4\n60,0,0,0,0,0,0.1,0,1,0,0\n", "bench.stp, line 2: 12 fields expected, 11 found."},
        {"4\n60,0,0,0,0,0,0.1,0,1,0,0,0\n115,5,0,0,0,0\n", "bench.stp, line 4: 6 fields expected, 0 found."},
        {"4\n60,0,3,0,0,0,0.1,0,1,0,0,0\n", "bench.stp, line 2: Output mode must be a whole number from 0 to 2."},
        {"4\n6O,0,0,0,0,0,0.1,0,1,0,0,0\n", "bench.stp, line 2: Frequency \"6O\" is not a number."},
        {"4\n2000,0,0,0,0,0,0.1,0,1,0,0,0\n", "bench.stp, line 2: Frequency 2000 Hz is outside 16 to 1000 Hz."},
        {"4\n60,0,0,0,0,0,0.1,0,1,0,0,0\n115,5,0,0,0,0\n151,5,0,0,0,0\n0,5,0,0,0,0\n",
         "bench.stp, line 4: AC voltage 151 V is outside 0 to 150 V."},
        {"4\n60,1,0,0,0,0,0.1,0,1,0,0,0\n115,5,0,0,0,0\n0,1,0,0,0,0\n0,1,0,0,0,0\n",
         "bench.stp, line 3: Current limit 5 A is outside 0 to 3.25 A."},
        {"four\n", "bench.stp, line 1: Model index \"four\" is not a number."},
        // Numbers far beyond a whole-number field are refused, not converted.
        {"1e10\n", "bench.stp, line 1: Model index must be a whole number from 0 to 100."},
        {"-3e9\n", "bench.stp, line 1: Model index must be a whole number from 0 to 100."},
        {"4\n60,0,0,0,0,1e10,0.1,0,1,0,0,0\n", "bench.stp, line 2: Output relay must be a whole number from 0 to 1."},
        {"4\n60,0,0,0,0,0,0.1,0,1,0,0,0\n115,5,0,4e9,0,0\n", "bench.stp, line 3: Waveform must be a whole number from 0 to 64."},
        {"4\n60,0,0,0,0,0,0.1,0,1,0,0,0\n115,5,0,0,2.5e38,0\n", "bench.stp, line 3: Clip level must be a whole number from 0 to 100."},
        {"", "bench.stp, line 1: 1 fields expected, 0 found."},
        {"\x01\x02\xff\n", "bench.stp, line 1: Model index \"\x01\x02\xff\" is not a number."},
    };
    model.CurrentMax = 6.5f;
    for (const Case& c : cases) {
        const SetupReadResult r = ReadSetupFile(write(c.text), model, current);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error, QString::fromLatin1(c.error)) << c.text;
        EXPECT_FLOAT_EQ(r.state.Frequency, 60) << c.text;
    }
}

TEST_F(SetupFileTest, FileForAnotherModelIsRefusedFirst) {
    const SetupReadResult r = ReadSetupFile(write("1\ngarbage\n"), model, current);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.wrongModel);
    EXPECT_EQ(r.error, kWrongModelMessage);
}
