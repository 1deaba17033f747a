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

std::multimap<Clock::TimePoint, int>::iterator ManualClock::Enter(TimePoint deadline) {
    std::lock_guard guard(lock_);
    auto entry = waiting_.emplace(deadline, 0);
    changed_.notify_all();
    return entry;
}

void ManualClock::Leave(std::multimap<TimePoint, int>::iterator entry) {
    std::lock_guard guard(lock_);
    waiting_.erase(entry);
    changed_.notify_all();
}

bool ManualClock::WaitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                            TimePoint deadline, const std::function<bool()>& ready) {
    const auto entry = Enter(deadline);
    bool result = ready();
    while (!result && Now() < deadline) {
        changed.wait_for(lock, kManualPoll);
        result = ready();
    }
    Leave(entry);
    return result;
}

void ManualClock::SleepUntil(TimePoint deadline) {
    const auto entry = Enter(deadline);
    while (Now() < deadline)
        std::this_thread::sleep_for(kManualPoll);
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

bool ManualClock::WaitForSleepers(std::size_t count, std::chrono::milliseconds patience) const {
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, patience, [&] { return SleepersLocked() >= count; });
}

} // namespace keywright
