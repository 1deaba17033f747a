#include "platform/sim/SimNamedLocks.h"

#include "platform/sim/SimNamedLock.h"

namespace keywright::sim {

std::shared_ptr<SimRecursiveLock> SimNamedLocks::Find(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<SimRecursiveLock>& shared = locks_[name];
    if (!shared) {
        shared = std::make_shared<SimRecursiveLock>();
    }
    return shared;
}

std::unique_ptr<platform::NamedLock> SimNamedLocks::Open(const std::string& name) {
    return std::make_unique<SimNamedLock>(Find(name));
}

bool SimNamedLocks::WaitForWaiters(const std::string& name, std::size_t count,
                                   std::chrono::milliseconds timeout) {
    return Find(name)->WaitForWaiters(count, timeout);
}

} // namespace keywright::sim
