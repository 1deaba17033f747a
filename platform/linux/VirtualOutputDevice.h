#pragma once

#include "base/Clock.h"
#include "platform/HidService.h"
#include "platform/VirtualDevice.h"
#include "platform/linux/UinputDevice.h"
#include "platform/linux/VirtualPacketDecoder.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace keywright::platform::lnx {

// The virtual output device (platform/VirtualDevice.h) on uinput, as
// LinuxHidService presents it: one HID interface at the path kPath with the
// device's vendor, product, usage page and usage. The program finds it the
// way it finds the virtual HID device on Windows and writes it packets
// (VirtualPacketDecoder), which come out as the keyboard, mouse, consumer and
// system-control input of one uinput device (KEY_* of EvdevUsageTable, the
// eight mouse buttons, REL_X, REL_Y and REL_WHEEL).
//
// The uinput device is made on the first open with write access and stays
// until the service goes. Desktops open a new input device only once udevd
// has processed it, and drop what a device sent when it goes: so where udevd
// runs, making the device waits (up to kReadyLimit) until udevd announces its
// event node, and the device outlives its last event by kLinger, so a short
// run (`keywright-ctl send`) is not typed into nothing.
//
// Caps give an output report length of kOutputReportLength: a Windows caller
// writes a report of the length the caps give, counting a report id byte in
// front of the packet. Write takes the packet alone (its marker byte in the
// place of that id), or one byte more, which is ignored, and reports the
// length it was given as transferred. Other lengths, and packets that do not
// decode (wrong marker, unknown report id), fail with ERROR_INVALID_PARAMETER
// and change nothing.
//
// When the last handle with write access closes, every key, button and
// control its packets left down is released, so nothing stays pressed.
// Thread-safe: each packet's change of state and the events that carry it are
// one step.
class VirtualOutputDevice {
  public:
    static constexpr std::string_view kPath =
        "\\\\?\\hid#vid_deed&pid_feed#keywright-uinput&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    static constexpr std::uint16_t kOutputReportLength = kVirtualPacketLength + 1;

    // `path` names this device (compared without regard to case, as Windows
    // compares interface paths).
    static bool IsPath(std::string_view path);
    static HidAttributes Attributes();
    static HidCaps Caps();

    // Makes the device's event sink; null with an errno value when it cannot.
    using SinkMaker = std::function<std::unique_ptr<EvdevSink>(int& error)>;

    static constexpr std::chrono::milliseconds kReadyLimit{1000};
    static constexpr std::chrono::milliseconds kLinger{100};

    // The device on uinput, made through `uinputPath`. With `makeSink` (for
    // tests), events go to the sinks it makes instead (and nothing waits for
    // udevd). The linger is waited on `clock`.
    explicit VirtualOutputDevice(std::string uinputPath = kUinputPath, SinkMaker makeSink = {},
                                 Clock& clock = SystemClock());
    // Waits until kLinger after the last event, then removes the device.
    ~VirtualOutputDevice();
    VirtualOutputDevice(const VirtualOutputDevice&) = delete;
    VirtualOutputDevice& operator=(const VirtualOutputDevice&) = delete;

    // One open handle with write access.
    class Writer;
    // Makes the uinput device when it does not exist yet. Null, with `error`
    // and a message for people, when it cannot be made.
    std::shared_ptr<Writer> Attach(HidOpenError& error, std::string& message);
    // The handle closes: its writes fail from now on. The last one to go
    // releases everything held.
    void Detach(Writer& writer);

    HidWriteResult Write(Writer& writer, const std::uint8_t* report, std::size_t length);

  private:
    // Emits under mutex_ and notes the time.
    bool EmitLocked(std::span<const EvdevEvent> events, int& error);

    const std::string uinputPath_;
    const SinkMaker makeSink_;
    Clock& clock_;
    std::mutex mutex_;
    // Guarded by mutex_.
    std::unique_ptr<EvdevSink> device_;
    std::optional<Clock::TimePoint> lastEvent_;
    VirtualPacketDecoder decoder_;
    std::size_t writers_ = 0;
};

} // namespace keywright::platform::lnx
