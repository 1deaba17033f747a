#pragma once

#include "platform/Backend.h"
#include "platform/win32/Win32DeviceNotifications.h"
#include "platform/win32/Win32FilterService.h"
#include "platform/win32/Win32HidService.h"
#include "platform/win32/Win32NamedLocks.h"
#include "platform/win32/Win32ProcessService.h"

namespace keywright::platform::win32 {

// The Windows back end: HID through HID.DLL, SetupAPI and the configuration
// manager, named locks as named mutexes, device notifications on a
// message-only window, the keyboard filter through its control device, and
// programs through CreateProcessW. The drivers themselves (the keyboard
// filter, the virtual output device) are installed by the driver tools.
class Win32Backend final : public Backend {
  public:
    HidService& Hid() override { return hid_; }
    NamedLocks& Locks() override { return locks_; }
    DeviceNotifications& Notifications() override { return notifications_; }
    FilterService& Filter() override { return filter_; }
    ProcessService& Processes() override { return processes_; }

  private:
    Win32HidService hid_;
    Win32NamedLocks locks_;
    Win32DeviceNotifications notifications_;
    Win32FilterService filter_;
    Win32ProcessService processes_;
};

} // namespace keywright::platform::win32
