#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

namespace keywright {

// The stop protocol of a worker thread that can be stopped and started again,
// written once for EasyThread, RunableThread's worker and the key monitor's
// reader. The owner gives the worker's body; the body loops while
// KeepGoing().
//
// - The recorded thread id is the stop flag: a worker may loop while it is
//   the recorded thread; an empty id means "stop". Stop clears the id first
//   and only then calls the owner's `interrupt`, which must end every wait
//   the worker may be in (set its stop event, cancel its pending request). A
//   worker that looks at its id after its wait ended therefore sees the stop.
// - Start holds the start gate while it records the new thread's id, and the
//   new thread passes the gate before its body runs, so the worker never
//   looks at the id before it is there.
// - The control lock serialises Start, Restart and Stop from outside; Stop
//   holds it while it joins, so a Start never races a half-finished stop.
// - Stop called on the worker itself (from one of the owner's callbacks) only
//   requests the stop: the worker cannot join itself. It leaves its loop when
//   the callback returns, and the next Start or Stop from outside joins it.
// - A worker that left its loop by itself (EndRun) still holds its thread;
//   the next Start joins it before starting a new one.
//
// Not to be destroyed from the worker itself. Owners stop the worker in their
// own destructor, before the members its body uses go away; the destructor
// here stops it too, as a last guard.
class RestartableWorker {
  public:
    enum class StartResult {
        Started,        // a new worker runs
        AlreadyRunning, // Start only: the recorded worker runs on
        OnWorker,       // called on the worker itself: nothing done
        Failed,         // no thread could be created; no worker runs
    };

    // interrupt: ends the worker's waits (see above); called after the id is
    // cleared, by Stop and by Restart. rearm: clears what interrupt set, so a
    // new worker does not start out stopped; called with no worker running,
    // right before one is started.
    RestartableWorker(std::function<void()> interrupt, std::function<void()> rearm);
    ~RestartableWorker();
    RestartableWorker(const RestartableWorker&) = delete;
    RestartableWorker& operator=(const RestartableWorker&) = delete;

    // Starts a worker running body, unless the recorded one still runs. A
    // worker that ended its run by itself is joined first.
    StartResult Start(std::function<void()> body);
    // Stops a running worker and waits for it, calls `between` (no worker
    // runs, the control lock is held), then starts a new one.
    StartResult Restart(std::function<void()> body, const std::function<void()>& between = {});
    // From outside: requests the stop and waits without time limit for the
    // worker to finish; returns at once when no worker thread exists. On the
    // worker: only requests it (see above).
    void Stop();

    // For the worker: true while it is the recorded worker, i.e. until a stop
    // is requested or it ends its run. Any other thread gets false.
    bool KeepGoing() const;
    // For the worker leaving its loop by itself: clears the recorded id if it
    // is still its own, so the next Start replaces it.
    void EndRun();
    // True while a recorded worker exists (started, not stopped, not ended).
    bool IsRunning() const;
    // True on the worker thread, until it is joined.
    bool OnWorker() const;

  private:
    static_assert(std::is_trivially_copyable_v<std::thread::id>);

    void StopLocked();
    StartResult Launch(std::function<void()> body);

    const std::function<void()> interrupt_;
    const std::function<void()> rearm_;
    // Serialises Start, Restart and Stop from outside; held while joining.
    std::mutex controlLock_;
    // Held by Launch while it records the new thread's id.
    std::mutex startGate_;
    std::thread thread_;
    // The thread allowed to run its loop; empty means "stop".
    std::atomic<std::thread::id> runningId_{};
    // The thread thread_ holds until it is joined, for telling calls made on
    // the worker itself.
    std::atomic<std::thread::id> threadId_{};
};

} // namespace keywright
