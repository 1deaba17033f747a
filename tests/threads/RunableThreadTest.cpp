#include "threads/RunableThread.h"

#include "CallLog.h"
#include "threads/ThreadRunable.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace keywright {
namespace {

using test::CallLog;
using test::ElapsedMs;
using Clock = CallLog::Clock;
using namespace std::chrono_literals;

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

// A held task with the given interval and runs, and behind it a sentinel the
// scheduler only reaches once the held task has left the schedule. When the
// sentinel has run, the held task's count is final.
struct RunCountCase {
    std::string name;
    std::uint32_t interval;
    std::int32_t runs;
    std::size_t expected;
};

void PrintTo(const RunCountCase& row, std::ostream* out) {
    *out << row.name;
}

class RunableThreadRunsTest : public testing::TestWithParam<RunCountCase> {};

TEST_P(RunableThreadRunsTest, RunsAsOftenAsAskedIntervalApartThenLeaves) {
    const RunCountCase& c = GetParam();
    Target target;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

    const auto posted = Clock::now();
    ASSERT_EQ(thread.Post(target.Task(1, c.interval, c.runs, true)), 0);
    ASSERT_EQ(thread.Post(target.Task(2)), 0);
    ASSERT_TRUE(target.ran.WaitUntil([](const Ids& v) { return !v.empty() && v.back() == 2; }));

    Ids expected(c.expected, 1);
    expected.push_back(2);
    EXPECT_EQ(target.ran.Values(), expected);

    // Each repeat's interval starts after the previous hand-over, so run i
    // comes no sooner than i + 1 intervals after the post; the clock reads
    // whole milliseconds, hence 1 ms allowance per interval. (Gaps between
    // runs prove nothing: the worker may start one run late and the next on
    // time.)
    const auto times = target.ran.Times();
    const auto interval = std::chrono::milliseconds(c.interval);
    EXPECT_LT(ElapsedMs(posted, times[0]), interval + 2s);
    for (std::size_t i = 0; i < c.expected; ++i) {
        const auto intervals = static_cast<int>(i + 1);
        EXPECT_GE(ElapsedMs(posted, times[i]), intervals * (interval - 1ms)) << "run " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, RunableThreadRunsTest,
                         testing::Values(RunCountCase{"OnceAfter200ms", 200, 1, 1},
                                         RunCountCase{"RunsZeroIsOnce", 30, 0, 1},
                                         RunCountCase{"ThreeTimes", 30, 3, 3},
                                         RunCountCase{"ThreeTimesNoDelay", 0, 3, 3}),
                         [](const testing::TestParamInfo<RunCountCase>& row) {
                             return row.param.name;
                         });

TEST(RunableThreadTest, RunsForEverUntilDestroyed) {
    Target target;
    auto thread = std::make_unique<RunableThread<0>>();
    ASSERT_EQ(thread->Start(&target), 0);

    const auto posted = Clock::now();
    thread->Post(target.Task(1, 0, -1));
    ASSERT_TRUE(target.ran.WaitForCount(20));
    // About once a millisecond; a generous bound that still fails a scheduler
    // that waits for something else between repeats.
    EXPECT_LT(ElapsedMs(posted, Clock::now()), 2s);

    const auto before = Clock::now();
    thread.reset();
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);
    const std::size_t count = target.ran.Count();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(target.ran.Count(), count);
}

struct HoldCase {
    std::string name;
    bool hold;
    Ids order;
};

void PrintTo(const HoldCase& row, std::ostream* out) {
    *out << row.name;
}

class RunableThreadHoldTest : public testing::TestWithParam<HoldCase> {};

TEST_P(RunableThreadHoldTest, HeldTaskKeepsTheTasksBehindItWaiting) {
    const HoldCase& c = GetParam();
    Target target;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

    const auto posted = Clock::now();
    thread.Post(target.Task(1, 300, 1, c.hold));
    thread.Post(target.Task(2, 0));
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), c.order);
    if (c.hold) {
        const auto times = target.ran.Times();
        EXPECT_GE(ElapsedMs(posted, times[1]), 299ms);
    }
}

INSTANTIATE_TEST_SUITE_P(Hold, RunableThreadHoldTest,
                         testing::Values(HoldCase{"Held", true, {1, 2}},
                                         HoldCase{"NotHeld", false, {2, 1}}),
                         [](const testing::TestParamInfo<HoldCase>& row) {
                             return row.param.name;
                         });

