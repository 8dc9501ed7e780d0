// The list-transient system with real timing, read back from the timeline.
#include "VsourceFixture.h"

#include <QElapsedTimer>
#include <QThread>

#include <cmath>

namespace ostrel::test {
namespace {

double timeOf(const QJsonObject& e) {
    return e.value(QLatin1String("t")).toDouble();
}
double numberOf(const QJsonObject& e, const char* key) {
    return e.value(QLatin1String(key)).toDouble();
}

class VsourceTransientTest : public BothTransports {
protected:
    // Polls trig:stat? until IDLE; returns the real milliseconds it took, or -1.
    qint64 waitIdle(int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (query("trig:stat?") == QLatin1String("IDLE")) return timer.elapsed();
            QThread::msleep(10);
        }
        return -1;
    }

    // Waits until the timeline holds at least n events of a kind.
    TimelineEvents waitForEvents(const QString& kind, size_t n, int timeoutMs = 3000) {
        QElapsedTimer timer;
        timer.start();
        TimelineEvents events = eventsOf(timeline(), kind);
        while (events.size() < n && timer.elapsed() < timeoutMs) {
            QThread::msleep(10);
            events = eventsOf(timeline(), kind);
        }
        return events;
    }

    // Output records of phase 1 from time t on.
    TimelineEvents outputsFrom(double t) {
        TimelineEvents out;
        for (const QJsonObject& e : eventsOf(timeline(), QStringLiteral("output")))
            if (timeOf(e) >= t - 1e-9 && numberOf(e, "phase") == 1) out.push_back(e);
        return out;
    }
};

TEST_P(VsourceTransientTest, TwoPointListRunsForItsDwellTimes) {
    startSource();
    send("outp 1;:volt 10;:list:dwell 0.2,0.3;:list:volt 100,50;:list:volt:slew max;:volt:mode "
         "list");
    QElapsedTimer timer;
    timer.start();
    send("init");
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    QThread::msleep(250);
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    qint64 idleAfter = waitIdle(3000) + 250;
    EXPECT_GE(idleAfter, 450);
    EXPECT_LT(idleAfter, 1500);
    EXPECT_TRUE(drainErrors().isEmpty());

    TimelineEvents all = timeline();
    TimelineEvents points = eventsOf(all, QStringLiteral("point"));
    ASSERT_EQ(points.size(), 2u);
    double t0 = timeOf(eventsOf(all, QStringLiteral("initiate")).at(0));
    EXPECT_NEAR(timeOf(points[0]), t0, 1e-6);
    EXPECT_NEAR(timeOf(points[1]), t0 + 0.2, 1e-6);
    EXPECT_EQ(numberOf(points[1], "index"), 1);
    ASSERT_EQ(eventsOf(all, QStringLiteral("complete")).size(), 1u);
    EXPECT_NEAR(timeOf(eventsOf(all, QStringLiteral("complete"))[0]), t0 + 0.5, 1e-6);

    TimelineEvents outputs = outputsFrom(t0);
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(numberOf(outputs[0], "vac"), 100);
    EXPECT_EQ(numberOf(outputs[1], "vac"), 50);
    // The output holds the last point.
    EXPECT_EQ(query("volt?"), QStringLiteral("50.0"));
}

TEST_P(VsourceTransientTest, OptionReturnsTheOutputToTheImmediateValues) {
    startSource({QStringLiteral("--return-to-immediate"), QStringLiteral("--time-scale"),
                 QStringLiteral("10")});
    send("volt 10;:list:dwell 0.5,0.5;:list:volt 100,50;:volt:mode list;:init");
    ASSERT_GE(waitIdle(3000), 0);
    EXPECT_EQ(query("volt?"), QStringLiteral("10.0"));
    TimelineEvents outputs =
        outputsFrom(timeOf(eventsOf(timeline(), QStringLiteral("complete")).at(0)));
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(numberOf(outputs[0], "vac"), 10);
}

TEST_P(VsourceTransientTest, AbortStopsAtOnceAndHoldsThePresentValues) {
    startSource();
    send("volt 10;:list:dwell 1,1;:list:volt 100,50;:volt:mode list;:init");
    QThread::msleep(300);
    EXPECT_EQ(query("abort;:trig:stat?"), QStringLiteral("IDLE"));
    EXPECT_EQ(query("volt?"), QStringLiteral("100.0"));
    TimelineEvents all = timeline();
    EXPECT_EQ(eventsOf(all, QStringLiteral("point")).size(), 1u);
    EXPECT_EQ(eventsOf(all, QStringLiteral("abort")).size(), 1u);
    EXPECT_TRUE(eventsOf(all, QStringLiteral("complete")).empty());
    QThread::msleep(900);
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 1u);
}

