#pragma once

#include "platform/DeviceNotifications.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace keywright::sim {

// Device notifications of a simulated world. The world queues a change per
// collection path when a device arrives or leaves and then wakes the
// subscriber; Dispatch hands the queued changes over in order on the
// calling thread. Changes before the first Subscribe are not kept, as a
// real back end sees nothing before it starts watching.
class SimDeviceNotifications final : public platform::DeviceNotifications {
  public:
    bool Subscribe(Handler handler, std::function<void()> wake) override;
    // Calls the handler without holding any lock, so it may use the world.
    void Dispatch() override;

    // For the world: queues one change (dropped before Subscribe). May be
    // called under the world's lock.
    void Queue(platform::DeviceChange change, const std::string& path);
    // For the world: calls the wake-up function if there is a subscriber.
    // Must be called without the world's lock held.
    void Wake();

  private:
    std::mutex mutex_;
    bool subscribed_ = false;
    Handler handler_;
    std::function<void()> wake_;
    std::deque<std::pair<platform::DeviceChange, std::string>> queue_;
};

} // namespace keywright::sim
