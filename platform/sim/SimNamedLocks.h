#pragma once

#include "platform/NamedLocks.h"
#include "platform/sim/SimRecursiveLock.h"

#include <chrono>
#include <cstddef>
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

    // For tests: waits until at least `count` threads wait to take `name`
    // while another thread holds it; false if the time (real time: this
    // waits for an outcome) ran out.
    bool WaitForWaiters(const std::string& name, std::size_t count,
                        std::chrono::milliseconds timeout);

  private:
    std::shared_ptr<SimRecursiveLock> Find(const std::string& name);

    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<SimRecursiveLock>> locks_;
};

} // namespace keywright::sim
