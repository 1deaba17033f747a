#include "base/Clock.h"

#include <thread>

namespace keywright {
namespace {

class SteadyClock final : public Clock {
  public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }

    bool WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline, const std::function<bool()>& ready) override {
        if (deadline == kNever) {
            changed.wait(lock, ready);
            return true;
        }
        return changed.wait_until(lock, deadline, ready);
    }

    void SleepUntil(TimePoint deadline) override { std::this_thread::sleep_until(deadline); }
};

// How often a thread waiting on a ManualClock looks at it again. The clock
// cannot notify the waiter's own condition variable safely (it does not hold
// the waiter's lock), so the waiter looks; this bounds how late it sees an
// Advance, in real time only.
constexpr std::chrono::milliseconds kManualPoll{1};

} // namespace

Clock::TimePoint Clock::Deadline(Duration timeout) const {
    const TimePoint now = Now();
    if (timeout >= kNever - now)
        return kNever;
    return now + timeout;
}

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

ManualClock::ManualClock() : now_(TimePoint(std::chrono::hours(24))) {}

Clock::TimePoint ManualClock::Now() const {
    std::lock_guard guard(lock_);
    return now_;
}

ManualClock::Waiting::iterator ManualClock::Enter(TimePoint deadline) {
    std::lock_guard guard(lock_);
    ++activity_;
    auto entry = waiting_.emplace(deadline, 0);
    changed_.notify_all();
    return entry;
}

void ManualClock::Leave(Waiting::iterator entry) {
    std::lock_guard guard(lock_);
    ++activity_;
    waiting_.erase(entry);
    changed_.notify_all();
}

void ManualClock::Checked(Waiting::iterator entry) {
    std::lock_guard guard(lock_);
    entry->second = activity_;
    changed_.notify_all();
}

bool ManualClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                            TimePoint deadline, const std::function<bool()>& ready) {
    const auto entry = Enter(deadline);
    bool result = ready();
    while (!result && Now() < deadline) {
        // Still under the caller's lock: whoever makes ready() true takes that
        // lock afterwards, and so notifies only after this check is noted.
        Checked(entry);
        changed.wait_for(lock, kManualPoll);
        result = ready();
    }
    Leave(entry);
    return result;
}

void ManualClock::SleepUntil(TimePoint deadline) {
    const auto entry = Enter(deadline);
    while (Now() < deadline) {
        Checked(entry);
        std::this_thread::sleep_for(kManualPoll);
    }
    Leave(entry);
}

void ManualClock::Advance(Duration step) {
    std::lock_guard guard(lock_);
    now_ += step;
    changed_.notify_all();
}

std::size_t ManualClock::SleepersLocked() const {
    std::size_t count = 0;
    for (auto it = waiting_.upper_bound(now_); it != waiting_.end(); ++it)
        ++count;
    return count;
}

std::size_t ManualClock::Sleepers() const {
    std::lock_guard guard(lock_);
    return SleepersLocked();
}

Clock::TimePoint ManualClock::NextDeadline() const {
    std::lock_guard guard(lock_);
    const auto next = waiting_.upper_bound(now_);
    return next == waiting_.end() ? kNever : next->first;
}

bool ManualClock::WaitForSleepers(std::size_t count, std::chrono::milliseconds patience) const {
    std::unique_lock guard(lock_);
    ++activity_;
    return changed_.wait_for(guard, patience, [&] {
        std::size_t settled = 0;
        for (auto it = waiting_.upper_bound(now_); it != waiting_.end(); ++it)
            if (it->second == activity_)
                ++settled;
        return settled >= count;
    });
}

} // namespace keywright
