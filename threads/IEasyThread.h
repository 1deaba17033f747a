#pragma once

#include "base/Clock.h"
#include "threads/ThreadUserData.h"

namespace keywright {

// What the callbacks of an EasyThread see of their thread.
class IEasyThread {
  public:
    virtual ~IEasyThread() = default;

    // The data lock, shared by the callbacks and whoever else touches the
    // data they work on. Re-entrant on the thread that holds it.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // Sleeps until a stop is requested or ms milliseconds of the thread's
    // clock have passed; a negative ms waits without limit. True when the wait
    // ended because a stop was requested (also when it was requested before
    // the call), false when the time ran out. Callbacks use it for every pause
    // so a stop cuts it short.
    virtual bool Wait(int ms) = 0;
    // As Wait, until the thread's clock reaches deadline (Clock::kNever: no
    // limit). A chain of pauses that each wait for the previous deadline plus
    // their own length does not drift by the work done between them.
    virtual bool WaitUntil(Clock::TimePoint deadline) = 0;

    // Meant for the thread itself: true once it is no longer the recorded
    // running thread (a stop was requested or it ended its run). Any other
    // thread always gets true.
    virtual bool IsStopRequested() = 0;

    // Set it before Start, or set and read it under Lock() while the thread runs.
    virtual void SetUserData(void* data, int value) = 0;
    const ThreadUserData& UserData() const { return userData_; }

  protected:
    ThreadUserData userData_;
};

} // namespace keywright
