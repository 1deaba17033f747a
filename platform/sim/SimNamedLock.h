#pragma once

#include "platform/NamedLocks.h"
#include "platform/sim/SimRecursiveLock.h"

#include <memory>

namespace keywright::sim {

// One opening of a simulated named lock. Every opening of the same name in
// the same SimNamedLocks shares one SimRecursiveLock, so a thread holding
// the name through one opening may take it again through another.
class SimNamedLock final : public platform::NamedLock {
  public:
    explicit SimNamedLock(std::shared_ptr<SimRecursiveLock> lock);
    void Lock() override;
    bool TryLock() override;
    void Unlock() override;

  private:
    std::shared_ptr<SimRecursiveLock> lock_;
};

} // namespace keywright::sim
