#pragma once

#include "threads/BaseRunable.h"
#include "threads/ThreadUserData.h"

#include <memory>

namespace keywright {

// What the owner and the callbacks of a RunableThread see of it.
class IRunableThread {
  public:
    virtual ~IRunableThread() = default;

    // The data lock, shared by the tasks, the callbacks and whoever else
    // touches the data they work on. Re-entrant on the thread that holds it.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

    // Schedules a task: at the front, where the scheduler looks first, or at
    // the back. Its interval starts when the scheduler first looks at it. A
    // null task is ignored. Always 0.
    virtual int Post(std::unique_ptr<BaseRunable> task, bool atFront = false) = 0;

    // Sleeps until a stop is requested or ms milliseconds of the scheduler's
    // clock have passed; a negative ms waits without limit. True when the wait ended because a
    // stop was requested, false when the time ran out.
    virtual bool Wait(int ms) = 0;

    // Meant for the worker thread (tasks and callbacks): true once it is no
    // longer the recorded worker. Any other thread always gets true.
    virtual bool IsStopRequested() = 0;

    // Set it before Start, or set and read it under Lock() while the threads run.
    virtual void SetUserData(void* data, int value) = 0;
    const ThreadUserData& UserData() const { return userData_; }

  protected:
    ThreadUserData userData_;
};

} // namespace keywright