TEST_P(VsourceTransientTest, ListsOfUnequalLengthAreRefusedAtInitiate) {
    startSource({QStringLiteral("--model"), QStringLiteral("4")});
    send("inst:coup none;:inst:nsel 2;:volt:mode list;:list:volt 1,2");
    send("list:dwell 0.1,0.1,0.1;:init");
    EXPECT_EQ(nextError(), QStringLiteral("-226,\"Lists not same length\""));
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("IDLE"));
    // A list in use but empty.
    send("inst:nsel 2;:volt:mode fix;:inst:nsel 3;:volt:mode list;:init");
    EXPECT_EQ(nextError(), QStringLiteral("-221,\"Settings conflict\""));
    EXPECT_TRUE(eventsOf(timeline(), QStringLiteral("initiate")).empty());

    // A one-point list applies to every point; lists of phases not in list mode do not count.
    send("list:volt 7;:init");
    ASSERT_GE(waitIdle(3000), 0);
    EXPECT_TRUE(drainErrors().isEmpty());
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 3u);
    EXPECT_EQ(query("inst:nsel 3;:volt?"), QStringLiteral("7.0"));
}

TEST_P(VsourceTransientTest, SynchronisationDelaysTheFirstPointToThePhaseAngle) {
    startSource();
    send("freq 16;:list:dwell 0.05;:list:volt 20;:volt:mode list");
    send("trig:sync:phas 90;:trig:sync:sour phas;:init");
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    ASSERT_GE(waitIdle(3000), 0);
    TimelineEvents all = timeline();
    QJsonObject trigger = eventsOf(all, QStringLiteral("trigger")).at(0);
    QJsonObject point = eventsOf(all, QStringLiteral("point")).at(0);
    double waitDegrees = std::fmod(90 - numberOf(trigger, "angle") + 360, 360);
    EXPECT_NEAR(timeOf(point) - timeOf(trigger), waitDegrees / 360 / 16, 1e-6);
    EXPECT_NEAR(numberOf(point, "angle"), 90, 1e-3);

    send("trig:sync:sour imm;:init");
    ASSERT_GE(waitIdle(3000), 0);
    all = timeline();
    EXPECT_NEAR(timeOf(eventsOf(all, QStringLiteral("point")).at(1)),
                timeOf(eventsOf(all, QStringLiteral("trigger")).at(1)), 1e-9);
}

TEST_P(VsourceTransientTest, BusAndExternalTriggersStartAndStepTheList) {
    startSource();
    send("list:dwell 0.05,0.05,0.05;:list:volt 1,2,3;:volt:mode list;:trig:tran:sour bus;:init");
    QThread::msleep(150);
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    EXPECT_TRUE(eventsOf(timeline(), QStringLiteral("point")).empty());
    send("*trg");
    ASSERT_GE(waitIdle(2000), 0);
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 3u);
    send("*trg");
    EXPECT_EQ(nextError(), QStringLiteral("-211,\"Trigger ignored\""));

    // External input starts it; with "once" pacing every point waits for a trigger.
    EXPECT_EQ(query("trig:tran:sour ext;:list:step once;:init;:trig:stat?"),
              QStringLiteral("BUSY"));
    ASSERT_TRUE(source.control(QStringLiteral("trigger")));
    QThread::msleep(150);
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 4u);
    query("*trg;*opc?");
    QThread::msleep(100);
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 5u);
    ASSERT_TRUE(source.control(QStringLiteral("trigger")));
    ASSERT_GE(waitIdle(2000), 0);
    EXPECT_EQ(eventsOf(timeline(), QStringLiteral("point")).size(), 6u);
    QString error;
    EXPECT_FALSE(source.control(QStringLiteral("trigger"), nullptr, &error));
    EXPECT_EQ(error, QStringLiteral("trigger ignored"));
}

