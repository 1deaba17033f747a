#pragma once

// Helpers for the tests that need real input devices (/dev/uinput, /dev/uhid,
// event nodes): they run in a VM with a real kernel and skip elsewhere.

#include "platform/linux/EvdevEvent.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/input.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
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

// The event node ("/dev/input/event7") of the input device named `name`,
// once it and its node exist; waits up to `limit`.
inline std::optional<std::string> EventNodeNamed(const std::string& name,
                                                 std::chrono::milliseconds limit = 3000ms) {
    namespace fs = std::filesystem;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    do {
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
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
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

    // Events until a SYN_REPORT (included), waiting up to `limit` for each;
    // what came so far when the limit passes or the device goes. Autorepeat
    // and LED changes are left out, and frames of nothing else with them:
    // how many repeats come depends on how slowly the test runs, and the
    // console sets the LEDs of every keyboard it can reach when it likes.
    std::vector<EvdevEvent> Frame(std::chrono::milliseconds limit = 2000ms) {
        std::vector<EvdevEvent> events;
        for (;;) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(limit.count())) <= 0)
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
    bool Gone(std::chrono::milliseconds limit = 2000ms) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd fd{fd_, POLLIN, 0};
            ::poll(&fd, 1, 100);
            input_event event{};
            if (::read(fd_, &event, sizeof event) < 0 && errno == ENODEV)
                return true;
        }
        return false;
    }

    // Whether no event but autorepeat comes within `limit`.
    bool Quiet(std::chrono::milliseconds limit = 200ms) { return Frame(limit).empty(); }

  private:
    int fd_;
};

} // namespace keywright::platform::lnx::device_test
