#include "measure/Harmonics.h"
#include "measure/HarmonicFile.h"

#include "ScriptedIo.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace ostrel;
using ostrel::test::ScriptedIo;

namespace {

const QDateTime kNow(QDate(2024, 3, 5), QTime(14, 7, 9));

struct Acquisition : ::testing::Test {
    ScriptedIo io;
    MeasurementState state;
    HarmonicData data;
    QStringList errors;
    QStringList statuses;

    void acquire(const HarmonicRequest& request) {
        AcquireHarmonics(
            request, io, state, data, kNow,
            {[&](const QString& s) { statuses << s; }, [&](const QString& e) { errors << e; }});
    }
};

TEST_F(Acquisition, TheConversationSwitchesSenseCouplingAroundTheArraysInAcMode) {
    io.reply("inst:nsel 2;:meas:arr:curr:harm?", "0.01,5.2,0,1.7");
    io.reply("fetch:arr:curr:harm:phas?", "0,-30,0,45");
    io.reply("inst:nsel 2;:meas:volt:harm:thd?", "2.5");
    io.reply("meas:curr:harm:thd?", "31.0");
    acquire({1, true, true, 400});
    EXPECT_EQ(io.log, QStringList({"> sens:coup dc", "? inst:nsel 2;:meas:arr:curr:harm?",
                                   "? fetch:arr:curr:harm:phas?", "> sens:coup ac",
                                   "? inst:nsel 2;:meas:volt:harm:thd?", "? meas:curr:harm:thd?"}));
    EXPECT_FALSE(state.senseCouplingSwitched);
    EXPECT_EQ(data.parameter, "Current");
    EXPECT_EQ(data.date, "2024-03-05 , 14:07:09");
    EXPECT_FLOAT_EQ(data.current.amplitude[1], 5.2f);
    EXPECT_FLOAT_EQ(data.current.phase[3], 45.f);
    EXPECT_FLOAT_EQ(data.voltageThd, 2.5f);
    EXPECT_FLOAT_EQ(data.currentThd, 31.f);
    EXPECT_EQ(statuses.first(), "Retrieving Phase B Harmonic Amplitude Data...");
    EXPECT_EQ(statuses.last(), "Use left mouse button to zoom graph...");

    io.log.clear();
    acquire({0, false, false, 60}); // not AC: the coupling stays
    EXPECT_FALSE(io.sends().contains("sens:coup dc"));
    EXPECT_TRUE(errors.contains("The source did not answer \"inst:nsel 1;:meas:arr:volt:harm?\"."));
}

TEST_F(Acquisition, AShortReplyFillsItsRowsAndALongOneChangesNothingAndIsReported) {
    data.voltage.amplitude.fill(7.f);
    data.voltage.phase.fill(9.f);
    io.reply("inst:nsel 1;:meas:arr:volt:harm?", "0.5,120");
    QByteArray tooMany = "1";
    for (int i = 1; i < 52; ++i)
        tooMany += ",1";
    io.reply("fetch:arr:volt:harm:phas?", tooMany);
    io.queueErrors({"-222,\"Data out of range\""});
    acquire({0, false, true, 60});
    EXPECT_FLOAT_EQ(data.voltage.amplitude[0], 0.5f);
    EXPECT_FLOAT_EQ(data.voltage.amplitude[1], 120.f);
    EXPECT_FLOAT_EQ(data.voltage.amplitude[2], 7.f);
    EXPECT_FLOAT_EQ(data.voltage.phase[0], 9.f);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_EQ(errors[0], "-222,\"Data out of range\"");
    EXPECT_TRUE(errors[1].contains("\"fetch:arr:volt:harm:phas?\" holds 52 values"))
        << errors[1].toStdString();
}

TEST(HarmonicViews, RelativeValuesNeedAFundamental) {
    EXPECT_FLOAT_EQ(*RelativePercent(12.f, 120.f), 10.f);
    EXPECT_FALSE(RelativePercent(12.f, 0.f).has_value());
}

TEST(HarmonicViews, TimeDomainAddsTheHarmonicsButNeitherDcNorZeroAmplitudes) {
    HarmonicSet set;
    set.amplitude[0] = 50; // DC term: left out
    set.amplitude[1] = 100;
    set.phase[1] = -90; // taken as 270: a negative cosine
    set.amplitude[3] = 0;
    set.phase[3] = 33; // no amplitude, no contribution
    set.amplitude[5] = 20;
    const auto y = TimeDomain(set);
    for (int t : {0, 45, 90, 200, 359}) {
        const double rad = t * M_PI / 180;
        EXPECT_NEAR(y[t], -100 * std::cos(rad) + 20 * std::sin(5 * rad), 1e-3) << t;
    }
}

TEST(HarmonicLog, HeaderAndRowHaveTheSameColumnsWithAndWithoutPhases) {
    HarmonicSet set;
    set.amplitude[1] = 123.4f;
    set.phase[1] = -5;
    for (bool phases : {false, true}) {
        const QString header = HarmonicLogHeader(true, phases, '\t');
        const QString row = HarmonicLogRow(set, kNow, 2, true, phases, '\t');
        EXPECT_EQ(header.count('\t'), row.count('\t'));
        EXPECT_TRUE(row.startsWith("2024-03-05\t14:07:09\tC\t0.00E+00\t")) << row.toStdString();
        EXPECT_TRUE(row.contains(phases ? "\t1.23E+02\t-5.00E+00\t" : "\t1.23E+02\t0.00E+00"));
    }
    EXPECT_TRUE(HarmonicLogHeader(false, true, ',')
                    .startsWith(R"x("Time_serial","Phase","DC","blank","1","Phs1","2","Phs2")x"));
}

class HarmonicFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }
    QString write(const char* name, const QByteArray& text) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path(name);
    }
};

