#pragma once

// Helpers for the tests that need real input devices (/dev/uinput, /dev/uhid,
// event nodes): they run in a VM with a real kernel and skip elsewhere.

#include "platform/linux/EvdevEvent.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <libudev.h>
#include <linux/input.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace keywright::platform::lnx::device_test {

using namespace std::chrono_literals;

// Why `node` cannot be opened for writing, or empty when it can.
inline std::string WhyNotWritable(const char* node) {
    const int fd = ::open(node, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::string(node) + ": " + std::strerror(errno);
    ::close(fd);
    return {};
}

inline std::string ReadLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The time left until `deadline` as a poll() timeout: 0 once it passed.
inline int PollTimeout(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// The kernel's announcements (uevents) of input devices, heard from the
// moment this is made. A device the test makes comes up in the kernel's own
// time; the kernel announces it once its sysfs entry and /dev node exist.
class InputUevents {
  public:
    explicit InputUevents(const char* subsystem = "input") : udev_(udev_new()) {
        if (udev_ != nullptr)
            monitor_ = udev_monitor_new_from_netlink(udev_, "kernel");
        if (monitor_ != nullptr &&
            (udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem, nullptr) < 0 ||
             udev_monitor_enable_receiving(monitor_) < 0)) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
    ~InputUevents() {
        if (monitor_ != nullptr)
            udev_monitor_unref(monitor_);
        if (udev_ != nullptr)
            udev_unref(udev_);
    }
    InputUevents(const InputUevents&) = delete;
    InputUevents& operator=(const InputUevents&) = delete;

    // Waits for announcements until `deadline` and takes all that came;
    // false when none came (or the kernel's cannot be heard here).
    bool Next(std::chrono::steady_clock::time_point deadline) {
        if (monitor_ == nullptr)
            return false;
        pollfd fd{udev_monitor_get_fd(monitor_), POLLIN, 0};
        if (::poll(&fd, 1, PollTimeout(deadline)) <= 0)
            return false;
        // The monitor's socket does not block: this ends with the last one.
        while (udev_device* device = udev_monitor_receive_device(monitor_))
            udev_device_unref(device);
        return true;
    }

  private:
    udev* udev_;
    udev_monitor* monitor_ = nullptr;
};

// look() (an optional) again at every uevent of `subsystem` until it finds
// something or `limit` passes; what the last look gave.
template <typename Look>
auto LookUntilFound(Look look, std::chrono::milliseconds limit, const char* subsystem = "input")
    -> decltype(look()) {
    InputUevents uevents(subsystem); // before the first look: nothing falls in between
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        auto found = look();
        if (found || !uevents.Next(deadline))
            return found ? found : look();
    }
}

// The event node ("/dev/input/event7") of the input device named `name`,
// once it and its node exist; waits up to `limit`.
inline std::optional<std::string> EventNodeNamed(const std::string& name,
                                                 std::chrono::milliseconds limit = 3000ms) {
    namespace fs = std::filesystem;
    return LookUntilFound(
        [&]() -> std::optional<std::string> {
            std::error_code error;
            for (const auto& input : fs::directory_iterator("/sys/class/input", error)) {
                if (!input.path().filename().string().starts_with("input") ||
                    ReadLine(input.path() / "name") != name)
                    continue;
                for (const auto& child : fs::directory_iterator(input.path(), error)) {
                    const std::string leaf = child.path().filename().string();
                    if (!leaf.starts_with("event"))
                        continue;
                    const std::string node = "/dev/input/" + leaf;
                    if (fs::exists(node))
                        return node;
                }
            }
            return std::nullopt;
        },
        limit);
}

// An event node opened for reading, non-blocking.
class EventReader {
  public:
    explicit EventReader(const std::string& node)
        : fd_(::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~EventReader() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    EventReader(const EventReader&) = delete;
    EventReader& operator=(const EventReader&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    // Events until a SYN_REPORT (included), waiting up to `limit` in all;
    // what came so far when the limit passes or the device goes. Autorepeat
    // and LED changes are left out, and frames of nothing else with them:
    // how many repeats come depends on how slowly the test runs, and the
    // console sets the LEDs of every keyboard it can reach when it likes.
    // (The limit is for the whole frame: the repeats of a held key never
    // stop, and must not keep the wait going.)
    std::vector<EvdevEvent> Frame(std::chrono::milliseconds limit = 2000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<EvdevEvent> events;
        for (;;) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, PollTimeout(deadline)) <= 0)
                return events;
            input_event event{};
            if (::read(fd_, &event, sizeof event) != static_cast<ssize_t>(sizeof event))
                return events;
            if ((event.type == EV_KEY && event.value == 2) || event.type == EV_LED)
                continue;
            if (event.type == EV_SYN && event.code == SYN_REPORT && events.empty())
                continue;
            events.push_back({event.type, event.code, event.value});
            if (event.type == EV_SYN && event.code == SYN_REPORT)
                return events;
        }
    }

    // Whether the device went (its read fails with ENODEV) within `limit`.
    // Events still coming before that are read and dropped.
    bool Gone(std::chrono::milliseconds limit = 2000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, PollTimeout(deadline)) <= 0)
                return false;
            input_event event{};
            if (::read(fd_, &event, sizeof event) < 0 && errno == ENODEV)
                return true;
        }
    }

    // Whether an autorepeat of `code` comes within `limit`; whatever else
    // comes before it is read and dropped.
    bool Repeats(std::uint16_t code, std::chrono::milliseconds limit = 2000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, PollTimeout(deadline)) <= 0)
                return false;
            input_event event{};
            if (::read(fd_, &event, sizeof event) != static_cast<ssize_t>(sizeof event))
                return false;
            if (event.type == EV_KEY && event.code == code && event.value == 2)
                return true;
        }
    }

    // Whether no event but autorepeat comes within `limit`.
    bool Quiet(std::chrono::milliseconds limit = 200ms) { return Frame(limit).empty(); }

  private:
    int fd_;
};

} // namespace keywright::platform::lnx::device_test
