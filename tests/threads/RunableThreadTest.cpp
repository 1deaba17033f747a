#include "threads/RunableThread.h"

#include "CallLog.h"
#include "support/ClockScript.h"
#include "threads/ThreadRunable.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace keywright {
namespace {

using test::CallLog;
using test::MsSince;
using test::Pass;
using namespace std::chrono_literals;

// The timer and the worker: both wait on the clock once they have done what
// was due.
constexpr std::size_t kBoth = 2;

// The owner of the scheduler in these tests. Each run logs the task's
// firstArg (its id here) and the arguments it was given, then does what the
// test set (set it before posting).
class Target {
  public:
    struct Call {
        std::int32_t first;
        std::int32_t second;
        std::vector<std::uint8_t> bytes;
        bool nullData;
    };

    explicit Target(const Clock& clock) : ran(clock) {}

    CallLog ran;
    std::function<void()> during;

    int OnTask(std::int32_t first, std::int32_t second, const std::uint8_t* data,
               std::size_t length) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            calls_.push_back(
                {first, second, std::vector<std::uint8_t>(data, data + length), data == nullptr});
        }
        if (during)
            during();
        ran.Record(first);
        return 0;
    }

    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> guard(lock_);
        return calls_;
    }

    std::unique_ptr<ThreadRunable<Target>> Task(std::int32_t id, std::uint32_t interval = 0,
                                                std::int32_t runs = 1, bool hold = false) {
        auto task = std::make_unique<ThreadRunable<Target>>(this, &Target::OnTask);
        task->firstArg = id;
        task->interval = interval;
        task->runs = runs;
        task->holdQueue = hold;
        return task;
    }

  private:
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

using Ids = std::vector<std::int64_t>;
using Ms = std::vector<std::int64_t>;

// A scheduler on a test clock, with its owner.
class RunableThreadTest : public testing::Test {
  protected:
    void Start() { ASSERT_EQ(thread.Start(&target), 0); }

    // Moves the clock on to `ms` after start, checking on the way that the
    // log holds `count` runs 1 ms before. Then waits for the run due there.
    void RunsAt(std::int64_t ms, std::size_t count) {
        const Clock::TimePoint due = start + std::chrono::milliseconds(ms);
        if (due > clock.Now()) {
            ASSERT_TRUE(Pass(clock, due - 1ms - clock.Now(), kBoth));
            ASSERT_TRUE(clock.WaitForSleepers(kBoth));
            EXPECT_EQ(target.ran.Count(), count) << "nothing more runs before " << ms << " ms";
            ASSERT_TRUE(Pass(clock, 1ms, kBoth));
        }
        ASSERT_TRUE(target.ran.WaitForCount(count + 1)) << "a run at " << ms << " ms";
    }

    ManualClock clock;
    const Clock::TimePoint start = clock.Now();
    Target target{clock};
    RunableThread<0> thread{clock};
};

// A held task with the given interval and runs, and behind it a sentinel the
// scheduler only reaches once the held task has left the schedule. Each
// repeat's interval counts from the scheduler's next look, 1 ms after the
// previous run. (Both are posted before Start: a post makes the scheduler look
// at once, which starts a repeating task's next interval early.)
struct RunCountCase {
    std::string name;
    std::uint32_t interval;
    std::int32_t runs;
    Ms runsAt;
};

void PrintTo(const RunCountCase& row, std::ostream* out) {
    *out << row.name;
}

class RunableThreadRunsTest : public RunableThreadTest,
                              public testing::WithParamInterface<RunCountCase> {};

TEST_P(RunableThreadRunsTest, RunsAsOftenAsAskedIntervalApartThenLeaves) {
    const RunCountCase& c = GetParam();
    ASSERT_EQ(thread.Post(target.Task(1, c.interval, c.runs, true)), 0);
    ASSERT_EQ(thread.Post(target.Task(2)), 0);
    Start();
    for (std::size_t i = 0; i < c.runsAt.size(); ++i)
        RunsAt(c.runsAt[i], i);
    ASSERT_TRUE(target.ran.WaitForCount(c.runsAt.size() + 1)) << "the sentinel";
    // "1 s": nothing is left to run.
    ASSERT_TRUE(Pass(clock, 1s, kBoth));
    ASSERT_TRUE(clock.WaitForSleepers(kBoth));

    Ids ids(c.runsAt.size(), 1);
    ids.push_back(2);
    EXPECT_EQ(target.ran.Values(), ids);
    Ms times = c.runsAt;
    times.push_back(c.runsAt.back()); // the sentinel, at the held task's last look
    EXPECT_EQ(MsSince(start, target.ran.Times()), times);
}

