#include "threads/EasyThread.h"

#include "CallLog.h"
#include "support/ClockScript.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace keywright {
namespace {

using test::CallLog;
using test::MsSince;
using test::Pass;
using namespace std::chrono_literals;

// The owning object of a thread in these tests: each callback logs the value
// of the owner it was given (owners are ints) and then does what the test set.
// Set the behaviours before Start; the thread reads them without a lock.
class Script {
  public:
    using Step = std::function<int(IEasyThread&)>;

    explicit Script(const Clock& clock) : starts(clock), runs(clock), ends(clock) {}

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

// A thread on a test clock: time moves only when the test says so.
class EasyThreadTest : public testing::Test {
  protected:
    ManualClock clock;
    Script script{clock};
    EasyThread thread{clock};
};

// Logs when the thread that armed it has ended: a thread-local object is
// destroyed after the thread's function returned, so the worker has then made
// its last call.
class ExitMark {
  public:
    static void Arm(CallLog& log) { Instance().log_ = &log; }

  private:
    static ExitMark& Instance() {
        thread_local ExitMark mark;
        return mark;
    }
    ExitMark() = default;
    ~ExitMark() {
        if (log_ != nullptr)
            log_->Record();
    }
    CallLog* log_ = nullptr;
};

TEST_F(EasyThreadTest, StartWhileRunningOnlyReplacesTheOwner) {
    int first = 1;
    int second = 2;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(&first), 0);
    ASSERT_TRUE(script.runs.WaitForCount(1));
    ASSERT_EQ(thread.Start(&second), 0);
    ASSERT_TRUE(Pass(clock, 1ms));
    ASSERT_TRUE(script.runs.WaitForCount(2));
    EXPECT_EQ(thread.Stop(), 0);

    EXPECT_EQ(script.starts.Values(), (std::vector<std::int64_t>{1}));
    EXPECT_EQ(script.runs.Values(), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(script.ends.Values(), (std::vector<std::int64_t>{2}));
}

TEST_F(EasyThreadTest, OnRunComesAgainEachMillisecondOfTheClock) {
    script.InstallAll(thread);
    const Clock::TimePoint start = clock.Now();

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.runs.WaitForCount(1));
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_EQ(script.runs.Count(), 1u) << "no second call before the clock moves";
    for (int step = 0; step < 3; ++step)
        ASSERT_TRUE(Pass(clock, 1ms));
    ASSERT_TRUE(script.runs.WaitForCount(4));
    ASSERT_TRUE(clock.WaitForSleepers(1));
    thread.Stop();
    EXPECT_EQ(MsSince(start, script.runs.Times()), (std::vector<std::int64_t>{0, 1, 2, 3}));
}

TEST_F(EasyThreadTest, StopWithoutARunningThreadReturnsAtOnce) {
    script.InstallAll(thread);

    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_EQ(thread.Stop(), 0);
    EXPECT_EQ(script.starts.Count(), 0u);
    EXPECT_EQ(script.ends.Count(), 0u);
    // Only the running thread itself is "not stopped".
    EXPECT_TRUE(thread.IsStopRequested());
}

TEST_F(EasyThreadTest, StopCutsACallbacksWaitShort) {
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
    std::atomic<bool> endDeadlineSawStop{false};
    script.end = [&](IEasyThread& self) {
        endWaitSawStop = self.Wait(10000);
        endDeadlineSawStop = self.WaitUntil(Clock::kNever);
        return 0;
    };
    script.InstallAll(thread);
    const Clock::TimePoint start = clock.Now();

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(waiting.WaitForCount(1));
    EXPECT_TRUE(thread.IsStopRequested()) << "asked from outside the thread";
    EXPECT_EQ(thread.Stop(), 0); // the clock stands still: only the stop ends the wait

    EXPECT_EQ(clock.Now(), start);
    EXPECT_FALSE(stoppedBefore);
    EXPECT_TRUE(waitSawStop);
    EXPECT_TRUE(stoppedAfter);
    EXPECT_TRUE(endWaitSawStop);
    EXPECT_TRUE(endDeadlineSawStop);
    EXPECT_EQ(script.runs.Count(), 1u);
    EXPECT_EQ(script.ends.Count(), 1u);
}

TEST_F(EasyThreadTest, WaitRunsOutWhenTheClockGetsThere) {
    std::atomic<bool> zeroSawStop{true};
    std::atomic<bool> shortSawStop{true};
    std::atomic<bool> deadlineSawStop{true};
    CallLog done(clock);
    script.start = [&](IEasyThread& self) {
        zeroSawStop = self.Wait(0);
        shortSawStop = self.Wait(20);
        done.Record();
        deadlineSawStop = self.WaitUntil(clock.Now() + 5ms);
        done.Record();
        return 1;
    };
    script.InstallAll(thread);
    const Clock::TimePoint start = clock.Now();

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(Pass(clock, 19ms));
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_EQ(done.Count(), 0u) << "19 ms: still waiting";
    ASSERT_TRUE(Pass(clock, 1ms));
    ASSERT_TRUE(done.WaitForCount(1));
    ASSERT_TRUE(Pass(clock, 5ms));
    ASSERT_TRUE(script.ends.WaitForCount(1));
    thread.Stop();
    EXPECT_FALSE(zeroSawStop);
    EXPECT_FALSE(shortSawStop);
    EXPECT_FALSE(deadlineSawStop);
    EXPECT_EQ(MsSince(start, done.Times()), (std::vector<std::int64_t>{20, 25}));
}

TEST(EasyThreadOnTheSystemClock, WaitsAndTheRunLoopGoOnByThemselves) {
    // The real clock is the point here: nobody moves time.
    Script script(SystemClock());
    std::atomic<bool> waitSawStop{true};
    script.start = [&](IEasyThread& self) {
        waitSawStop = self.Wait(20);
        return 0;
    };
    EasyThread thread;
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.runs.WaitForCount(3));
    thread.Stop();
    EXPECT_FALSE(waitSawStop);
    EXPECT_GE(script.runs.Times()[0] - script.starts.Times()[0], 20ms);
}

