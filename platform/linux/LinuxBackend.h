#pragma once

#include "platform/Backend.h"
#include "platform/NullServices.h"
#include "platform/linux/LinuxDeviceNotifications.h"
#include "platform/linux/LinuxHidService.h"
#include "platform/linux/LinuxNamedLocks.h"

#include <memory>

namespace keywright::platform::lnx {

// The Linux back end: HID on hidraw, named locks on flock, device
// notifications from udev. Needs nothing but the kernel and libudev; access to
// the keyboard's hidraw nodes comes from a udev rule (see LinuxHidService).
class LinuxBackend final : public Backend {
  public:
    LinuxBackend();
    ~LinuxBackend() override;

    HidService& Hid() override { return hid_; }
    NamedLocks& Locks() override { return locks_; }
    DeviceNotifications& Notifications() override { return notifications_; }
    // The evdev filter and the process runner come later: null services.
    FilterService& Filter() override { return filter_; }
    ProcessService& Processes() override { return processes_; }

  private:
    LinuxHidService hid_;
    LinuxNamedLocks locks_;
    LinuxDeviceNotifications notifications_;
    NullFilterService filter_;
    NullProcessService processes_;
};

} // namespace keywright::platform::lnx

namespace keywright::platform {

std::unique_ptr<Backend> CreateLinuxBackend();

} // namespace keywright::platform