INSTANTIATE_TEST_SUITE_P(Counts, RunableThreadRunsTest,
                         testing::Values(RunCountCase{"OnceAfter200ms", 200, 1, {200}},
                                         RunCountCase{"RunsZeroIsOnce", 30, 0, {30}},
                                         RunCountCase{"ThreeTimes", 30, 3, {30, 61, 92}},
                                         RunCountCase{"ThreeTimesNoDelay", 0, 3, {0, 1, 2}}),
                         [](const testing::TestParamInfo<RunCountCase>& row) {
                             return row.param.name;
                         });

TEST(RunableThreadLifetime, RunsForEverOnceAMillisecondUntilDestroyed) {
    ManualClock clock;
    Target target(clock);
    auto thread = std::make_unique<RunableThread<0>>(clock);
    ASSERT_EQ(thread->Start(&target), 0);
    const Clock::TimePoint start = clock.Now();

    thread->Post(target.Task(1, 0, -1));
    Ms expected;
    for (std::int64_t ms = 0; ms < 20; ++ms) {
        expected.push_back(ms);
        ASSERT_TRUE(target.ran.WaitForCount(expected.size()));
        ASSERT_TRUE(Pass(clock, 1ms, kBoth));
    }
    ASSERT_TRUE(target.ran.WaitForCount(21));
    ASSERT_TRUE(clock.WaitForSleepers(kBoth));
    expected.push_back(20);

    thread.reset(); // the clock stands still: the stop alone ends both threads
    EXPECT_EQ(MsSince(start, target.ran.Times()), expected) << "nothing after the destruction";
}

struct HoldCase {
    std::string name;
    bool hold;
    Ids order;
    Ms times;
};

void PrintTo(const HoldCase& row, std::ostream* out) {
    *out << row.name;
}

class RunableThreadHoldTest : public RunableThreadTest,
                              public testing::WithParamInterface<HoldCase> {};

TEST_P(RunableThreadHoldTest, HeldTaskKeepsTheTasksBehindItWaiting) {
    const HoldCase& c = GetParam();
    Start();
    thread.Post(target.Task(1, 300, 1, c.hold));
    thread.Post(target.Task(2, 0));
    ASSERT_TRUE(Pass(clock, 300ms, kBoth));
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), c.order);
    EXPECT_EQ(MsSince(start, target.ran.Times()), c.times);
}

INSTANTIATE_TEST_SUITE_P(Hold, RunableThreadHoldTest,
                         testing::Values(HoldCase{"Held", true, {1, 2}, {300, 300}},
                                         HoldCase{"NotHeld", false, {2, 1}, {0, 300}}),
                         [](const testing::TestParamInfo<HoldCase>& row) {
                             return row.param.name;
                         });

TEST(RunableThreadLifetime, PostWakesTheSleepingTimerAndDestructionDoesToo) {
    ManualClock clock;
    Target target(clock);
    auto thread = std::make_unique<RunableThread<0>>(clock);
    ASSERT_EQ(thread->Start(&target), 0);
    const Clock::TimePoint start = clock.Now();

    // With nothing scheduled the timer sleeps without a deadline.
    thread->Post(target.Task(1));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    // Now it sleeps until the long task is due.
    thread->Post(target.Task(2, 60000));
    ASSERT_TRUE(clock.WaitForSleepers(kBoth));
    thread->Post(target.Task(3));
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), (Ids{1, 3}));
    EXPECT_EQ(MsSince(start, target.ran.Times()), (Ms{0, 0})) << "woken, not timed out";

    thread.reset();
    EXPECT_EQ(target.ran.Values(), (Ids{1, 3})) << "unrun tasks are dropped";
}

