#pragma once

#include <functional>
#include <memory>
#include <string>

namespace keywright::platform {

enum class DeviceChange { Arrival, Removal };

// Arrival and removal of device interfaces, with the interface path.
//
// Back ends notice changes on a thread of their own. They queue them and call
// the wake-up function (from any thread); the owner then calls Dispatch() on
// the thread that must see the changes (the UI thread), which hands every
// queued change to the subscriber in order.
class DeviceNotifications {
  public:
    using Handler = std::function<void(DeviceChange, const std::string& path)>;

    virtual ~DeviceNotifications() = default;

    // Starts watching. `wake` may be called from any thread, also before
    // Subscribe returns; it must not block.
    virtual bool Subscribe(Handler handler, std::function<void()> wake) = 0;
    // Delivers the queued changes on the calling thread.
    virtual void Dispatch() = 0;
};

} // namespace keywright::platform
