#include "threads/StopEvent.h"

#include "CallLog.h"
#include "support/ClockScript.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using namespace std::chrono_literals;

TEST(StopEventTest, StaysSetUntilReset) {
    StopEvent event;
    EXPECT_FALSE(event.WaitFor(0ms));
    event.Set();
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_TRUE(event.WaitFor(0ms)) << "a wait does not consume the stop";
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}

TEST(StopEventTest, AWakeAfterTheTicketIsNotLost) {
    StopEvent event;
    const auto ticket = event.WakeTicket();
    event.Wake(); // lands between the look for work and the sleep
    EXPECT_FALSE(event.WaitForWake(ticket)) << "woken, not stopped";
}

TEST(StopEventTest, SetWakesASleeperFromAnotherThread) {
    StopEvent event;
    test::CallLog woke;
    std::thread sleeper([&] {
        woke.Record(event.WaitForWake(event.WakeTicket()) ? 1 : 0);
        woke.Record(event.WaitFor(10s) ? 1 : 0);
    });
    event.Set();
    ASSERT_TRUE(woke.WaitForCount(2));
    sleeper.join();
    EXPECT_EQ(woke.Values(), (std::vector<std::int64_t>{1, 1}));
}

TEST(StopEventTest, TimedWaitsEndWhenItsClockGetsThere) {
    ManualClock clock;
    StopEvent event(clock);
    const Clock::TimePoint start = clock.Now();
    test::CallLog ended(clock);
    std::thread waiter([&] {
        ended.Record(event.WaitFor(150ms) ? 1 : 0);
        // An absolute deadline: the wait above does not shift it.
        ended.Record(event.WaitUntil(start + 200ms) ? 1 : 0);
        ended.Record(event.WaitUntil(Clock::kNever) ? 1 : 0);
    });
    ASSERT_TRUE(test::Pass(clock, 149ms));
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_EQ(ended.Count(), 0u) << "149 ms: still waiting";
    ASSERT_TRUE(test::Pass(clock, 1ms));
    ASSERT_TRUE(ended.WaitForCount(1));
    ASSERT_TRUE(test::Pass(clock, 50ms));
    ASSERT_TRUE(ended.WaitForCount(2));
    ASSERT_TRUE(test::Pass(clock, 24h)); // no deadline: only the event ends it
    ASSERT_TRUE(clock.WaitForSleepers(1));
    event.Set();
    waiter.join();
    EXPECT_EQ(ended.Values(), (std::vector<std::int64_t>{0, 0, 1}));
    EXPECT_EQ(test::MsSince(start, ended.Times()), (std::vector<std::int64_t>{150, 200, 86400200}));
}

} // namespace
} // namespace keywright