TEST_F(RunableThreadTest, AtFrontGoesAheadOfAHeldTask) {
    Start();
    thread.Post(target.Task(1, 150, 1, true));
    thread.Post(target.Task(2));
    thread.Post(target.Task(3), false);
    thread.Post(target.Task(4), true);
    ASSERT_TRUE(target.ran.WaitForCount(1));
    RunsAt(150, 1);
    ASSERT_TRUE(target.ran.WaitForCount(4));
    EXPECT_EQ(target.ran.Values(), (Ids{4, 1, 2, 3}));
    EXPECT_EQ(MsSince(start, target.ran.Times()), (Ms{0, 150, 150, 150}));
}

TEST_F(RunableThreadTest, NullTaskIsIgnored) {
    Start();
    EXPECT_EQ(thread.Post(nullptr), 0);
    EXPECT_EQ(thread.Post(nullptr, true), 0);
    thread.Post(target.Task(1));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    EXPECT_EQ(target.ran.Values(), (Ids{1}));
}

// A task that says it cannot run but would log it if run anyway.
class Unrunnable final : public BaseRunable {
  public:
    explicit Unrunnable(CallLog& log) : log_(&log) {}
    bool CanRun() const override { return false; }
    std::unique_ptr<BaseRunable> Clone() const override {
        return std::make_unique<Unrunnable>(*this);
    }
    int Run(std::int32_t, std::int32_t, const std::uint8_t*, std::size_t) override {
        log_->Record();
        return 0;
    }

  private:
    CallLog* log_;
};

TEST_F(RunableThreadTest, TaskThatCannotRunIsDropped) {
    Start();
    CallLog wronglyRun;
    thread.Post(std::make_unique<Unrunnable>(wronglyRun));
    thread.Post(std::make_unique<ThreadRunable<Target>>());
    thread.Post(target.Task(1));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    EXPECT_EQ(wronglyRun.Count(), 0u);
}

struct ArgumentCase {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

void PrintTo(const ArgumentCase& row, std::ostream* out) {
    *out << row.name;
}

class RunableThreadArgumentTest : public RunableThreadTest,
                                  public testing::WithParamInterface<ArgumentCase> {};

TEST_P(RunableThreadArgumentTest, MemberGetsTheTasksArguments) {
    Start();
    auto task = target.Task(7);
    task->secondArg = -3;
    task->data = GetParam().bytes;
    thread.Post(std::move(task));
    ASSERT_TRUE(target.ran.WaitForCount(1));

    const auto calls = target.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, 7);
    EXPECT_EQ(calls[0].second, -3);
    EXPECT_EQ(calls[0].bytes, GetParam().bytes);
    if (!GetParam().bytes.empty()) {
        EXPECT_FALSE(calls[0].nullData);
    }
}

INSTANTIATE_TEST_SUITE_P(Arguments, RunableThreadArgumentTest,
                         testing::Values(ArgumentCase{"WithBuffer", {1, 2, 3, 0xFF}},
                                         ArgumentCase{"EmptyBuffer", {}}),
                         [](const testing::TestParamInfo<ArgumentCase>& row) {
                             return row.param.name;
                         });

TEST(RunableThreadStart, TaskPostedBeforeStartRunsAfterStart) {
    ManualClock clock;
    Target target(clock);
    RunableThread<0> thread(clock);
    const Clock::TimePoint start = clock.Now();
    thread.Post(target.Task(1));
    thread.Post(target.Task(2, 20));
    ASSERT_TRUE(Pass(clock, 5ms, 0)); // no thread runs yet: nothing looks at the tasks
    ASSERT_EQ(thread.Start(&target), 0);
    ASSERT_TRUE(target.ran.WaitForCount(1));
    ASSERT_TRUE(Pass(clock, 20ms, kBoth));
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), (Ids{1, 2}));
    EXPECT_EQ(MsSince(start, target.ran.Times()), (Ms{5, 25})) << "intervals count from Start";
}

TEST(RunableThreadOnTheSystemClock, ATaskFallsDueByItself) {
    // The real clock is the point here: nobody moves time.
    Target target(SystemClock());
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);
    const Clock::TimePoint posted = SystemClock().Now();
    thread.Post(target.Task(1, 20));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    // The clock reads whole milliseconds: 1 ms allowance.
    EXPECT_GE(target.ran.Times()[0] - posted, 19ms);
}

