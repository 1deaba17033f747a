#include "threads/StopEvent.h"

namespace keywright {

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

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, timeout, [this] { return set_; });
}

void StopEvent::WaitUntilSet() const {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return set_; });
}

std::uint64_t StopEvent::WakeTicket() const {
    std::lock_guard<std::mutex> guard(lock_);
    return wakes_;
}

bool StopEvent::WaitForWake(std::uint64_t ticket) const {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return set_ || wakes_ != ticket; });
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
