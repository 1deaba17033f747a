#pragma once

#include "base/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace keywright {

// The stop signal of a worker thread: an event that stays set until Reset, so
// a stop requested before anyone waits is not lost. It also counts wake-ups,
// so an idle worker can sleep until it either must stop or has something new
// to look at, without a wake-up slipping in between its look and its sleep.
//
// Every wait, timed or not, is a wait on the clock it was given, so a test
// clock sees the waiting worker as a sleeper.
class StopEvent {
  public:
    explicit StopEvent(Clock& clock = SystemClock());

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits until the event is set or the clock reaches the deadline
    // (Clock::kNever: no limit). True when set.
    bool WaitUntil(Clock::TimePoint deadline) const;
    bool WaitFor(Clock::Duration timeout) const;
    void WaitUntilSet() const;

    // Take a ticket before looking for work; if there is none, sleep with
    // WaitForWake(ticket). It returns at once when Wake() was called after the
    // ticket was taken. True when the event is set.
    std::uint64_t WakeTicket() const;
    bool WaitForWake(std::uint64_t ticket) const;
    void Wake();

  private:
    Clock& clock_;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    bool set_ = false;
    std::uint64_t wakes_ = 0;
};

} // namespace keywright
