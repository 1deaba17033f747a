#include "platform/sim/SimDeviceNotifications.h"

namespace keywright::sim {

bool SimDeviceNotifications::Subscribe(Handler handler, std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    wake_ = std::move(wake);
    subscribed_ = true;
    return true;
}

void SimDeviceNotifications::Dispatch() {
    std::deque<std::pair<platform::DeviceChange, std::string>> changes;
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        changes.swap(queue_);
        handler = handler_;
    }
    if (!handler) {
        return;
    }
    for (const auto& [change, path] : changes) {
        handler(change, path);
    }
}

void SimDeviceNotifications::Queue(platform::DeviceChange change, const std::string& path) {
    std::lock_guard lock(mutex_);
    if (subscribed_) {
        queue_.emplace_back(change, path);
    }
}

void SimDeviceNotifications::Wake() {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        wake = wake_;
    }
    if (wake) {
        wake();
    }
}

} // namespace keywright::sim
