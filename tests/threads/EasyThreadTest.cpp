#include "threads/EasyThread.h"

#include "CallLog.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace keywright {
namespace {

using test::CallLog;
using test::ElapsedMs;
using Clock = CallLog::Clock;
using namespace std::chrono_literals;

// The owning object of a thread in these tests: each callback logs the value
// of the owner it was given (owners are ints) and then does what the test set.
// Set the behaviours before Start; the thread reads them without a lock.
class Script {
  public:
    using Step = std::function<int(IEasyThread&)>;

    Step start;
    Step run;
    Step end;
    CallLog starts;
    CallLog runs;
    CallLog ends;

    int OnStart(IEasyThread* thread, void* owner) { return Do(starts, start, thread, owner); }
    int OnRun(IEasyThread* thread, void* owner) { return Do(runs, run, thread, owner); }
    int OnEnd(IEasyThread* thread, void* owner) { return Do(ends, end, thread, owner); }

    void InstallAll(EasyThread& thread) {
        std::lock_guard<std::recursive_mutex> setup(thread.SetupLock());
        thread.SetOnStart(Bind(&Script::OnStart));
        thread.SetOnRun(Bind(&Script::OnRun));
        thread.SetOnEnd(Bind(&Script::OnEnd));
    }

    std::unique_ptr<EasyThread::ThreadCallback> Bind(int (Script::*method)(IEasyThread*, void*)) {
        return std::make_unique<EasyThread::Callback<IEasyThread, Script>>(this, method);
    }

  private:
    static int Do(CallLog& log, const Step& step, IEasyThread* thread, void* owner) {
        log.Record(owner == nullptr ? 0 : *static_cast<int*>(owner));
        return step ? step(*thread) : 0;
    }
};

TEST(EasyThreadTest, StartWhileRunningOnlyReplacesTheOwner) {
    Script script;
    int first = 1;
    int second = 2;
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(&first), 0);
    ASSERT_TRUE(script.runs.WaitUntil([](const auto& v) { return !v.empty(); }));
    ASSERT_EQ(thread.Start(&second), 0);
    ASSERT_TRUE(script.runs.WaitUntil([](const auto& v) { return v.back() == 2; }));
    EXPECT_EQ(thread.Stop(), 0);

    EXPECT_EQ(script.starts.Values(), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(script.ends.Values(), (std::vector<std::int64_t>{2}));
}

TEST(EasyThreadTest, StopWithoutARunningThreadReturnsAtOnce) {
    Script script;
    EasyThread thread;
    script.InstallAll(thread);

    const auto before = Clock::now();
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);
    EXPECT_EQ(script.starts.Count(), 0u);
    EXPECT_EQ(script.ends.Count(), 0u);
    // Only the running thread itself is "not stopped".
    EXPECT_TRUE(thread.IsStopRequested());
}

TEST(EasyThreadTest, StopCutsACallbacksWaitShort) {
    Script script;
    std::atomic<bool> stoppedBefore{true};
    std::atomic<bool> waitSawStop{false};
    std::atomic<bool> stoppedAfter{false};
    CallLog waiting;
    script.run = [&](IEasyThread& self) {
        stoppedBefore = self.IsStopRequested();
        waiting.Record();
        waitSawStop = self.Wait(10000);
        stoppedAfter = self.IsStopRequested();
        return 0;
    };
    // The stop stays signalled: a wait after it returns at once.
    std::atomic<bool> endWaitSawStop{false};
    script.end = [&](IEasyThread& self) {
        endWaitSawStop = self.Wait(10000);
        return 0;
    };
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(waiting.WaitForCount(1));
    EXPECT_TRUE(thread.IsStopRequested()) << "asked from outside the thread";
    const auto before = Clock::now();
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);

    EXPECT_FALSE(stoppedBefore);
    EXPECT_TRUE(waitSawStop);
    EXPECT_TRUE(stoppedAfter);
    EXPECT_TRUE(endWaitSawStop);
    EXPECT_EQ(script.runs.Count(), 1u);
    EXPECT_EQ(script.ends.Count(), 1u);
}

