#pragma once

#include "platform/NamedLocks.h"

#include <memory>

namespace keywright {

// The keyboard filter has one driver at a time: the window or
// `keywright-ctl run`. Two drivers would send each other's key tables and
// split the key events between them, so whichever starts second learns it
// here and ends instead. The claim is a named lock taken without waiting and
// held for the claim's life; a process that dies gives it up with its lock.
// Taken and given up on one thread (named locks belong to a thread).
class KeyEngineClaim {
  public:
    static constexpr const char* kLockName = "Keywright key engine";

    explicit KeyEngineClaim(platform::NamedLocks& locks)
        : lock_(locks.Open(kLockName)), held_(lock_->TryLock()) {}
    ~KeyEngineClaim() {
        if (held_)
            lock_->Unlock();
    }
    KeyEngineClaim(const KeyEngineClaim&) = delete;
    KeyEngineClaim& operator=(const KeyEngineClaim&) = delete;

    // False: another driver holds the filter.
    bool Held() const { return held_; }

  private:
    std::unique_ptr<platform::NamedLock> lock_;
    bool held_;
};

} // namespace keywright