TEST_F(HarmonicFileTest, RoundTripFillsTheSetTheFileNamesAndKeepsTheOther) {
    HarmonicData saved;
    saved.date = "2024-03-05 , 14:07:09";
    saved.parameter = "Current";
    saved.frequency = 400;
    saved.voltageThd = 1.25f;
    saved.currentThd = 30.5f;
    for (int i = 0; i < kHarmonicRows; ++i) {
        saved.current.amplitude[i] = 10.0f / (i + 1);
        saved.current.phase[i] = -1.5f * i;
    }
    QString error;
    ASSERT_TRUE(WriteHarmonicFile(path("load.hmd"), saved, error)) << error.toStdString();
    QFile f(path("load.hmd"));
    f.open(QIODevice::ReadOnly);
    const QList<QByteArray> lines = f.readAll().split('\n');
    EXPECT_EQ(lines[0], "\"2024-03-05 , 14:07:09\"\r");
    EXPECT_EQ(lines[1], "\"Current\"\r");
    EXPECT_EQ(lines[3], "1.25,30.5\r");
    EXPECT_EQ(lines[6], "3.3333333,-3\r");

    HarmonicData opened;
    opened.voltage.amplitude[1] = 99;
    ASSERT_TRUE(ReadHarmonicFile(path("load.hmd"), opened, error)) << error.toStdString();
    EXPECT_EQ(opened.parameter, "Current");
    EXPECT_EQ(opened.current.amplitude, saved.current.amplitude);
    EXPECT_EQ(opened.current.phase, saved.current.phase);
    EXPECT_FLOAT_EQ(opened.frequency, 400);
    EXPECT_FLOAT_EQ(opened.voltage.amplitude[1], 99); // the other set is kept
}

// A damaged file may bring a bare field with a stray quote; it is read as it
// stands, but quoted again it would not read back, so it is never written.
TEST_F(HarmonicFileTest, AStrayQuoteIsReadButNotWrittenAndTheOldFileStays) {
    QByteArray text = "\"d\"\r\n/Voltage\"\r\n60\r\n1,2\r\n";
    for (int i = 0; i < kHarmonicRows; ++i)
        text += "1,0\r\n";
    HarmonicData data;
    QString error;
    ASSERT_TRUE(ReadHarmonicFile(write("stray.hmd", text), data, error)) << error.toStdString();
    EXPECT_EQ(data.parameter, "/Voltage\"");

    const QString old = write("old.hmd", "old");
    EXPECT_FALSE(WriteHarmonicFile(old, data, error));
    EXPECT_EQ(error, "The harmonic data file " + old +
                         " was not written: \"/Voltage\"\": a double quote or a line break cannot be stored.");
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");
}

TEST_F(HarmonicFileTest, DamagedFilesAreRefusedByLineAndChangeNothing) {
    QByteArray good = "\"d\"\r\n\"Voltage\"\r\n60\r\n1,2\r\n";
    for (int i = 0; i < kHarmonicRows; ++i)
        good += "1,0\r\n";
    struct Case {
        QByteArray text;
        const char* where;
    };
    QByteArray badNumber = good;
    badNumber.replace("60\r\n", "sixty\r\n");
    QByteArray badRow = good;
    badRow.replace(badRow.lastIndexOf("1,0"), 3, "1;0");
    const Case cases[] = {
        {good + "1,0\r\n", "line 56: more than 51 harmonic rows"},
        {good.left(good.size() - 10), "line 54: the file ends"},
        {badNumber, "line 3: the frequency is not a number"},
        {badRow, "line 55: an amplitude and a phase are expected"},
    };
    for (const Case& c : cases) {
        const QString file = write("bad.hmd", c.text);
        HarmonicData data;
        data.voltage.amplitude[4] = 42;
        QString error;
        EXPECT_FALSE(ReadHarmonicFile(file, data, error));
        EXPECT_TRUE(error.contains(file + ", " + c.where)) << error.toStdString();
        EXPECT_FLOAT_EQ(data.voltage.amplitude[4], 42);
        EXPECT_EQ(data.parameter, "Voltage");
    }
}

} // namespace