TEST(EasyThreadTest, WaitRunsOutWithoutAStop) {
    Script script;
    std::atomic<bool> zeroSawStop{true};
    std::atomic<bool> shortSawStop{true};
    std::atomic<std::int64_t> waitedMs{0};
    script.start = [&](IEasyThread& self) {
        zeroSawStop = self.Wait(0);
        const auto before = Clock::now();
        shortSawStop = self.Wait(20);
        waitedMs = ElapsedMs(before, Clock::now()).count();
        return 1;
    };
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.ends.WaitForCount(1));
    thread.Stop();
    EXPECT_FALSE(zeroSawStop);
    EXPECT_FALSE(shortSawStop);
    EXPECT_GE(waitedMs, 19);
}

// How the results of onStart and onRun end the thread. onRun returns
// runResult on its third call and 0 before.
struct EndingCase {
    std::string name;
    int startResult;
    int runResult;
    bool endsByItself; // false: the test stops it
    std::size_t runs;  // exact; kSomeRuns for "at least one"
    std::size_t ends;
};

void PrintTo(const EndingCase& row, std::ostream* out) {
    *out << row.name;
}

constexpr std::size_t kSomeRuns = ~std::size_t{0};

class EasyThreadEndingTest : public testing::TestWithParam<EndingCase> {};

TEST_P(EasyThreadEndingTest, ResultsSteerTheLoopAndOnEnd) {
    const EndingCase& c = GetParam();
    Script script;
    script.start = [&](IEasyThread&) {
        return c.startResult;
    };
    script.run = [&](IEasyThread&) {
        return script.runs.Count() == 3 ? c.runResult : 0;
    };
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    if (!c.endsByItself) {
        ASSERT_TRUE(script.runs.WaitForCount(1));
    } else if (c.ends == 1) {
        ASSERT_TRUE(script.ends.WaitForCount(1)) << "onEnd comes without a stop";
    } else {
        // Nothing marks the end; after the deciding call, leave room for a
        // wrong further call to show before stopping.
        ASSERT_TRUE(c.startResult != 0 ? script.starts.WaitForCount(1)
                                       : script.runs.WaitForCount(3));
        std::this_thread::sleep_for(30ms);
    }
    thread.Stop();

    if (c.runs == kSomeRuns)
        EXPECT_GE(script.runs.Count(), 1u);
    else
        EXPECT_EQ(script.runs.Count(), c.runs);
    EXPECT_EQ(script.ends.Count(), c.ends);
}

INSTANTIATE_TEST_SUITE_P(
    Results, EasyThreadEndingTest,
    testing::Values(EndingCase{"RunNonZeroEndsAndCallsOnEnd", 0, 1, true, 3, 1},
                    EndingCase{"RunMinusOneEndsWithoutOnEnd", 0, -1, true, 3, 0},
                    EndingCase{"StartNonZeroSkipsRunButCallsOnEnd", 1, 0, true, 0, 1},
                    EndingCase{"StartMinusOneSkipsRunAndOnEnd", -1, 0, true, 0, 0},
                    EndingCase{"StopFromOutsideCallsOnEnd", 0, 0, false, kSomeRuns, 1}),
    [](const testing::TestParamInfo<EndingCase>& row) { return row.param.name; });

TEST(EasyThreadTest, StopFromItsOwnCallbackOnlyRequestsTheStop) {
    Script script;
    std::atomic<int> stopResult{-5};
    std::atomic<bool> stoppedAfter{false};
    EasyThread thread;
    script.run = [&](IEasyThread&) {
        if (script.runs.Count() == 1) {
            stopResult = thread.Stop();
            stoppedAfter = thread.IsStopRequested();
        }
        return 0;
    };
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.ends.WaitForCount(1)) << "the loop ends after the callback returns";
    EXPECT_EQ(stopResult, 0);
    EXPECT_TRUE(stoppedAfter);
    EXPECT_EQ(script.runs.Count(), 1u);
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_EQ(script.ends.Count(), 1u);
}

// Start after the thread stopped, whether stopped from outside or ended by
// itself, runs a new thread from onStart again.
struct RestartCase {
    std::string name;
    int runResult;
    bool stopBeforeRestart;
};

