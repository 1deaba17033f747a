#include "threads/StopEvent.h"

namespace keywright {

StopEvent::StopEvent(Clock& clock) : clock_(clock) {}

void StopEvent::Set() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        set_ = true;
    }
    changed_.notify_all();
}

void StopEvent::Reset() {
    std::lock_guard<std::mutex> guard(lock_);
    set_ = false;
}

bool StopEvent::IsSet() const {
    std::lock_guard<std::mutex> guard(lock_);
    return set_;
}

bool StopEvent::WaitUntil(Clock::TimePoint deadline) const {
    std::unique_lock<std::mutex> guard(lock_);
    return clock_.WaitUntil(changed_, guard, deadline, [this] { return set_; });
}

bool StopEvent::WaitFor(Clock::Duration timeout) const {
    return WaitUntil(clock_.Deadline(timeout));
}

void StopEvent::WaitUntilSet() const {
    WaitUntil(Clock::kNever);
}

std::uint64_t StopEvent::WakeTicket() const {
    std::lock_guard<std::mutex> guard(lock_);
    return wakes_;
}

bool StopEvent::WaitForWake(std::uint64_t ticket) const {
    std::unique_lock<std::mutex> guard(lock_);
    clock_.WaitUntil(changed_, guard, Clock::kNever, [&] { return set_ || wakes_ != ticket; });
    return set_;
}

void StopEvent::Wake() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++wakes_;
    }
    changed_.notify_all();
}

} // namespace keywright
