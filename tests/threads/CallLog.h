#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace keywright::test {

// How long a test waits for something that must happen. Only reached when a
// test fails, so it can be generous for loaded and sanitized builds.
inline constexpr std::chrono::seconds kPatience{10};

// What a callback or task saw, in order and with the time it was seen; the
// test thread waits on it instead of sleeping.
class CallLog {
  public:
    using Clock = std::chrono::steady_clock;

    void Record(std::int64_t value = 0) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            values_.push_back(value);
            times_.push_back(Clock::now());
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
    std::vector<Clock::time_point> Times() const {
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
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::int64_t> values_;
    std::vector<Clock::time_point> times_;
};

inline std::chrono::milliseconds ElapsedMs(CallLog::Clock::time_point from,
                                           CallLog::Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from);
}

} // namespace keywright::test
