#include "measure/Capture.h"
#include "measure/CaptureFile.h"

#include "ScriptedIo.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace ostrel;
using ostrel::test::ScriptedIo;

namespace {

QByteArray ramp(int count, float scale) {
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << QString::number(i * scale);
    return values.join(',').toLatin1() + "\n";
}

struct Acquire : ::testing::Test {
    ScriptedIo io;
    QStringList errors;

    AcquisitionResult run(const AcquisitionRequest& r) {
        return RunAcquisition(r, io, {{}, [&](const QString& e) { errors << e; }, {}}, "today");
    }
    static AcquisitionRequest request(CaptureKind kind, int phase, bool dc) {
        AcquisitionRequest r;
        r.kind = kind;
        r.phase = phase;
        r.parameter = CaptureParameterNames(phase)[static_cast<int>(kind)];
        r.dcMode = dc;
        r.intervalUs = 1; // a short window keeps the test quick
        return r;
    }
};

TEST_F(Acquire, DcModeSkipsThePhaseTriggerAndReadsTheChosenPhasesDcValues) {
    io.reply("fetch:arr:volt?", ramp(4096, 0.01f));
    io.reply("inst:coup none;:inst:nsel 2;:fetc:volt:dc?", "48.004");
    AcquisitionRequest r = request(CaptureKind::Voltage, 1, true);
    r.triggered = true;
    r.offsetMs = 2;
    const AcquisitionResult result = run(r);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(io.log,
              QStringList({"> sens:swe:offs 0.002", "> trig:acq:sour sync",
                           "> inst:coup none;:inst:nsel 2", "? meas:volt:dc?", "> init:seq3",
                           "? fetch:arr:volt?", "? inst:coup none;:inst:nsel 2;:fetc:volt:dc?",
                           "? inst:coup none;:inst:nsel 2;:fetc:curr:dc?",
                           "? inst:coup none;:inst:nsel 2;:fetc:pow:dc?"}));
    ASSERT_EQ(result.capture.readouts.size(), 3);
    EXPECT_EQ(result.capture.readouts[0].value, "48.00");
    EXPECT_EQ(result.capture.readouts[1].value, ""); // no reply: nothing made up
    EXPECT_EQ(result.capture.samples, 4096);
    EXPECT_FLOAT_EQ(result.capture.values[4095], 40.95f);
}

TEST_F(Acquire, AcModeSetsTheTriggerAndAPartialBufferAsksForItsOffsetAndSize) {
    AcquisitionRequest r = request(CaptureKind::VoltCurrent, 0, false);
    r.singlePhase = true;
    r.triggerAngle = 90;
    r.bufferBlocks = 2;
    r.offsetBlocks = 3;
    r.intervalChanged = true;
    r.intervalSeconds = 0.0000104;
    io.reply("sens:swe:tint?", "1.0E-05");
    io.reply("fetch:arr:volt? 3,2", ramp(512, 1));
    io.reply("fetch:arr:curr? 3,2", ramp(512, -1));
    const AcquisitionResult result = run(r);
    ASSERT_TRUE(result.ok) << errors.join('\n').toStdString();
    const QStringList log = io.log;
    EXPECT_EQ(log.mid(0, 8), QStringList({"> sens:swe:tint 0.0000104", "? sens:swe:tint?",
                                          "> trig:sync:sour phase", "> trig:sync:phas 90.0",
                                          "> trig:acq:sour sync", "> inst:coup none;:inst:nsel 1",
                                          "> init:seq3", "? fetch:arr:volt? 3,2"}));
    EXPECT_EQ(log[8], "? fetch:arr:curr? 3,2");
    EXPECT_EQ(log[9], "? inst:coup none;:inst:nsel 1;:fetc:volt:ac?");
    EXPECT_EQ(result.capture.readouts.size(), 8);
    EXPECT_FLOAT_EQ(result.intervalUs, 10);
    EXPECT_EQ(result.capture.samples, 512);
    EXPECT_FLOAT_EQ(result.capture.channel(1)[511], -511);
}

TEST_F(Acquire, PowerIsTheProductOfVoltageAndCurrentAndThreePhaseSelectsEachPhase) {
    io.reply("fetch:arr:volt?", ramp(4096, 1));
    io.reply("fetch:arr:curr?", ramp(4096, 0.5f));
    AcquisitionResult power = run(request(CaptureKind::Power, 0, false));
    ASSERT_TRUE(power.ok);
    EXPECT_EQ(power.capture.values.size(), 4096);
    EXPECT_FLOAT_EQ(power.capture.values[10], 50);

    io.log.clear();
    AcquisitionResult three = run(request(CaptureKind::ThreeCurrent, 1, false));
    ASSERT_TRUE(three.ok);
    const QStringList fetching = io.log.filter(QRegularExpression("nsel \\d$|fetch:arr"));
    EXPECT_EQ(fetching, QStringList({"> inst:coup none;:inst:nsel 2",
                                     "> inst:coup none;:inst:nsel 1", "? fetch:arr:curr?",
                                     "> inst:coup none;:inst:nsel 2", "? fetch:arr:curr?",
                                     "> inst:coup none;:inst:nsel 3", "? fetch:arr:curr?"}));
    EXPECT_EQ(three.capture.values.size(), 3 * 4096);
}

TEST_F(Acquire, AnArrayThatIsNotWholeIsReportedAndNothingIsKept) {
    struct Case {
        QByteArray reply;
        QString linkError;
        const char* message;
    };
    const Case cases[] = {
        {ramp(4000, 1), "", "holds 4000 of 4096 values: it is incomplete"},
        {ramp(4097, 1), "", "holds 4097 values, more than the 4096 expected"},
        {"", "The reply to \"fetch:arr:volt?\" is incomplete.", "is incomplete"},
    };
    for (const Case& c : cases) {
        errors.clear();
        io.reply("fetch:arr:volt?", c.reply);
        if (!c.linkError.isEmpty()) io.failArray("fetch:arr:volt?", c.linkError);
        const AcquisitionResult result = run(request(CaptureKind::Voltage, 0, false));
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.capture.values.isEmpty());
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(c.message)) << errors[0].toStdString();
        EXPECT_TRUE(errors[0].contains("fetch:arr:volt?"));
    }
}

