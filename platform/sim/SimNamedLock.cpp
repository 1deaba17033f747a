#include "platform/sim/SimNamedLock.h"

#include <utility>

namespace keywright::sim {

SimNamedLock::SimNamedLock(std::shared_ptr<SimRecursiveLock> lock) : lock_(std::move(lock)) {}

void SimNamedLock::Lock() {
    lock_->Lock();
}

bool SimNamedLock::TryLock() {
    return lock_->TryLock();
}

void SimNamedLock::Unlock() {
    lock_->Unlock();
}

} // namespace keywright::sim
