#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

namespace keywright::sim {

// A lock owned by a thread, as a Windows mutex is: the owner may take it
// again (each Lock needs its Unlock), other threads wait until the owner
// has released it as often as it took it.
class SimRecursiveLock {
  public:
    void Lock();
    // Ignored unless the calling thread owns the lock, as ReleaseMutex fails
    // for a thread that does not own the mutex.
    void Unlock();

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    std::thread::id owner_;
    std::size_t depth_ = 0;
};

} // namespace keywright::sim
