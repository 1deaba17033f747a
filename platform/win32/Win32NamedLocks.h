#pragma once

#include "platform/NamedLocks.h"

namespace keywright::platform::win32 {

// Named locks as named kernel mutexes (CreateMutexW: opened when one of that
// name exists, created otherwise). Ownership belongs to the thread, so the
// lock is recursive for it across every lock object of the name, in this
// process and in others. A mutex whose owner ended without releasing it is
// handed to the next waiter (WAIT_ABANDONED), which then owns it as usual.
//
// Names are used as given, without a namespace prefix, so they fall in the
// session's local namespace; a backslash, which Windows reserves for the
// namespace, becomes '_'. When no mutex can be made (out of resources), the
// lock degrades to none: Lock and Unlock do nothing, after a log line.
class Win32NamedLocks final : public NamedLocks {
  public:
    std::unique_ptr<NamedLock> Open(const std::string& name) override;

    // The kernel object name a lock name maps to.
    static std::wstring MutexName(const std::string& name);
};

} // namespace keywright::platform::win32
