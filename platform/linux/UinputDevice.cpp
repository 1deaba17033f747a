#include "platform/linux/UinputDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <linux/input.h>
#include <unistd.h>
#include <vector>

namespace keywright::platform::lnx {

std::unique_ptr<UinputDevice> UinputDevice::Create(const std::string& uinputPath,
                                                   const libevdev& description, int& error) {
    const int fd = ::open(uinputPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    libevdev_uinput* device = nullptr;
    const int result = libevdev_uinput_create_from_device(&description, fd, &device);
    if (result < 0) {
        error = -result;
        ::close(fd);
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<UinputDevice>(new UinputDevice(fd, device));
}

std::string UinputDevice::SysPath() const {
    const char* path = libevdev_uinput_get_syspath(device_);
    return path != nullptr ? path : "";
}

UinputDevice::~UinputDevice() {
    // Destroys the kernel device; the descriptor is ours to close.
    libevdev_uinput_destroy(device_);
    ::close(fd_);
}

bool UinputDevice::Emit(std::span<const EvdevEvent> events, int& error) {
    std::vector<input_event> records(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        records[i] = {};
        records[i].type = events[i].type;
        records[i].code = events[i].code;
        records[i].value = events[i].value;
    }
    const auto* bytes = reinterpret_cast<const char*>(records.data());
    std::size_t left = records.size() * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd_, bytes, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
    error = 0;
    return true;
}

int ProbeUinput(const std::string& uinputPath) {
    const int fd = ::open(uinputPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

std::string DescribeUinputProblem(const std::string& uinputPath, int error) {
    const std::string fix =
        "run `sudo keywright-setup-uinput` once (packaging/linux/): it loads the uinput module "
        "now and at every start, and installs the udev rule that lets the logged-in user open "
        "it";
    if (error == ENOENT || error == ENODEV || error == ENXIO)
        return "system: " + uinputPath + " is missing (" + std::strerror(error) +
               "): the uinput module is not loaded; " + fix;
    if (error == EACCES || error == EPERM)
        return "system: cannot open " + uinputPath + " (" + std::strerror(error) + "); " + fix;
    return "system: cannot make a uinput device through " + uinputPath + ": " +
           std::strerror(error);
}

} // namespace keywright::platform::lnx
