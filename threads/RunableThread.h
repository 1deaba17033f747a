#pragma once

#include "base/Clock.h"
#include "threads/BaseRunable.h"
#include "threads/CallbackSlots.h"
#include "threads/EasyThread.h"
#include "threads/IRunableThread.h"
#include "threads/RestartableWorker.h"
#include "threads/StopEvent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace keywright {

// A small scheduler: a timer thread keeps the posted tasks and hands a copy of
// each due task to a worker thread, which runs the copies one after another in
// the order they fell due. The worker calls its owner back like an EasyThread
// (onStart, onRun between tasks, onEnd), with this scheduler as the thread.
//
// The timer sleeps until the next task is due or a task is posted. Its ticks
// are whole milliseconds of the clock it is given. A task that stays
// scheduled after a run starts its next interval at the timer's next look, a
// millisecond later (sooner when a post wakes the timer first), so an
// interval-0 task that runs for ever runs about once a millisecond.
//
// N is not used; RunableThread<0> is the only kind.
template <int N>
class RunableThread : public IRunableThread {
  public:
    using ThreadCallback = EasyThread::ICallback<IRunableThread>;

    // The schedule's milliseconds, the tasks' waits and the worker's pauses
    // are all on `clock`.
    explicit RunableThread(Clock& clock = SystemClock());
    // Stops both threads, waits for them, and drops every task not yet run.
    // Not from one of its own tasks or callbacks.
    ~RunableThread() override;
    RunableThread(const RunableThread&) = delete;
    RunableThread& operator=(const RunableThread&) = delete;

    // Starts the timer when it is not running and the worker when it is not
    // running; a worker that has left its run (onRun returned non-zero) is
    // joined first and a new one started. Always replaces the owner, which
    // every callback is given; on the worker itself that is all it does.
    // 0, or 1 when a thread could not be created (Start may be tried again).
    int Start(void* owner);

    void Lock() override;
    void Unlock() override;
    int Post(std::unique_ptr<BaseRunable> task, bool atFront = false) override;
    bool Wait(int ms) override;
    bool IsStopRequested() override;
    void SetUserData(void* data, int value) override;

    // As EasyThread's: the setters take the lock themselves.
    std::recursive_mutex& SetupLock() { return callbacks_.SetupLock(); }
    void SetOnRun(std::unique_ptr<ThreadCallback> callback);
    void SetOnStart(std::unique_ptr<ThreadCallback> callback);
    void SetOnEnd(std::unique_ptr<ThreadCallback> callback);

  private:
    void TimerBody();
    void WorkerBody();
    std::unique_ptr<BaseRunable> TakeDue();

    // Serialises starting the timer and destruction.
    std::mutex timerControl_;
    Clock& clock_;
    std::thread timer_;
    std::atomic<void*> owner_{nullptr};
    StopEvent stopEvent_; // the worker's stop; Wake() when the run queue grows

    // Guards the schedule, the run queue and the timer's own state.
    std::mutex queueLock_;
    std::condition_variable timerWake_;
    bool timerRunning_ = false;
    bool scheduleChanged_ = false;
    std::list<std::unique_ptr<BaseRunable>> schedule_;
    std::deque<std::unique_ptr<BaseRunable>> runQueue_;

    std::recursive_mutex dataLock_;
    CallbackSlots<ThreadCallback> callbacks_;
    // Last: its body uses everything above.
    RestartableWorker worker_;
};

extern template class RunableThread<0>;

} // namespace keywright
