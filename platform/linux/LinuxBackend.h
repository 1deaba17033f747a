#pragma once

#include "platform/Backend.h"
#include "platform/linux/LinuxDeviceNotifications.h"
#include "platform/linux/LinuxFilterService.h"
#include "platform/linux/LinuxHidService.h"
#include "platform/linux/LinuxNamedLocks.h"
#include "platform/linux/LinuxProcessService.h"

#include <memory>

namespace keywright::platform::lnx {

// The Linux back end: HID on hidraw (and the virtual output device on uinput),
// named locks on flock, device notifications from udev, the keyboard filter
// on evdev and uinput, programs through posix_spawn. Needs nothing but the
// kernel, libudev and libevdev; access to the keyboard's hidraw and event
// nodes and to /dev/uinput comes from a udev rule (packaging/linux/).
class LinuxBackend final : public Backend {
  public:
    LinuxBackend();
    ~LinuxBackend() override;

    HidService& Hid() override { return hid_; }
    NamedLocks& Locks() override { return locks_; }
    DeviceNotifications& Notifications() override { return notifications_; }
    FilterService& Filter() override { return filter_; }
    ProcessService& Processes() override { return processes_; }

  private:
    LinuxHidService hid_;
    LinuxNamedLocks locks_;
    LinuxDeviceNotifications notifications_;
    LinuxFilterService filter_;
    LinuxProcessService processes_;
};

} // namespace keywright::platform::lnx

namespace keywright::platform {

std::unique_ptr<Backend> CreateLinuxBackend();

} // namespace keywright::platform
