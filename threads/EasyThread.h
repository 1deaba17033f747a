#pragma once

#include "threads/CallbackSlots.h"
#include "threads/IEasyThread.h"
#include "threads/RestartableWorker.h"
#include "threads/StopEvent.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace keywright {

// One restartable worker thread that calls its owner back: onStart once, then
// onRun over and over (1 ms of its clock apart) until onRun returns non-zero or
// the owner stops the thread, then onEnd. Any callback may be missing; without onRun the
// thread sleeps until it is stopped or an onRun is installed.
//
// Callbacks run on the worker thread. Start and Stop come from the owner; a
// callback may call Stop on its own thread, which only requests the stop (see
// Stop). The object must not be destroyed from one of its own callbacks.
class EasyThread : public IEasyThread {
  public:
    // One callback slot. Thread is the interface the callback is given
    // (IEasyThread here, IRunableThread for the scheduler's worker).
    template <class Thread>
    class ICallback {
      public:
        virtual ~ICallback() = default;
        // The result steers the thread: see EasyThread and RunableThread.
        virtual int Call(Thread* thread, void* owner) = 0;
    };

    // Binds a member function of the owning object to a callback slot. An
    // adapter without object or member does nothing and returns 0.
    template <class Thread, class T>
    class Callback final : public ICallback<Thread> {
      public:
        using Method = int (T::*)(Thread* thread, void* owner);

        Callback(T* object, Method method) : object_(object), method_(method) {}

        int Call(Thread* thread, void* owner) override {
            if (object_ == nullptr || method_ == nullptr)
                return 0;
            return (object_->*method_)(thread, owner);
        }

      private:
        T* object_ = nullptr;
        Method method_ = nullptr;
    };

    using ThreadCallback = ICallback<IEasyThread>;

    // Every wait of the thread and its callbacks is on `clock`.
    explicit EasyThread(Clock& clock = SystemClock());
    ~EasyThread() override; // stops and joins the thread
    EasyThread(const EasyThread&) = delete;
    EasyThread& operator=(const EasyThread&) = delete;

    // Starts the thread with this owner, which every callback is given. When
    // the thread is already running only the owner is replaced. A thread that
    // has left its run (onRun returned non-zero, or it stopped itself) is
    // joined first and a new one started. Called on the thread itself, only
    // replaces the owner. 0, or 1 when no thread could be created; the object
    // then stays idle and may be started again.
    int Start(void* owner);

    // Requests a stop, wakes any Wait, and waits without time limit for the
    // thread to finish its onEnd. Returns at once when no thread runs. Called
    // from one of the thread's own callbacks it only requests the stop: the
    // callback returns, onEnd runs, and the next Start or Stop from outside
    // collects the thread. Do not call it while holding Lock(): the thread may
    // be waiting for that lock. Always 0.
    int Stop();

    void Lock() override;
    void Unlock() override;
    bool Wait(int ms) override;
    bool WaitUntil(Clock::TimePoint deadline) override;
    bool IsStopRequested() override;
    void SetUserData(void* data, int value) override;

    // Installing callbacks while the thread runs: see CallbackSlots.
    std::recursive_mutex& SetupLock() { return callbacks_.SetupLock(); }
    void SetOnRun(std::unique_ptr<ThreadCallback> callback);
    void SetOnStart(std::unique_ptr<ThreadCallback> callback);
    void SetOnEnd(std::unique_ptr<ThreadCallback> callback);

  private:
    void Body();

    std::atomic<void*> owner_{nullptr};
    // Set by a stop, so every Wait of the callbacks ends; woken when an onRun
    // is installed.
    StopEvent stopEvent_;

    std::recursive_mutex dataLock_;
    CallbackSlots<ThreadCallback> callbacks_;
    // Last: its body uses everything above.
    RestartableWorker worker_;
};

} // namespace keywright
