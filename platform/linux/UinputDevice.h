#pragma once

#include "platform/linux/EvdevEvent.h"

#include <memory>
#include <span>
#include <string>

struct libevdev;
struct libevdev_uinput;

namespace keywright::platform::lnx {

// The uinput device node every uinput device of ours is made through.
constexpr const char* kUinputPath = "/dev/uinput";

// Where events go to become input of the system.
class EvdevSink {
  public:
    virtual ~EvdevSink() = default;
    // Writes the events in one go; they should end with SYN_REPORT. False with
    // `error` (an errno value) when they were refused.
    virtual bool Emit(std::span<const EvdevEvent> events, int& error) = 0;
};

// An input device made through uinput from a libevdev description (name,
// ids, event codes, properties), removed from the system when the object
// goes; the kernel then releases whatever it still held down.
class UinputDevice final : public EvdevSink {
  public:
    // Nullopt-like: null with `error` (an errno value) when the device cannot
    // be made. `uinputPath` is kUinputPath outside tests.
    static std::unique_ptr<UinputDevice> Create(const std::string& uinputPath,
                                                const libevdev& description, int& error);
    ~UinputDevice() override;
    UinputDevice(const UinputDevice&) = delete;
    UinputDevice& operator=(const UinputDevice&) = delete;

    // Open for reading too, non-blocking: the system's LED and sound changes
    // for the device can be read from it as input_event records.
    int Fd() const { return fd_; }

    bool Emit(std::span<const EvdevEvent> events, int& error) override;

    // The device's folder in sysfs ("/sys/devices/virtual/input/input7");
    // empty when the kernel does not say.
    std::string SysPath() const;

  private:
    UinputDevice(int fd, libevdev_uinput* device) : fd_(fd), device_(device) {}

    int fd_;
    libevdev_uinput* device_;
};

// Whether `uinputPath` opens for writing, which is what making a device
// needs; the errno value when not, 0 when it does.
int ProbeUinput(const std::string& uinputPath);

// For people: why a uinput device cannot be made (from the errno value of
// ProbeUinput or Create) and what fixes it.
std::string DescribeUinputProblem(const std::string& uinputPath, int error);

} // namespace keywright::platform::lnx