TEST(RunableThreadWorker, TasksSeeTheWorkerAsTheirThread) {
    ManualClock clock;
    Target target(clock);
    int payload = 0;
    std::atomic<bool> stoppedBefore{true};
    std::atomic<bool> shortWaitSawStop{true};
    std::atomic<bool> longWaitSawStop{false};
    std::atomic<bool> stoppedAfter{false};
    std::atomic<int> seenValue{0};
    CallLog waiting(clock);
    auto thread = std::make_unique<RunableThread<0>>(clock);
    thread->SetUserData(&payload, 17);
    // The task reaches the scheduler through a plain pointer: the unique_ptr
    // itself changes while the destructor runs.
    RunableThread<0>* const self = thread.get();
    target.during = [&, self] {
        self->Lock();
        seenValue = self->UserData().value;
        self->Unlock();
        stoppedBefore = self->IsStopRequested();
        shortWaitSawStop = self->Wait(5);
        waiting.Record();
        longWaitSawStop = self->Wait(10000);
        stoppedAfter = self->IsStopRequested();
    };
    const Clock::TimePoint start = clock.Now();
    ASSERT_EQ(thread->Start(&target), 0);
    thread->Post(target.Task(1));
    ASSERT_TRUE(Pass(clock, 5ms, kBoth));
    ASSERT_TRUE(waiting.WaitForCount(1));
    EXPECT_TRUE(thread->IsStopRequested()) << "asked from outside the worker";

    // Destruction cuts the task's wait short; the clock stands still.
    thread.reset();

    EXPECT_EQ(MsSince(start, waiting.Times()), (Ms{5}));
    EXPECT_EQ(clock.Now(), start + 5ms);
    EXPECT_EQ(seenValue, 17);
    EXPECT_FALSE(stoppedBefore);
    EXPECT_FALSE(shortWaitSawStop);
    EXPECT_TRUE(longWaitSawStop);
    EXPECT_TRUE(stoppedAfter);
}

// The owner of the worker's callbacks.
class Callbacks {
  public:
    CallLog starts;
    CallLog runs;
    CallLog ends;
    std::atomic<int> runResult{0};

    int OnStart(IRunableThread*, void*) {
        starts.Record();
        return 0;
    }
    int OnRun(IRunableThread*, void*) {
        runs.Record();
        return runResult.load();
    }
    int OnEnd(IRunableThread*, void*) {
        ends.Record();
        return 0;
    }

    void Install(RunableThread<0>& thread) {
        using Bound = EasyThread::Callback<IRunableThread, Callbacks>;
        std::lock_guard<std::recursive_mutex> setup(thread.SetupLock());
        thread.SetOnStart(std::make_unique<Bound>(this, &Callbacks::OnStart));
        thread.SetOnRun(std::make_unique<Bound>(this, &Callbacks::OnRun));
        thread.SetOnEnd(std::make_unique<Bound>(this, &Callbacks::OnEnd));
    }
};

TEST(RunableThreadWorker, WorkerEndsWhenOnRunAsksAndStartRevivesIt) {
    ManualClock clock;
    Target target(clock);
    Callbacks callbacks;
    RunableThread<0> thread(clock);
    callbacks.Install(thread);
    callbacks.runResult = 1;
    ASSERT_EQ(thread.Start(&target), 0);
    ASSERT_TRUE(callbacks.ends.WaitForCount(1));
    EXPECT_EQ(callbacks.runs.Count(), 1u);

    // The timer keeps going; the copies wait for a worker.
    callbacks.runResult = 0;
    thread.Post(target.Task(1));
    ASSERT_EQ(thread.Start(&target), 0);
    // onRun comes between tasks, 1 ms of the clock apart.
    ASSERT_TRUE(Pass(clock, 1ms, kBoth));
    ASSERT_TRUE(Pass(clock, 1ms, kBoth));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    ASSERT_TRUE(callbacks.runs.WaitForCount(4)) << "onRun is called again and again";
    EXPECT_EQ(callbacks.starts.Count(), 2u);
    EXPECT_EQ(callbacks.ends.Count(), 1u);
}

} // namespace
} // namespace keywright
