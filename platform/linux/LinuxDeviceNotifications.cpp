#include "platform/linux/LinuxDeviceNotifications.h"

#include "base/Log.h"
#include "platform/linux/HidrawNode.h"
#include "platform/linux/UdevEventSource.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <libudev.h>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace keywright::platform::lnx {

LinuxDeviceNotifications::LinuxDeviceNotifications() = default;

LinuxDeviceNotifications::~LinuxDeviceNotifications() {
    Stop();
}

void LinuxDeviceNotifications::Stop() {
    if (watcher_.joinable()) {
        const std::uint64_t one = 1;
        // An eventfd write of 1 cannot block or fail short of overflow.
        [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
        watcher_.join();
    }
    if (stopFd_ >= 0)
        ::close(stopFd_);
    stopFd_ = -1;
    if (monitor_)
        udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    if (udev_)
        udev_unref(udev_);
    udev_ = nullptr;
}

bool LinuxDeviceNotifications::Subscribe(Handler handler, std::function<void()> wake) {
    if (udev_ != nullptr) {
        LogLine("bug: device notifications subscribed twice");
        return false;
    }
    udev_ = udev_new();
    if (udev_ == nullptr) {
        LogLine("system: cannot create a udev context: " + std::string(std::strerror(errno)) +
                "; no device arrival or removal will be noticed");
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, UdevEventSource());
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        LogLine("system: cannot watch udev for hidraw devices; no device arrival or removal "
                "will be noticed");
        Stop();
        return false;
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        LogLine("system: cannot create an eventfd: " + std::string(std::strerror(errno)) +
                "; no device arrival or removal will be noticed");
        Stop();
        return false;
    }

    // Receiving is on before the scan, so a node that appears meanwhile is
    // both seeded and announced, never neither.
    HidrawScan scan = ScanHidrawNodes();
    for (const std::string& problem : scan.problems)
        log_.Log(problem);
    for (const HidrawNode& node : scan.nodes)
        tracker_.Seed(node.name, node.Paths());

    handler_ = std::move(handler);
    wake_ = std::move(wake);
    try {
        watcher_ = std::thread(&LinuxDeviceNotifications::Watch, this);
    } catch (const std::system_error& error) {
        LogLine("system: cannot start the device watcher thread: " + std::string(error.what()));
        Stop();
        return false;
    }
    return true;
}

void LinuxDeviceNotifications::Watch() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            LogLine("system: polling the udev monitor failed: " +
                    std::string(std::strerror(errno)) + "; device changes are no longer noticed");
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0) {
            if (fds[0].revents != 0) {
                LogLine("system: the udev monitor closed; device changes are no longer noticed");
                return;
            }
            continue;
        }

        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr)
            continue; // a message that was not for us, or a short read
        const char* actionText = udev_device_get_action(device);
        const char* nameText = udev_device_get_sysname(device);
        const std::string_view action = actionText ? actionText : "";
        const std::string name = nameText ? nameText : "";
        std::vector<InterfaceChange> changes;
        if (action == "add") {
            std::string problem;
            if (const auto node = DescribeHidrawNode(device, problem))
                changes = tracker_.Added(node->name, node->Paths());
            if (!problem.empty())
                log_.Log(problem);
        } else if (action == "remove") {
            changes = tracker_.Removed(name);
        }
        udev_device_unref(device);

        if (changes.empty())
            continue;
        {
            std::lock_guard lock(mutex_);
            for (InterfaceChange& change : changes)
                queue_.push_back(std::move(change));
        }
        wake_();
    }
}

void LinuxDeviceNotifications::Dispatch() {
    std::vector<InterfaceChange> changes;
    {
        std::lock_guard lock(mutex_);
        changes.swap(queue_);
    }
    for (const InterfaceChange& change : changes)
        if (handler_)
            handler_(change.change, change.path);
}

} // namespace keywright::platform::lnx