// How the results of onStart and onRun end the thread. onRun returns
// runResult on its third call and 0 before.
struct EndingCase {
    std::string name;
    int startResult;
    int runResult;
    bool endsByItself; // false: the test stops it after the first onRun
    std::size_t runs;
    std::size_t ends;
};

void PrintTo(const EndingCase& row, std::ostream* out) {
    *out << row.name;
}

class EasyThreadEndingTest : public testing::TestWithParam<EndingCase> {};

TEST_P(EasyThreadEndingTest, ResultsSteerTheLoopAndOnEnd) {
    const EndingCase& c = GetParam();
    ManualClock clock;
    Script script(clock);
    CallLog exited;
    script.start = [&](IEasyThread&) {
        ExitMark::Arm(exited);
        return c.startResult;
    };
    script.run = [&](IEasyThread&) {
        return script.runs.Count() == 3 ? c.runResult : 0;
    };
    EasyThread thread(clock);
    script.InstallAll(thread);

    ASSERT_EQ(thread.Start(nullptr), 0);
    if (c.endsByItself) {
        if (c.startResult == 0) {
            // "1 ms", "1 ms": the third onRun.
            ASSERT_TRUE(Pass(clock, 1ms));
            ASSERT_TRUE(Pass(clock, 1ms));
        }
        ASSERT_TRUE(exited.WaitForCount(1)) << "the thread ends without a stop";
    } else {
        ASSERT_TRUE(script.runs.WaitForCount(1));
    }
    thread.Stop();

    EXPECT_EQ(script.runs.Count(), c.runs);
    EXPECT_EQ(script.ends.Count(), c.ends);
}

INSTANTIATE_TEST_SUITE_P(
    Results, EasyThreadEndingTest,
    testing::Values(EndingCase{"RunNonZeroEndsAndCallsOnEnd", 0, 1, true, 3, 1},
                    EndingCase{"RunMinusOneEndsWithoutOnEnd", 0, -1, true, 3, 0},
                    EndingCase{"StartNonZeroSkipsRunButCallsOnEnd", 1, 0, true, 0, 1},
                    EndingCase{"StartMinusOneSkipsRunAndOnEnd", -1, 0, true, 0, 0},
                    EndingCase{"StopFromOutsideCallsOnEnd", 0, 0, false, 1, 1}),
    [](const testing::TestParamInfo<EndingCase>& row) { return row.param.name; });

TEST_F(EasyThreadTest, StopFromItsOwnCallbackOnlyRequestsTheStop) {
    std::atomic<int> stopResult{-5};
    std::atomic<bool> stoppedAfter{false};
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
    ManualClock clock;
    Script script(clock);
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
    EasyThread thread(clock);
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

TEST_F(EasyThreadTest, LockIsSharedBetweenTheThreadAndOutside) {
    constexpr int kRounds = 20000;
    int counter = 0; // only touched under the lock
    script.start = [&](IEasyThread& self) {
        for (int i = 0; i < kRounds; ++i) {
            self.Lock();
            ++counter;
            self.Unlock();
        }
        return 1;
    };
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

TEST_F(EasyThreadTest, IdleThreadPicksUpAnOnRunInstalledLaterWithTheUserData) {
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
    thread.SetOnStart(script.Bind(&Script::OnStart));

    ASSERT_EQ(thread.Start(nullptr), 0);
    ASSERT_TRUE(script.starts.WaitForCount(1));
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "idle: asleep without deadline";
    thread.SetUserData(&payload, 42);
    thread.SetOnRun(script.Bind(&Script::OnRun));
    ASSERT_TRUE(script.runs.WaitForCount(1)) << "the idle thread must wake for a new onRun";
    thread.Stop();
    EXPECT_EQ(seenValue, 42);
    EXPECT_EQ(seenData, &payload);
}

TEST(EasyThreadDestruction, StopsTheThreadAndEndsItsWait) {
    ManualClock clock;
    Script script(clock);
    CallLog waiting;
    script.run = [&](IEasyThread& self) {
        waiting.Record();
        self.Wait(10000);
        return 0;
    };
    auto thread = std::make_unique<EasyThread>(clock);
    script.InstallAll(*thread);
    const Clock::TimePoint start = clock.Now();

    ASSERT_EQ(thread->Start(nullptr), 0);
    ASSERT_TRUE(waiting.WaitForCount(1));
    thread.reset(); // the clock stands still: only the stop ends the wait
    EXPECT_EQ(clock.Now(), start);
    EXPECT_EQ(script.ends.Count(), 1u);
}

} // namespace
} // namespace keywright
