#include "platform/sim/SimNamedLocks.h"

#include "platform/sim/SimNamedLock.h"

namespace keywright::sim {

std::unique_ptr<platform::NamedLock> SimNamedLocks::Open(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<SimRecursiveLock>& shared = locks_[name];
    if (!shared) {
        shared = std::make_shared<SimRecursiveLock>();
    }
    return std::make_unique<SimNamedLock>(shared);
}

} // namespace keywright::sim
