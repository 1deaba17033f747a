#include "threads/StopEvent.h"

#include "CallLog.h"

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

} // namespace
} // namespace keywright