TEST(RunableThreadTest, PostWakesTheSleepingTimerAndDestructionDoesToo) {
    Target target;
    auto thread = std::make_unique<RunableThread<0>>();
    ASSERT_EQ(thread->Start(&target), 0);

    // With nothing scheduled the timer sleeps without a deadline.
    thread->Post(target.Task(1));
    ASSERT_TRUE(target.ran.WaitForCount(1));
    // Now it sleeps until the long task is due; the pause only makes it
    // likely that it has gone back to sleep before the next post.
    thread->Post(target.Task(2, 60000));
    std::this_thread::sleep_for(20ms);
    thread->Post(target.Task(3));
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), (Ids{1, 3}));

    const auto before = Clock::now();
    thread.reset();
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);
    EXPECT_EQ(target.ran.Values(), (Ids{1, 3})) << "unrun tasks are dropped";
}

TEST(RunableThreadTest, AtFrontGoesAheadOfAHeldTask) {
    Target target;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

    thread.Post(target.Task(1, 150, 1, true));
    thread.Post(target.Task(2));
    thread.Post(target.Task(3), false);
    thread.Post(target.Task(4), true);
    ASSERT_TRUE(target.ran.WaitForCount(4));
    EXPECT_EQ(target.ran.Values(), (Ids{4, 1, 2, 3}));
}

TEST(RunableThreadTest, NullTaskIsIgnored) {
    Target target;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

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

TEST(RunableThreadTest, TaskThatCannotRunIsDropped) {
    Target target;
    CallLog wronglyRun;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

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

class RunableThreadArgumentTest : public testing::TestWithParam<ArgumentCase> {};

TEST_P(RunableThreadArgumentTest, MemberGetsTheTasksArguments) {
    Target target;
    RunableThread<0> thread;
    ASSERT_EQ(thread.Start(&target), 0);

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

TEST(RunableThreadTest, TaskPostedBeforeStartRunsAfterStart) {
    Target target;
    RunableThread<0> thread;
    thread.Post(target.Task(1));
    thread.Post(target.Task(2, 20));
    ASSERT_EQ(thread.Start(&target), 0);
    ASSERT_TRUE(target.ran.WaitForCount(2));
    EXPECT_EQ(target.ran.Values(), (Ids{1, 2}));
}

TEST(RunableThreadTest, TasksSeeTheWorkerAsTheirThread) {
    Target target;
    int payload = 0;
    std::atomic<bool> stoppedBefore{true};
    std::atomic<bool> shortWaitSawStop{true};
    std::atomic<bool> longWaitSawStop{false};
    std::atomic<bool> stoppedAfter{false};
    std::atomic<int> seenValue{0};
    CallLog waiting;
    auto thread = std::make_unique<RunableThread<0>>();
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
    ASSERT_EQ(thread->Start(&target), 0);
    thread->Post(target.Task(1));
    ASSERT_TRUE(waiting.WaitForCount(1));
    EXPECT_TRUE(thread->IsStopRequested()) << "asked from outside the worker";

    // Destruction cuts the task's wait short.
    const auto before = Clock::now();
    thread.reset();
    EXPECT_LT(ElapsedMs(before, Clock::now()), 1s);

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

TEST(RunableThreadTest, WorkerEndsWhenOnRunAsksAndStartRevivesIt) {
    Target target;
    Callbacks callbacks;
    RunableThread<0> thread;
    callbacks.Install(thread);
    callbacks.runResult = 1;
    ASSERT_EQ(thread.Start(&target), 0);
    ASSERT_TRUE(callbacks.ends.WaitForCount(1));
    EXPECT_EQ(callbacks.runs.Count(), 1u);

    // The timer keeps going; the copies wait for a worker.
    callbacks.runResult = 0;
    thread.Post(target.Task(1));
    ASSERT_EQ(thread.Start(&target), 0);
    ASSERT_TRUE(target.ran.WaitForCount(1));
    ASSERT_TRUE(callbacks.runs.WaitForCount(3)) << "onRun is called again and again";
    EXPECT_EQ(callbacks.starts.Count(), 2u);
    EXPECT_EQ(callbacks.ends.Count(), 1u);
}

} // namespace
} // namespace keywright