TEST_P(VsourceTransientTest, EachModelLimitsItsListsAndDwells) {
    const struct {
        QStringList args;
        int capacity;
        double minimumDwell;
    } cases[] = {
        {{QStringLiteral("--model"), QStringLiteral("0")}, 100, 0.001},
        {{QStringLiteral("--model"), QStringLiteral("10")}, 32, 0.01},
        {{QStringLiteral("--model"), QStringLiteral("0"), QStringLiteral("--list-capacity"),
          QStringLiteral("150"), QStringLiteral("--min-dwell"), QStringLiteral("0.0005")},
         150, 0.0005},
    };
    const auto dwells = [](int count, double dwell) {
        QStringList values;
        for (int i = 0; i < count; ++i)
            values << QString::number(dwell, 'g', 6);
        return ("list:dwell " + values.join(QLatin1Char(','))).toLatin1();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        startSource(c.args);
        send(dwells(c.capacity, c.minimumDwell));
        EXPECT_TRUE(drainErrors().isEmpty());
        send(dwells(c.capacity + 1, c.minimumDwell));
        EXPECT_TRUE(nextError().startsWith(QStringLiteral("-223,")));
        send(dwells(1, c.minimumDwell / 2));
        EXPECT_TRUE(nextError().startsWith(QStringLiteral("-222,")));
        source.stop();
    }
}

TEST_P(VsourceTransientTest, TheTimelineShowsHowEachRunWasInitiatedAndEachPointsDwell) {
    startSource();
    send("list:dwell 0.05,0.02;:list:volt 1,2;:volt:mode list;:list:coun 2;:list:step once;"
         ":trig:sync:sour phas;:trig:sync:phas 90;:trig:tran:sour bus;:init");
    TimelineEvents initiated = waitForEvents(QStringLiteral("initiate"), 1);
    ASSERT_EQ(initiated.size(), 1u);
    EXPECT_EQ(numberOf(initiated[0], "points"), 2);
    EXPECT_EQ(numberOf(initiated[0], "count"), 2);
    EXPECT_EQ(initiated[0].value(QLatin1String("step")).toString(), QStringLiteral("ONCE"));
    EXPECT_EQ(numberOf(initiated[0], "sync"), 90);
    // The program holds the only connection: the control port gives the bus trigger.
    QString error;
    EXPECT_FALSE(source.control(QStringLiteral("trigger sideways"), nullptr, &error));
    ASSERT_TRUE(source.control(QStringLiteral("trigger bus")));
    const TimelineEvents points = waitForEvents(QStringLiteral("point"), 1);
    ASSERT_FALSE(points.empty());
    EXPECT_DOUBLE_EQ(numberOf(points[0], "dwell"), 0.05);
    send("abort;:list:step auto;:trig:sync:sour imm;:trig:tran:sour imm;:list:coun inf;:init");
    initiated = waitForEvents(QStringLiteral("initiate"), 2);
    ASSERT_EQ(initiated.size(), 2u);
    EXPECT_EQ(initiated[1].value(QLatin1String("count")).toString(), QStringLiteral("INF"));
    EXPECT_EQ(initiated[1].value(QLatin1String("sync")).toString(), QStringLiteral("IMM"));
    EXPECT_EQ(initiated[1].value(QLatin1String("step")).toString(), QStringLiteral("AUTO"));
    send("abort");
}

TEST_P(VsourceTransientTest, TimeScaleRunsLongListsInAFractionOfTheirTime) {
    startSource({QStringLiteral("--time-scale"), QStringLiteral("100")});
    send("list:dwell 10,10,10;:list:volt 1,2,3;:volt:mode list;:list:coun 2;:init");
    qint64 ms = waitIdle(5000);
    ASSERT_GE(ms, 0);
    EXPECT_LT(ms, 2000);
    TimelineEvents points = eventsOf(timeline(), QStringLiteral("point"));
    ASSERT_EQ(points.size(), 6u);
    for (size_t i = 1; i < points.size(); ++i)
        EXPECT_NEAR(timeOf(points[i]) - timeOf(points[i - 1]), 10, 1e-6);
    EXPECT_EQ(numberOf(points[3], "pass"), 2);
    EXPECT_EQ(numberOf(points[3], "index"), 0);
}

