#pragma once

#include <chrono>
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
    // Lock without the wait: false when another thread holds it.
    bool TryLock();
    // Ignored unless the calling thread owns the lock, as ReleaseMutex fails
    // for a thread that does not own the mutex.
    void Unlock();

    // For tests: waits until at least `count` threads wait in Lock; false if
    // the time ran out.
    bool WaitForWaiters(std::size_t count, std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    std::condition_variable waitersChanged_;
    std::thread::id owner_;
    std::size_t depth_ = 0;
    std::size_t waiters_ = 0; // threads in Lock waiting for another's release
};

} // namespace keywright::sim