TEST_F(Acquire, ABinaryBlockIsAcceptedInPlaceOfText) {
    QByteArray data;
    for (int i = 0; i < 4096; ++i) {
        char b[4];
        qToBigEndian(float(i) / 4, b);
        data.append(b, 4);
    }
    io.reply("fetch:arr:curr?", "#516384" + data + "\n");
    const AcquisitionResult result = run(request(CaptureKind::Current, 0, false));
    ASSERT_TRUE(result.ok);
    EXPECT_FLOAT_EQ(result.capture.values[4095], 1023.75f);
}

class CaptureFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    static Capture sample(CaptureKind kind, int samples) {
        Capture c;
        c.parameter = CaptureParameterNames(0)[static_cast<int>(kind)];
        c.title = CaptureTitle(kind, 0);
        c.samples = samples;
        c.offsetText = "2";
        c.intervalUs = 10.4f;
        c.limits = {-425, 425, -34, 34, -5000, 5000};
        c.readouts = {{"Voltage (Vrms)", "120.00"}, {"Current THD", "3.10 %"}};
        for (int i = 0; i < samples * ChannelCount(kind); ++i)
            c.values << i * 0.1f;
        return c;
    }
    QStringList lines(const QString& path) const {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
};

TEST_F(CaptureFileTest, VoltAndCurrentRoundTripsInterleaved) {
    const Capture saved = sample(CaptureKind::VoltCurrent, 3);
    const QString path = dir.filePath("cap.wfd");
    QString error;
    ASSERT_TRUE(WriteCaptureFile(path, saved, error)) << error.toStdString();
    EXPECT_EQ(lines(path), QStringList({"\"Voltage (Vrms) =\t120.00\"", "\"Current THD =\t3.10 %\"",
                                        "-425,425,-34,34,-5000,5000", "Phase A Voltage and Current",
                                        "Volt & Curr phase A", "3", "\"2\"", "10.4", "0", "0.3",
                                        "0.1", "0.4", "0.2", "0.5"}));
    Capture opened;
    ASSERT_TRUE(ReadCaptureFile(path, opened, error)) << error.toStdString();
    EXPECT_EQ(opened.values, saved.values);
    EXPECT_EQ(opened.kind(), CaptureKind::VoltCurrent);
    EXPECT_EQ(opened.readouts[1].name, "Current THD");
    EXPECT_EQ(opened.readouts[1].value, "3.10 %");
    EXPECT_EQ(opened.limits, saved.limits);
    EXPECT_FLOAT_EQ(opened.intervalUs, 10.4f);
}

TEST_F(CaptureFileTest, ThreePhaseCapturesKeepTheirPhaseOrder) {
    const Capture saved = sample(CaptureKind::ThreeVoltage, 4096);
    const QString path = dir.filePath("three.wfd");
    QString error;
    ASSERT_TRUE(WriteCaptureFile(path, saved, error));
    Capture opened;
    ASSERT_TRUE(ReadCaptureFile(path, opened, error)) << error.toStdString();
    EXPECT_EQ(opened.channel(2), saved.channel(2));
}

TEST_F(CaptureFileTest, CountsBeyondTheLayoutAndSurplusOrMissingSamplesAreRefused) {
    const QString path = dir.filePath("cap.wfd");
    QString error;
    ASSERT_TRUE(WriteCaptureFile(path, sample(CaptureKind::Voltage, 4), error));
    const QStringList good = lines(path); // 2 readouts, 6 header records, 4 samples
    struct Case {
        QStringList text;
        const char* message;
    };
    QStringList huge = good;
    huge[5] = "5000";
    const Case cases[] = {
        {huge, "line 6: the sample count must be 1 to 4096"},
        {good + QStringList{"9"}, "line 13: more than the 4 samples the file announces"},
        {good.mid(0, 11), "line 12: the file ends after 3 of 4 samples"},
        {good.mid(0, 5), "the file ends in its header"},
    };
    for (const Case& c : cases) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(c.text.join("\r\n").toUtf8());
        f.close();
        Capture kept;
        kept.title = "kept";
        EXPECT_FALSE(ReadCaptureFile(path, kept, error));
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
        EXPECT_TRUE(error.contains(c.message)) << error.toStdString();
        EXPECT_EQ(kept.title, "kept");
    }
}

} // namespace
