#include "platform/sim/SimRecursiveLock.h"

namespace keywright::sim {

void SimRecursiveLock::Lock() {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    released_.wait(lock, [this] { return depth_ == 0; });
    owner_ = self;
    depth_ = 1;
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

} // namespace keywright::sim
