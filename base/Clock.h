#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace keywright {

// Time as an input. Code that waits or stamps asks the clock it was given;
// the program hands everyone the system's monotonic clock, a test hands them
// a ManualClock and moves time itself ("A down", "150 ms", "A up").
//
// Every wait is a wait on the caller's own condition variable, under the
// caller's own lock, so a notify still ends it at once; the clock decides
// only when the deadline has come.
class Clock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    // A deadline that never comes.
    static constexpr TimePoint kNever = TimePoint::max();

    virtual ~Clock() = default;

    virtual TimePoint Now() const = 0;

    // As std::condition_variable::wait_until with a predicate: `lock` holds
    // the mutex that guards what `ready` reads. Returns ready(): false only
    // when the deadline came first.
    virtual bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline, const std::function<bool()>& ready) = 0;

    // Nothing ends this wait early.
    virtual void SleepUntil(TimePoint deadline) = 0;

    bool WaitFor(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                 Duration timeout, const std::function<bool()>& ready) {
        return WaitUntil(changed, lock, Deadline(timeout), ready);
    }
    void SleepFor(Duration timeout) { SleepUntil(Deadline(timeout)); }

    // Now() + timeout, or kNever when that does not fit.
    TimePoint Deadline(Duration timeout) const;
};

// The system's monotonic clock (std::chrono::steady_clock).
Clock& SystemClock();

// A clock that moves only when told to. Waiting threads see the new time
// within a millisecond of an Advance; what they then do takes real time, so a
// test that must know they are done waits for Sleepers (below) or for the
// outcome itself.
class ManualClock final : public Clock {
  public:
    // Starts at an arbitrary point well after the epoch, so code that
    // subtracts from Now() sees no negative times.
    ManualClock();

    TimePoint Now() const override;
    bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline, const std::function<bool()>& ready) override;
    void SleepUntil(TimePoint deadline) override;

    void Advance(Duration step);

    // How many threads wait on this clock for a deadline still to come
    // (a wait without deadline counts). A thread whose deadline has passed
    // does not count until it waits again.
    std::size_t Sleepers() const;
    // The earliest deadline still to come of the threads waiting on this
    // clock; kNever when none waits for one. A test that moves time from one
    // deadline to the next lets each thread act at its own time.
    TimePoint NextDeadline() const;

    // Blocks the test until at least `count` threads wait for a deadline still
    // to come: they have done everything that was due by Now(). A waiter
    // counts only once it has looked at its condition again, and found nothing
    // to do, after the call began and after every thread last started or
    // ended a wait; so a thread that was notified (by the test, or by another
    // thread that then went to wait) but has not woken yet does not count.
    // False when that did not happen within `patience` of real time.
    bool WaitForSleepers(std::size_t count,
                         std::chrono::milliseconds patience = std::chrono::seconds(10)) const;

  private:
    // Each waiter's deadline, with the activity count at its latest look.
    using Waiting = std::multimap<TimePoint, std::uint64_t>;

    std::size_t SleepersLocked() const;
    Waiting::iterator Enter(TimePoint deadline);
    void Leave(Waiting::iterator entry);
    // The waiter looked at its condition and found nothing to do.
    void Checked(Waiting::iterator entry);

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    TimePoint now_;
    Waiting waiting_;
    // Counts waits started and ended, and WaitForSleepers calls begun.
    mutable std::uint64_t activity_ = 0;
};

} // namespace keywright
