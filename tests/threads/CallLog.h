#pragma once

#include "base/Clock.h"
#include "support/ClockScript.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace keywright::test {

// What a callback or task saw, in order and with the time of the given clock
// when it was seen; the test thread waits on it instead of sleeping.
class CallLog {
  public:
    explicit CallLog(const Clock& clock = SystemClock()) : clock_(clock) {}

    void Record(std::int64_t value = 0) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            values_.push_back(value);
            times_.push_back(clock_.Now());
        }
        changed_.notify_all();
    }

    std::size_t Count() const {
        std::lock_guard<std::mutex> guard(lock_);
        return values_.size();
    }
    std::vector<std::int64_t> Values() const {
        std::lock_guard<std::mutex> guard(lock_);
        return values_;
    }
    std::vector<Clock::TimePoint> Times() const {
        std::lock_guard<std::mutex> guard(lock_);
        return times_;
    }

    // False when the log did not reach count entries in time.
    bool WaitForCount(std::size_t count) const {
        return WaitUntil([count](const std::vector<std::int64_t>& v) { return v.size() >= count; });
    }

    template <class Predicate>
    bool WaitUntil(Predicate predicate) const {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, kPatience, [&] { return predicate(values_); });
    }

  private:
    const Clock& clock_;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::int64_t> values_;
    std::vector<Clock::TimePoint> times_;
};

// Clock time from `from` to each of `times`, in milliseconds.
inline std::vector<std::int64_t> MsSince(Clock::TimePoint from,
                                         const std::vector<Clock::TimePoint>& times) {
    std::vector<std::int64_t> ms;
    for (const Clock::TimePoint time : times)
        ms.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(time - from).count());
    return ms;
}

} // namespace keywright::test
