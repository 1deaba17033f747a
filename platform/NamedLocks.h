#pragma once

#include <memory>
#include <string>

namespace keywright::platform {

// A lock that every thread and every process of the program sees under the
// same name. Recursive for the owning thread. A process that dies while it
// holds the lock releases it.
class NamedLock {
  public:
    virtual ~NamedLock() = default;
    virtual void Lock() = 0; // waits without time limit
    // Takes the lock when no other thread or process holds it (or again, when
    // this thread does); never waits. Each true answer needs its Unlock.
    virtual bool TryLock() = 0;
    virtual void Unlock() = 0;
};

class NamedLocks {
  public:
    virtual ~NamedLocks() = default;
    // Opens the lock of this name, creating it when none exists. Never null.
    virtual std::unique_ptr<NamedLock> Open(const std::string& name) = 0;
};

// Holds a named lock for a scope.
class NamedLockGuard {
  public:
    NamedLockGuard(NamedLocks& locks, const std::string& name) : lock_(locks.Open(name)) {
        lock_->Lock();
    }
    ~NamedLockGuard() { lock_->Unlock(); }
    NamedLockGuard(const NamedLockGuard&) = delete;
    NamedLockGuard& operator=(const NamedLockGuard&) = delete;

  private:
    std::unique_ptr<NamedLock> lock_;
};

} // namespace keywright::platform
