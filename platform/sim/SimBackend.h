#pragma once

#include "platform/Backend.h"

namespace keywright::sim {

// The simulated world's services, handed out as one back end.
class SimBackend final : public platform::Backend {
  public:
    SimBackend(platform::HidService& hid, platform::NamedLocks& locks,
               platform::DeviceNotifications& notifications, platform::FilterService& filter,
               platform::ProcessService& processes);

    platform::HidService& Hid() override { return hid_; }
    platform::NamedLocks& Locks() override { return locks_; }
    platform::DeviceNotifications& Notifications() override { return notifications_; }
    platform::FilterService& Filter() override { return filter_; }
    platform::ProcessService& Processes() override { return processes_; }

  private:
    platform::HidService& hid_;
    platform::NamedLocks& locks_;
    platform::DeviceNotifications& notifications_;
    platform::FilterService& filter_;
    platform::ProcessService& processes_;
};

} // namespace keywright::sim
