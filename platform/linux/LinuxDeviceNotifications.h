#pragma once

#include "base/OnceLog.h"
#include "platform/DeviceNotifications.h"
#include "platform/linux/HidrawChangeTracker.h"

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct udev;
struct udev_monitor;

namespace keywright::platform::lnx {

// Arrival and removal of HID interfaces from a udev monitor on the "hidraw"
// subsystem, watched by a thread of its own.
//
// Each "add" of a hidraw node queues one Arrival per top-level collection of
// the node, with the path LinuxHidService lists for it; each "remove" queues
// one Removal per path the node had. The removed node's descriptor and
// identity cannot be read any more, so those paths are the ones remembered
// from the node's "add", or, for nodes present before Subscribe, from the
// scan Subscribe makes (see HidrawChangeTracker). A node removed without
// ever having been seen (it came and went before Subscribe's scan) gives no
// change. Other udev actions ("change", "bind", ...) give none either.
//
// Events come from udevd where it runs ("udev" monitor), so a new node's
// permissions are already set when its Arrival is delivered; without udevd
// (containers, minimal systems) from the kernel's own uevents
// (UdevEventSource).
class LinuxDeviceNotifications final : public DeviceNotifications {
  public:
    LinuxDeviceNotifications();
    // Stops the watcher thread (through an eventfd it polls beside the
    // monitor) and waits for it; `wake` is not called after this returns.
    ~LinuxDeviceNotifications() override;

    // Once per object; a second call fails. Fails, after logging why, when
    // the monitor or the thread cannot be set up.
    bool Subscribe(Handler handler, std::function<void()> wake) override;
    void Dispatch() override;

  private:
    void Watch();
    void Stop();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    int stopFd_ = -1;
    std::thread watcher_;

    Handler handler_;             // owner thread only
    std::function<void()> wake_;  // set before the watcher starts
    HidrawChangeTracker tracker_; // seeded before the watcher starts, then its own
    OnceLog log_;

    std::mutex mutex_;
    std::vector<InterfaceChange> queue_; // guarded by mutex_
};

} // namespace keywright::platform::lnx
