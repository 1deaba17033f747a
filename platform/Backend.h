#pragma once

#include "platform/DeviceNotifications.h"
#include "platform/FilterService.h"
#include "platform/HidService.h"
#include "platform/NamedLocks.h"
#include "platform/ProcessService.h"

namespace keywright::platform {

// Everything the program asks of the operating system. One back end is
// chosen at start-up (Linux, Windows, or the simulated world) and handed to
// whatever needs it; nothing picks one on its own.
class Backend {
  public:
    virtual ~Backend() = default;
    virtual HidService& Hid() = 0;
    virtual NamedLocks& Locks() = 0;
    virtual DeviceNotifications& Notifications() = 0;
    virtual FilterService& Filter() = 0;
    virtual ProcessService& Processes() = 0;
};

} // namespace keywright::platform
