// Measurement arrays: the harmonic lines, the acquired waveforms in text and
// binary blocks, and the watt-hour meter on the virtual clock.
#include "VsourceFixture.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtEndian>

#include <cmath>

namespace ostrel::test {
namespace {

constexpr int kLines = 51;

std::vector<double> numbers(const QString& reply) {
    std::vector<double> v;
    for (const QString& field : reply.split(QLatin1Char(','), Qt::SkipEmptyParts))
        v.push_back(field.toDouble());
    return v;
}

double thd(const std::vector<double>& a, bool rms) {
    double harmonics = 0;
    for (size_t h = 2; h < a.size(); ++h)
        harmonics += a[h] * a[h];
    return 100 * std::sqrt(harmonics / (rms ? harmonics + a[1] * a[1] : a[1] * a[1]));
}

// One period with a fundamental of 1 and a fifth of 0.2 at 30 degrees; it
// peaks above full scale, so the limit check is switched off first.
QByteArray fifthHarmonicRegister() {
    QByteArray line = "trac:lim off;:trac:def FIFTH;:trac:data FIFTH";
    for (int i = 0; i < 1024; ++i) {
        const double x = 2 * M_PI * i / 1024;
        line += "," + QByteArray::number(std::sin(x) + 0.2 * std::sin(5 * x + M_PI / 6), 'f', 12);
    }
    return line;
}

class ArrayTest : public VsourceTest {
protected:
    void SetUp() override {
        startSource({QStringLiteral("--model"), QStringLiteral("4"), QStringLiteral("--load"),
                     QStringLiteral("r=50,lag=30")});
    }
};

TEST_F(ArrayTest, HarmonicLinesOfEachShape) {
    send(fifthHarmonicRegister());
    send("outp 1;:volt 100;:func:csin 12 thd");
    struct Case {
        QByteArray shape;
        std::vector<std::pair<int, double>> relative; // harmonic, amplitude / fundamental
        std::vector<std::pair<int, double>> phases;   // harmonic, degrees
    };
    std::vector<std::pair<int, double>> square;
    for (int n = 1; n < kLines; ++n)
        square.emplace_back(n, n % 2 ? 1.0 / n : 0.0);
    const std::vector<Case> cases = {
        {"sin", {{0, 0}, {1, 1}, {2, 0}, {3, 0}, {50, 0}}, {{1, 0}}},
        {"squ", square, {{1, 0}, {3, 0}, {49, 0}}},
        {"fifth", {{1, 1}, {3, 0}, {5, 0.2}, {7, 0}}, {{1, 0}, {5, 30}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape.toStdString());
        send("func " + c.shape);
        const std::vector<double> v = numbers(query("inst:nsel 1;:meas:arr:volt:harm?"));
        const std::vector<double> phase = numbers(query("fetch:arr:volt:harm:phas?"));
        ASSERT_EQ(v.size(), size_t(kLines));
        ASSERT_EQ(phase.size(), size_t(kLines));
        for (const auto& [h, ratio] : c.relative)
            EXPECT_NEAR(v[size_t(h)] / v[1], ratio, 0.005 * std::max(ratio, 0.1))
                << "harmonic " << h;
        for (const auto& [h, degrees] : c.phases)
            EXPECT_NEAR(phase[size_t(h)], degrees, 0.05) << "harmonic " << h;

        // The arrays and the THD readings agree in both reference modes.
        for (const char* mode : {"fund", "rmsq"}) {
            send(QByteArray("meas:thd:mode ") + mode);
            const double reading = query("meas:volt:harm:thd?").toDouble();
            EXPECT_NEAR(thd(v, mode[0] == 'r'), reading, 0.01 + 1e-4 * reading) << mode;
        }
        send("meas:thd:mode fund");
    }
    // The known spectrum of the register: 20 % of the fundamental, 19.61 % of the rms.
    send("func fifth");
    EXPECT_NEAR(query("meas:volt:harm:thd?").toDouble(), 20, 0.01);
    send("meas:thd:mode rmsq");
    EXPECT_NEAR(query("meas:volt:harm:thd?").toDouble(), 100 * 0.2 / std::sqrt(1.04), 0.01);
    // The clipped sine reads its programmed distortion from its lines too.
    send("meas:thd:mode fund;:func csin");
    EXPECT_NEAR(thd(numbers(query("meas:arr:volt:harm?")), false), 12, 0.01);
}

TEST_F(ArrayTest, CurrentLinesFollowTheLoad) {
    ASSERT_TRUE(source.control(QStringLiteral("load 2 r=25,thd=40,lag=0")));
    send("outp 1;:sour:mode acdc;:volt 100;:volt:offs 10;:inst:coup none");
    struct Case {
        int phase;
        double fundamental, fundamentalPhase, third, dc;
    };
    const std::vector<Case> cases = {{1, 2, -30, 0, 0.2}, {2, 4, 0, 1.6, 0.4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        send("inst:nsel " + QByteArray::number(c.phase));
        const std::vector<double> i = numbers(query("meas:arr:curr:harm?"));
        const std::vector<double> phase = numbers(query("fetc:arr:curr:harm:phas?"));
        ASSERT_EQ(i.size(), size_t(kLines));
        EXPECT_NEAR(i[0], c.dc, 1e-6);
        EXPECT_NEAR(i[1], c.fundamental, 1e-6);
        EXPECT_NEAR(i[3], c.third, 1e-6);
        EXPECT_NEAR(phase[1], c.fundamentalPhase, 1e-6);
        EXPECT_NEAR(thd(i, false), query("fetc:curr:harm:thd?").toDouble(), 1e-3);
    }
    // AC sense coupling hides the DC line.
    send("sens:coup ac");
    EXPECT_EQ(numbers(query("meas:arr:volt:harm?"))[0], 0);
    send("sens:coup dc");
    EXPECT_NEAR(numbers(query("meas:arr:volt:harm?"))[0], 10, 1e-6);
}

QByteArray readBlock(ScpiClient& client) {
    QByteArray data;
    QElapsedTimer timer;
    timer.start();
    qsizetype want = -1;
    while (timer.elapsed() < 5000 && (want < 0 || data.size() < want)) {
        if (!client.device().bytesAvailable()) client.device().waitForReadyRead(100);
        data += client.device().readAll();
        if (want < 0 && data.size() >= 2) {
            const int digits = data[1] - '0';
            if (data.size() >= 2 + digits) want = 2 + digits + data.mid(2, digits).toInt() + 1;
        }
    }
    return data;
}

TEST_F(ArrayTest, AcquisitionTriggeredByPhase) {
    send("outp 1;:volt 100;:freq 50;:inst:coup none;:inst:nsel 1");
    EXPECT_FALSE(client.query("fetc:arr:volt?", 300).has_value()) << "no acquisition taken yet";
    EXPECT_EQ(drainErrors(), QStringList{QStringLiteral("-230,\"Data corrupt or stale\"")});

    send("sens:swe:tint 0.0001;:sens:swe:offs 0.002;:trig:sync:sour phase;:trig:sync:phas 90");
    send("trig:acq:sour sync;:init:name acq");
    QThread::msleep(50);
    const std::vector<double> v = numbers(query("fetch:arr:volt?"));
    const std::vector<double> i = numbers(query("fetch:arr:curr?"));
    ASSERT_EQ(v.size(), 4096u);
    ASSERT_EQ(i.size(), 4096u);
    // The first sample lies 2 ms (36 degrees at 50 Hz) after the trigger angle.
    for (size_t n : {0u, 1u, 100u, 4095u}) {
        const double angle = (90 + 36 + 360 * 50 * 1e-4 * double(n)) * M_PI / 180;
        EXPECT_NEAR(v[n], 100 * std::sqrt(2.0) * std::sin(angle), 1e-3) << n;
        EXPECT_NEAR(i[n], 2 * std::sqrt(2.0) * std::sin(angle - M_PI / 6), 1e-5) << n;
    }

    // Phase B of the same record runs 240 degrees on from phase A.
    const std::vector<double> b = numbers(query("inst:nsel 2;:fetch:arr:volt? 0,1"));
    ASSERT_EQ(b.size(), 256u);
    EXPECT_NEAR(b[0], 100 * std::sqrt(2.0) * std::sin((90 + 36 + 240) * M_PI / 180), 1e-3);
    send("inst:nsel 1");

    // A block offset and size cut the same record.
    struct Part {
        QByteArray args;
        size_t first, count;
    };
    for (const Part& p :
         {Part{" 2,1", 512, 256}, Part{" 0,16", 0, 4096}, Part{" 15,1", 3840, 256}}) {
        const std::vector<double> part = numbers(query("fetch:arr:volt?" + p.args));
        ASSERT_EQ(part.size(), p.count) << p.args.toStdString();
        EXPECT_EQ(part.front(), v[p.first]);
        EXPECT_EQ(part.back(), v[p.first + p.count - 1]);
    }
    send("fetch:arr:volt? 8,9;:fetch:arr:volt? 1");
    EXPECT_EQ(drainErrors(), (QStringList{QStringLiteral("-222,\"Data out of range\""),
                                          QStringLiteral("-109,\"Missing parameter\"")}));

    // The same samples as a definite-length block of big-endian floats.
    send("meas:arr:mode bin");
    EXPECT_EQ(query("meas:arr:mode?"), QStringLiteral("BIN"));
    client.send("fetch:arr:volt? 2,1");
    const QByteArray block = readBlock(client);
    ASSERT_TRUE(block.startsWith("#41024")) << block.left(8).toStdString();
    ASSERT_EQ(block.size(), 6 + 1024 + 1);
    EXPECT_EQ(block.back(), '\n');
    for (int n = 0; n < 256; ++n)
        EXPECT_NEAR(qFromBigEndian<float>(block.constData() + 6 + 4 * n), v[512 + size_t(n)], 1e-3)
            << n;
    client.send("fetch:arr:volt:harm?");
    const QByteArray lines = readBlock(client);
    ASSERT_TRUE(lines.startsWith("#3204"));
    EXPECT_NEAR(qFromBigEndian<float>(lines.constData() + 5 + 4), 100, 1e-3);
}

double elapsedSeconds(const QString& reply) {
    const QStringList f = reply.split(QLatin1Char(','));
    if (f.size() != 4) return -1;
    return f[0].toInt() * 3600 + f[1].toInt() * 60 + f[2].toInt() + f[3].toInt() / 1000.0;
}

TEST(WattHourTest, EnergyOfTheLoadOnTheVirtualClock) {
    VirtualSourceProcess source;
    ASSERT_TRUE(source.start({QStringLiteral("--model"), QStringLiteral("4"),
                              QStringLiteral("--time-scale"), QStringLiteral("1000"),
                              QStringLiteral("--load"), QStringLiteral("r=50")}));
    ASSERT_TRUE(source.control(QStringLiteral("load 2 r=25")));
    ScpiClient client;
    ASSERT_TRUE(client.connectTo(source.host(), source.port()));
    EXPECT_EQ(client.query("whm:stat?").value_or(QString()), QStringLiteral("0"));
    // One line, one instant: the meter starts with the ramp.
    client.send("outp 1;:volt:slew 50;:volt 100;:whm:stat on");
    QThread::msleep(300);
    client.send("whm:stat 0");
    const QString held = client.query("whm:etim?").value_or(QString());
    QThread::msleep(50);
    EXPECT_EQ(client.query("whm:etim?").value_or(QString()), held) << "a stopped meter holds";
    const double hours = elapsedSeconds(held) / 3600;
    ASSERT_GT(hours, 0.05);

    // The level ramps up at 50 V/s for 2 s; the power rises with its square,
    // so the energy of 4/3 s at full power is missing.
    struct Case {
        QByteArray select;
        double watts;
    };
    const std::vector<Case> cases = {{"inst:coup none;:inst:nsel 1", 200},
                                     {"inst:nsel 2", 400},
                                     {"inst:nsel 3", 200},
                                     {"inst:coup all", 800}};
    for (const Case& c : cases) {
        client.send(c.select);
        const double wh = client.query("whm:who?").value_or(QString()).toDouble();
        EXPECT_NEAR(wh, c.watts * (hours - 4.0 / 3 / 3600), c.watts * hours * 1e-4)
            << c.select.toStdString();
    }
    EXPECT_EQ(client.query("whm:stat?").value_or(QString()), QStringLiteral("0"));
}

} // namespace
} // namespace ostrel::test
