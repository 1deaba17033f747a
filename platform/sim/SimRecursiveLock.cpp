#include "platform/sim/SimRecursiveLock.h"

namespace keywright::sim {

void SimRecursiveLock::Lock() {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    if (depth_ > 0) {
        ++waiters_;
        waitersChanged_.notify_all();
        released_.wait(lock, [this] { return depth_ == 0; });
        --waiters_;
    }
    owner_ = self;
    depth_ = 1;
}

bool SimRecursiveLock::TryLock() {
    const std::thread::id self = std::this_thread::get_id();
    std::lock_guard lock(mutex_);
    if (depth_ > 0 && owner_ != self)
        return false;
    owner_ = self;
    ++depth_;
    return true;
}

void SimRecursiveLock::Unlock() {
    std::unique_lock lock(mutex_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
        return;
    }
    if (--depth_ == 0) {
        owner_ = std::thread::id{};
        lock.unlock();
        released_.notify_one();
    }
}

bool SimRecursiveLock::WaitForWaiters(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return waitersChanged_.wait_for(lock, timeout, [&] { return waiters_ >= count; });
}

} // namespace keywright::sim
