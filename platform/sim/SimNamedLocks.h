#pragma once

#include "platform/NamedLocks.h"
#include "platform/sim/SimRecursiveLock.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace keywright::sim {

// Named locks of one simulated world: an in-process registry, so the
// "processes" the world stands for are the threads that use it. Names are
// case-sensitive, as Windows object names are. A lock lives as long as the
// registry or its last opening, whichever is longer.
class SimNamedLocks final : public platform::NamedLocks {
  public:
    std::unique_ptr<platform::NamedLock> Open(const std::string& name) override;

  private:
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<SimRecursiveLock>> locks_;
};

} // namespace keywright::sim
