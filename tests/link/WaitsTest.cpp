#include "link/Waits.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ostrel;

TEST(Waits, DelayProcessesEventsAndWaitMsDoesNot) {
    bool fired = false;
    QTimer::singleShot(10, [&] { fired = true; });
    WaitMs(40);
    EXPECT_FALSE(fired) << "WaitMs must not process events";
    QElapsedTimer clock;
    clock.start();
    Delay(0.05);
    EXPECT_TRUE(fired) << "Delay must process events";
    EXPECT_GE(clock.elapsed(), 45);
}

TEST(Waits, WaitUntilEndsOnConditionOrTimeout) {
    bool ready = false;
    QTimer::singleShot(20, [&] { ready = true; });
    EXPECT_TRUE(WaitUntil([&] { return ready; }, 5000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(WaitUntil([] { return false; }, 50));
    EXPECT_GE(clock.elapsed(), 49);
}