void PrintTo(const RestartCase& row, std::ostream* out) {
    *out << row.name;
}

class EasyThreadRestartTest : public testing::TestWithParam<RestartCase> {};

TEST_P(EasyThreadRestartTest, StartsAFreshThread) {
    const RestartCase& c = GetParam();
    Script script;
    // A new thread starts without the stop its predecessor was given.
    std::atomic<int> startsThatSawAStop{0};
    script.start = [&](IEasyThread& self) {
        if (self.Wait(0))
            ++startsThatSawAStop;
        return 0;
    };
    script.run = [&](IEasyThread&) {
        return c.runResult;
    };
    int first = 1;
    int second = 2;
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(&first), 0);
    if (c.stopBeforeRestart) {
        ASSERT_TRUE(script.runs.WaitForCount(1));
        thread.Stop();
    } else {
        ASSERT_TRUE(script.ends.WaitForCount(1));
    }
    ASSERT_EQ(script.ends.Count(), 1u);
    const std::size_t runsBefore = script.runs.Count();

    ASSERT_EQ(thread.Start(&second), 0);
    ASSERT_TRUE(script.runs.WaitForCount(runsBefore + 1));
    EXPECT_EQ(script.runs.Values()[runsBefore], 2);
    if (!c.stopBeforeRestart) {
        ASSERT_TRUE(script.ends.WaitForCount(2));
    }
    thread.Stop();

    EXPECT_EQ(script.starts.Values(), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(script.ends.Values(), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(startsThatSawAStop, 0);
}

INSTANTIATE_TEST_SUITE_P(Restart, EasyThreadRestartTest,
                         testing::Values(RestartCase{"AfterStop", 0, true},
                                         RestartCase{"AfterEndingByItself", 1, false}),
                         [](const testing::TestParamInfo<RestartCase>& row) {
                             return row.param.name;
                         });

TEST(EasyThreadTest, LockIsSharedBetweenTheThreadAndOutside) {
    constexpr int kRounds = 20000;
    Script script;
    int counter = 0; // only touched under the lock
    script.start = [&](IEasyThread& self) {
        for (int i = 0; i < kRounds; ++i) {
            self.Lock();
            ++counter;
            self.Unlock();
        }
        return 1;
    };
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    for (int i = 0; i < kRounds; ++i) {
        thread.Lock();
        thread.Lock(); // re-entrant
        ++counter;
        thread.Unlock();
        thread.Unlock();
    }
    ASSERT_TRUE(script.ends.WaitForCount(1));
    thread.Stop();
    thread.Lock();
    EXPECT_EQ(counter, 2 * kRounds);
    thread.Unlock();
}

TEST(EasyThreadTest, IdleThreadPicksUpAnOnRunInstalledLaterWithTheUserData) {
    Script script;
    std::atomic<int> seenValue{0};
    std::atomic<void*> seenData{nullptr};
    int payload = 0;
    script.run = [&](IEasyThread& self) {
        self.Lock();
        seenValue = self.UserData().value;
        seenData = self.UserData().data;
        self.Unlock();
        return 1;
    };
    EasyThread thread;
    thread.SetOnStart(script.Bind(&Script::OnStart));

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.starts.WaitForCount(1));
    thread.SetUserData(&payload, 42);
    thread.SetOnRun(script.Bind(&Script::OnRun));
    ASSERT_TRUE(script.runs.WaitForCount(1)) << "the idle thread must wake for a new onRun";
    thread.Stop();
    EXPECT_EQ(seenValue, 42);
    EXPECT_EQ(seenData, &payload);
}

TEST(EasyThreadTest, DestructionStopsTheThread) {
    Script script;
    CallLog waiting;
    script.run = [&](IEasyThread& self) {
        waiting.Record();
        self.Wait(10000);
        return 0;
    };
    auto thread = std::make_unique<EasyThread>();
    script.InstallAll(*thread);

    ASSERT_EQ(thread->Start(nullptr), 0);
    ASSERT_TRUE(waiting.WaitForCount(1));
    const auto before = Clock::now();
    thread.reset();
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);
    EXPECT_EQ(script.ends.Count(), 1u);
}

} // namespace
} // namespace keywright
