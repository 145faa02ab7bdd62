#include "Platform/foundation/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Platform/foundation/Clock.h"
#include "Platform/foundation/NotificationCenter.h"
#include "tests/support/TestEnvironment.h"

namespace tallo {
namespace {

TEST(RunLoop, TimersFireInDueOrderUnderAManualClock) {
    test::ScopedClock clock(Date(1300000000));
    RunLoop loop;
    std::string order;
    loop.performAfterDelay(1.0, [&] { order += "reload@" + std::to_string(int(Clock::now().timeIntervalSince1970() - 1300000000)) + " "; });
    loop.performAfterDelay(0.5, [&] { order += "check "; });
    loop.performAfterDelay(0.5, [&] { order += "second-check "; });
    loop.advance(0.4);
    EXPECT_EQ(order, "");
    loop.advance(0.1);
    EXPECT_EQ(order, "check second-check ");
    loop.advance(10);
    EXPECT_EQ(order, "check second-check reload@1 ");  // the clock stood at the timer's own due time
    EXPECT_EQ(Clock::now().timeIntervalSince1970(), 1300000010.5);
}

TEST(RunLoop, CancelledTimersNeverRun) {
    test::ScopedClock clock(Date(1300000000));
    RunLoop loop;
    int runs = 0;
    auto timer = loop.performAfterDelay(1.0, [&] { ++runs; });
    EXPECT_TRUE(loop.isScheduled(timer));
    loop.cancel(timer);
    loop.cancel(timer);  // twice is harmless
    EXPECT_FALSE(loop.isScheduled(timer));
    loop.advance(5);
    EXPECT_EQ(runs, 0);
}

TEST(RunLoop, ATimerMayScheduleAnotherThatFallsDueInTheSameAdvance) {
    test::ScopedClock clock(Date(1300000000));
    RunLoop loop;
    std::vector<double> firedAt;
    loop.performAfterDelay(1.0, [&] {
        firedAt.push_back(Clock::now().timeIntervalSince1970());
        loop.performAfterDelay(1.0, [&] { firedAt.push_back(Clock::now().timeIntervalSince1970()); });
    });
    loop.advance(3);
    EXPECT_EQ(firedAt, (std::vector<double>{1300000001, 1300000002}));
}

TEST(RunLoop, WorkPostedFromAnotherThreadRunsOnTheLoop) {
    RunLoop loop;
    std::atomic<bool> done{false};
    std::thread::id ranOn;
    std::thread worker([&] {
        loop.post([&] {
            ranOn = std::this_thread::get_id();
            done = true;
        });
    });
    worker.join();
    EXPECT_TRUE(loop.runUntil([&] { return done.load(); }, 5.0));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(RunLoop, RealTimersFireWhileTheLoopRuns) {
    RunLoop loop;
    bool fired = false;
    loop.performAfterDelay(0.02, [&] { fired = true; });
    EXPECT_FALSE(fired);
    EXPECT_TRUE(loop.runUntil([&] { return fired; }, 5.0));
}

TEST(RunLoop, StopEndsRun) {
    RunLoop loop;
    int passes = 0;
    loop.post([&] { ++passes; });
    loop.post([&] {
        ++passes;
        loop.stop();
    });
    loop.run();
    EXPECT_EQ(passes, 2);
}

TEST(RunLoop, ResetDropsTimers) {
    test::ScopedClock clock(Date(1300000000));
    RunLoop loop;
    int runs = 0;
    loop.performAfterDelay(1.0, [&] { ++runs; });
    loop.reset();
    EXPECT_EQ(loop.scheduledCount(), 0u);
    loop.advance(2);
    EXPECT_EQ(runs, 0);
}

TEST(NotificationCenter, DeliversByNameInOrderOfRegistration) {
    NotificationCenter center;
    std::string seen;
    int ownerA = 0, ownerB = 0;
    center.addObserver(&ownerA, "gotNewDatabase", [&](const Notification& n) { seen += "A:" + n.name + " "; });
    center.addObserver(&ownerB, "gotNewDatabase", [&](const Notification&) { seen += "B "; });
    center.addObserver(&ownerB, "ratesDownloaded", [&](const Notification&) { seen += "B-rates "; });
    center.postNotification("gotNewDatabase");
    EXPECT_EQ(seen, "A:gotNewDatabase B ");
    center.removeObserver(&ownerB, "gotNewDatabase");
    seen.clear();
    center.postNotification("gotNewDatabase");
    center.postNotification("ratesDownloaded");
    EXPECT_EQ(seen, "A:gotNewDatabase B-rates ");
    center.removeObserver(&ownerB);
    center.removeObserver(&ownerA);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST(NotificationCenter, AnObserverRemovedDuringDeliveryIsNotCalled) {
    NotificationCenter center;
    int screenA = 0, screenB = 0;
    int bCalls = 0, lateCalls = 0;
    center.addObserver(&screenA, "gotNewDatabase", [&](const Notification&) {
        center.removeObserver(&screenB);  // a screen closing another
        center.addObserver(&screenA, "gotNewDatabase", [&](const Notification&) { ++lateCalls; });
    });
    center.addObserver(&screenB, "gotNewDatabase", [&](const Notification&) { ++bCalls; });
    center.postNotification("gotNewDatabase");
    EXPECT_EQ(bCalls, 0);
    EXPECT_EQ(lateCalls, 0);  // added during delivery: called from the next post on
    center.postNotification("gotNewDatabase");
    EXPECT_EQ(lateCalls, 1);
}

TEST(NotificationCenter, CarriesThePosterAndItsInformation) {
    NotificationCenter center;
    int owner = 0, poster = 0;
    const void* from = nullptr;
    int count = 0;
    center.addObserver(&owner, "", [&](const Notification& n) {
        from = n.object;
        count = std::any_cast<int>(n.userInfo);
    });
    center.postNotification("syncDidStart", &poster, 3);
    EXPECT_EQ(from, &poster);
    EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace tallo
