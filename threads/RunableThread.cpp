#include "threads/RunableThread.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>

namespace keywright {
namespace {

// Milliseconds on the clock, shifted by one so that no real tick is 0, which
// a task's startTick reserves for "not looked at yet".
std::uint64_t Tick(const Clock& clock) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now().time_since_epoch());
    return static_cast<std::uint64_t>(ms.count()) + 1;
}

// The moment Tick() reaches tick.
Clock::TimePoint TimeOfTick(std::uint64_t tick) {
    const auto ms = std::chrono::milliseconds(static_cast<std::int64_t>(tick - 1));
    return Clock::TimePoint(std::chrono::duration_cast<Clock::Duration>(ms));
}

} // namespace

template <int N>
RunableThread<N>::RunableThread(Clock& clock)
    : clock_(clock), stopEvent_(clock),
      worker_([this] { stopEvent_.Set(); }, [this] { stopEvent_.Reset(); }) {}

template <int N>
RunableThread<N>::~RunableThread() {
    worker_.Stop();
    std::lock_guard<std::mutex> control(timerControl_);
    {
        std::lock_guard<std::mutex> queue(queueLock_);
        timerRunning_ = false;
    }
    timerWake_.notify_all();
    if (timer_.joinable())
        timer_.join();
    schedule_.clear();
    runQueue_.clear();
}

template <int N>
int RunableThread<N>::Start(void* owner) {
    owner_.store(owner);
    if (worker_.OnWorker())
        return 0;
    {
        std::lock_guard<std::mutex> control(timerControl_);
        if (!timer_.joinable()) {
            {
                std::lock_guard<std::mutex> queue(queueLock_);
                timerRunning_ = true;
            }
            try {
                timer_ = std::thread(&RunableThread::TimerBody, this);
            } catch (const std::system_error&) {
                std::lock_guard<std::mutex> queue(queueLock_);
                timerRunning_ = false;
                return 1;
            }
        }
    }
    return worker_.Start([this] { WorkerBody(); }) == RestartableWorker::StartResult::Failed ? 1
                                                                                             : 0;
}

template <int N>
void RunableThread<N>::Lock() {
    dataLock_.lock();
}

template <int N>
void RunableThread<N>::Unlock() {
    dataLock_.unlock();
}

template <int N>
int RunableThread<N>::Post(std::unique_ptr<BaseRunable> task, bool atFront) {
    if (!task)
        return 0;
    task->startTick = 0;
    {
        std::lock_guard<std::mutex> queue(queueLock_);
        if (atFront)
            schedule_.push_front(std::move(task));
        else
            schedule_.push_back(std::move(task));
        scheduleChanged_ = true;
    }
    timerWake_.notify_all();
    return 0;
}

template <int N>
bool RunableThread<N>::Wait(int ms) {
    if (ms < 0) {
        stopEvent_.WaitUntilSet();
        return true;
    }
    return stopEvent_.WaitFor(std::chrono::milliseconds(ms));
}

template <int N>
bool RunableThread<N>::IsStopRequested() {
    return !worker_.KeepGoing();
}

template <int N>
void RunableThread<N>::SetUserData(void* data, int value) {
    std::lock_guard<std::recursive_mutex> guard(dataLock_);
    userData_ = {data, value};
}

template <int N>
void RunableThread<N>::SetOnRun(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnRun(std::move(callback));
    stopEvent_.Wake();
}

template <int N>
void RunableThread<N>::SetOnStart(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnStart(std::move(callback));
}

template <int N>
void RunableThread<N>::SetOnEnd(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnEnd(std::move(callback));
}

template <int N>
void RunableThread<N>::TimerBody() {
    std::unique_lock<std::mutex> queue(queueLock_);
    while (timerRunning_) {
        scheduleChanged_ = false;
        const std::uint64_t now = Tick(clock_);
        bool handedOver = false;
        // A task that stays scheduled after a run starts its next interval at
        // the next look.
        bool lookAgainSoon = false;
        std::optional<std::uint64_t> nextDue;

        for (auto it = schedule_.begin(); it != schedule_.end();) {
            BaseRunable& task = **it;
            if (task.startTick == 0)
                task.startTick = now;
            if (now - task.startTick >= task.interval) {
                task.startTick = 0;
                if (task.runs != 0 && task.runs != -1)
                    --task.runs;
                runQueue_.push_back(task.Clone());
                handedOver = true;
                if (task.runs == 0) {
                    // That was its last run; it no longer holds anything back.
                    it = schedule_.erase(it);
                    continue;
                }
                lookAgainSoon = true;
            } else {
                const std::uint64_t due = task.startTick + task.interval;
                nextDue = nextDue ? std::min(*nextDue, due) : due;
            }
            if (task.holdQueue)
                break;
            ++it;
        }
        if (handedOver)
            stopEvent_.Wake();

        const auto woken = [this] {
            return !timerRunning_ || scheduleChanged_;
        };
        const Clock::TimePoint deadline = lookAgainSoon ? TimeOfTick(now + 1)
                                          : nextDue     ? TimeOfTick(*nextDue)
                                                        : Clock::kNever;
        clock_.WaitUntil(timerWake_, queue, deadline, woken);
    }
}

template <int N>
std::unique_ptr<BaseRunable> RunableThread<N>::TakeDue() {
    std::lock_guard<std::mutex> queue(queueLock_);
    if (runQueue_.empty())
        return nullptr;
    std::unique_ptr<BaseRunable> task = std::move(runQueue_.front());
    runQueue_.pop_front();
    return task;
}

template <int N>
void RunableThread<N>::WorkerBody() {
    int result = 0;
    if (const auto onStart = callbacks_.OnStart())
        result = onStart->Call(this, owner_.load());

    if (result == 0) {
        while (worker_.KeepGoing()) {
            const std::uint64_t ticket = stopEvent_.WakeTicket();
            std::unique_ptr<BaseRunable> task = TakeDue();
            const bool tookOne = task != nullptr;
            if (task && task->CanRun())
                task->Run(task->firstArg, task->secondArg, task->data.data(), task->data.size());
            task.reset();

            if (const auto onRun = callbacks_.OnRun()) {
                result = onRun->Call(this, owner_.load());
                if (result != 0) {
                    worker_.EndRun();
                    break;
                }
                stopEvent_.WaitFor(std::chrono::milliseconds(1));
            } else if (!tookOne) {
                // The ticket predates the look at the queue, so a copy handed
                // over since then ends this sleep at once.
                stopEvent_.WaitForWake(ticket);
            }
        }
    }

    if (result != -1) {
        if (const auto onEnd = callbacks_.OnEnd())
            onEnd->Call(this, owner_.load());
    }
}

template class RunableThread<0>;

} // namespace keywright