TEST_P(VsourceTransientTest, RepeatCountsReplayAPoint) {
    startSource({QStringLiteral("--time-scale"), QStringLiteral("10")});
    send("list:dwell 0.2,0.1;:list:rep 2,0;:list:volt 1,2;:volt:mode list;:init");
    ASSERT_GE(waitIdle(3000), 0);
    TimelineEvents points = eventsOf(timeline(), QStringLiteral("point"));
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(numberOf(points[2], "repeat"), 2);
    EXPECT_NEAR(timeOf(points[3]) - timeOf(points[0]), 0.6, 1e-6);
}

TEST_P(VsourceTransientTest, SlewsRampTheOutputAndTheTimelineShowsTheRamp) {
    startSource({QStringLiteral("--time-scale"), QStringLiteral("10")});
    // Start, relay, ramp start and ramp end.
    send("outp 1;:volt:slew 100;:volt 50");
    TimelineEvents outputs = waitForEvents(QStringLiteral("output"), 4);
    ASSERT_EQ(outputs.size(), 4u);
    QJsonObject start = outputs[outputs.size() - 2];
    QJsonObject end = outputs.back();
    QJsonObject ramp =
        start.value(QLatin1String("ramps")).toObject().value(QLatin1String("vac")).toObject();
    EXPECT_EQ(ramp.value(QLatin1String("to")).toDouble(), 50);
    EXPECT_EQ(ramp.value(QLatin1String("rate")).toDouble(), 100);
    EXPECT_NEAR(timeOf(end) - timeOf(start), 0.5, 1e-6);
    EXPECT_EQ(numberOf(end, "vac"), 50);

    // A list slew of "max" reads back as 9.90000E+37; list queries report their points.
    send("list:volt:slew max,25;:list:freq 50,60;:list:freq:slew 10,max");
    EXPECT_EQ(query("list:volt:slew?"), QStringLiteral("9.90000E+37,25.0"));
    EXPECT_EQ(query("list:freq:slew?"), QStringLiteral("10.0,9.90000E+37"));
    EXPECT_EQ(query("list:volt:slew:poin?;:list:freq:poin?;:list:shap:poin?"),
              QStringLiteral("2;2;0"));
    EXPECT_EQ(query("list:coun?"), QStringLiteral("1"));
}

TEST_P(VsourceTransientTest, ContinuousInitiateRearmsUntilAborted) {
    startSource({QStringLiteral("--time-scale"), QStringLiteral("10")});
    send("list:dwell 0.1;:list:volt 5;:volt:mode list;:init:cont:name tran,1;:init:name tran");
    EXPECT_GE(waitForEvents(QStringLiteral("complete"), 3).size(), 3u);
    EXPECT_EQ(query("trig:stat?"), QStringLiteral("BUSY"));
    EXPECT_EQ(query("abort;:trig:stat?"), QStringLiteral("IDLE"));
}

TEST_P(VsourceTransientTest, TtlPulsesAtListPointsTriggerTheAcquisition) {
    startSource({QStringLiteral("--time-scale"), QStringLiteral("10")});
    send("outp 1;:volt 100;:list:dwell 0.1,0.1;:list:volt 100,20;:list:ttlt 0,1;:volt:mode list");
    send("outp:ttlt:sour list;:outp:ttlt 1;:trig:acq:sour ttlt;:init:name acq;:init:name tran");
    ASSERT_GE(waitIdle(3000), 0);
    TimelineEvents all = timeline();
    TimelineEvents ttl = eventsOf(all, QStringLiteral("ttl"));
    ASSERT_EQ(ttl.size(), 1u);
    EXPECT_NEAR(timeOf(ttl[0]), timeOf(eventsOf(all, QStringLiteral("point")).at(1)), 1e-9);
    EXPECT_NEAR(timeOf(eventsOf(all, QStringLiteral("acquire")).at(0)), timeOf(ttl[0]), 1e-9);
    // The acquisition took its reading at the second point.
    EXPECT_EQ(query("fetc:volt:ac?"), QStringLiteral("20.0"));
}

OSTREL_BOTH_TRANSPORTS(VsourceTransientTest);

} // namespace
} // namespace ostrel::test
