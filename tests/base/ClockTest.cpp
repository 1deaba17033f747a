#include "base/Clock.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;

// A worker that waits on a ManualClock for a deadline, as the program's
// threads do, and records whether it timed out or was woken.
struct Waiter {
    std::mutex lock;
    std::condition_variable changed;
    bool woken = false;
    std::atomic<int> result{-1}; // -1 waiting, 0 timed out, 1 woken

    void Wait(Clock& clock, Clock::Duration timeout) {
        std::unique_lock guard(lock);
        result = clock.WaitFor(changed, guard, timeout, [this] { return woken; }) ? 1 : 0;
    }
    void Wake() {
        {
            std::lock_guard guard(lock);
            woken = true;
        }
        changed.notify_all();
    }
};

TEST(ManualClock, AWaitEndsWhenTheClockReachesItsDeadlineAndNotBefore) {
    ManualClock clock;
    Waiter waiter;
    std::thread worker([&] { waiter.Wait(clock, 150ms); });

    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(149ms);
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "149 ms: still waiting";
    EXPECT_EQ(waiter.result, -1);

    clock.Advance(1ms);
    worker.join();
    EXPECT_EQ(waiter.result, 0) << "timed out";
    EXPECT_EQ(clock.Sleepers(), 0u);
}

TEST(ManualClock, ANotifyEndsAWaitWithoutTimeMoving) {
    ManualClock clock;
    const Clock::TimePoint start = clock.Now();
    Waiter waiter;
    std::thread worker([&] { waiter.Wait(clock, 1h); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    waiter.Wake();
    worker.join();
    EXPECT_EQ(waiter.result, 1);
    EXPECT_EQ(clock.Now(), start);
}

TEST(ManualClock, ANotifiedWaiterThatHasNotWokenYetIsNoSleeper) {
    ManualClock clock;
    Waiter waiter;
    std::thread worker([&] { waiter.Wait(clock, 1h); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    {
        // Told to wake, but it cannot look while the lock is held here: it
        // has work to do, so "everything due is done" must not hold yet.
        std::lock_guard guard(waiter.lock);
        waiter.woken = true;
        waiter.changed.notify_all();
        EXPECT_FALSE(clock.WaitForSleepers(1, 20ms));
    }
    worker.join();
    EXPECT_EQ(waiter.result, 1);
}

TEST(ManualClock, AWaitWithoutDeadlineCountsAsASleeperWhateverTheTime) {
    ManualClock clock;
    Waiter waiter;
    std::thread worker([&] { waiter.Wait(clock, Clock::kNever - clock.Now()); });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(24h);
    EXPECT_EQ(clock.Sleepers(), 1u);
    waiter.Wake();
    worker.join();
    EXPECT_EQ(waiter.result, 1);
}

TEST(ManualClock, SleepEndsOnlyWhenTheClockGetsThere) {
    ManualClock clock;
    std::atomic<bool> done{false};
    std::thread sleeper([&] {
        clock.SleepFor(10ms);
        done = true;
    });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(9ms);
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_FALSE(done);
    clock.Advance(1ms);
    sleeper.join();
    EXPECT_TRUE(done);
}

TEST(ManualClock, NextDeadlineIsTheEarliestStillToCome) {
    ManualClock clock;
    const Clock::TimePoint start = clock.Now();
    EXPECT_EQ(clock.NextDeadline(), Clock::kNever) << "nobody waits";
    Waiter late, early;
    std::thread lateWorker([&] { late.Wait(clock, 30ms); });
    std::thread earlyWorker([&] { early.Wait(clock, 10ms); });
    ASSERT_TRUE(clock.WaitForSleepers(2));
    EXPECT_EQ(clock.NextDeadline(), start + 10ms);
    clock.Advance(10ms);
    earlyWorker.join();
    EXPECT_EQ(clock.NextDeadline(), start + 30ms);
    clock.Advance(20ms);
    lateWorker.join();
    EXPECT_EQ(clock.NextDeadline(), Clock::kNever);
}

TEST(Clock, ADeadlineTooFarAwayIsNever) {
    ManualClock clock;
    EXPECT_EQ(clock.Deadline(Clock::Duration::max()), Clock::kNever);
    EXPECT_EQ(SystemClock().Deadline(Clock::Duration::max()), Clock::kNever);
    EXPECT_EQ(clock.Deadline(5ms), clock.Now() + 5ms);
}

TEST(SystemClock, WaitsForRealTime) {
    // The one real-clock check: the system clock's waits end by themselves.
    Clock& clock = SystemClock();
    std::mutex lock;
    std::condition_variable changed;
    std::unique_lock guard(lock);
    const Clock::TimePoint before = clock.Now();
    EXPECT_FALSE(clock.WaitFor(changed, guard, 5ms, [] { return false; }));
    EXPECT_GE(clock.Now() - before, 5ms);
}

} // namespace
} // namespace keywright
