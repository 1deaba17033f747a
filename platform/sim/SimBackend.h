#pragma once

#include "platform/Backend.h"
#include "platform/NullServices.h"

namespace keywright::sim {

// The simulated world's services, handed out as one back end.
class SimBackend final : public platform::Backend {
  public:
    SimBackend(platform::HidService& hid, platform::NamedLocks& locks,
               platform::DeviceNotifications& notifications);

    platform::HidService& Hid() override { return hid_; }
    platform::NamedLocks& Locks() override { return locks_; }
    platform::DeviceNotifications& Notifications() override { return notifications_; }
    // No simulated filter or process runner yet: the null services.
    platform::FilterService& Filter() override { return filter_; }
    platform::ProcessService& Processes() override { return processes_; }

  private:
    platform::NullFilterService filter_;
    platform::NullProcessService processes_;
    platform::HidService& hid_;
    platform::NamedLocks& locks_;
    platform::DeviceNotifications& notifications_;
};

} // namespace keywright::sim
