#pragma once

#include "base/Trace.h"
#include "platform/HidService.h"
#include "platform/VirtualDevice.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace keywright {

// Where a report object sends its data: one packet per call.
class IVHidevProxy {
  public:
    virtual ~IVHidevProxy() = default;
    // `reportId` 0 puts the data right after the packet's first byte.
    virtual bool Send(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) = 0;
};

// The program's side of the virtual output device (platform/VirtualDevice.h
// holds its identity and packet layout): replacement keys, mouse buttons and
// axes, media and system controls reach the system through it.
//
// It keeps the current state of the device's four input reports and writes a
// packet on every change. Without a device every write fails quietly; the
// report states are still kept, so the first packet after the device is found
// carries them.
//
// Thread-safe: the key reader, the macro playback thread and the UI thread
// all write. deviceLock makes each change of a report and the packet that
// carries it one step, so two threads pressing keys never lose each other's
// bits or send a half-changed map. deviceLock comes last in the lock order
// (after the key monitor's listenerLock and the engine's dataLock).
class VHidev final : public IVHidevProxy {
  public:
    static constexpr std::uint8_t kKeyboardReportId = platform::kVirtualKeyboardReport;
    static constexpr std::uint8_t kMouseReportId = platform::kVirtualMouseReport;
    static constexpr std::uint8_t kConsumerReportId = platform::kVirtualConsumerReport;
    static constexpr std::uint8_t kSystemReportId = platform::kVirtualSystemReport;
    // The page OutputUsage takes mouse buttons on, the usage's low byte being
    // the button's bit: the program's own convention (HID gives buttons page
    // 0x09).
    static constexpr std::uint16_t kMouseButtonPage = 0x05;
    // Writes are plain synchronous writes: they take as long as the device
    // takes.
    static constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFF;

    // One report: its id, current data and the sink it is sent through.
    // Guarded by the owner's deviceLock.
    class Report {
      public:
        Report(std::uint8_t id, std::size_t size, IVHidevProxy& sink)
            : id_(id), data_(size, 0), sink_(sink) {}
        std::uint8_t Id() const { return id_; }
        std::vector<std::uint8_t>& Data() { return data_; }
        const std::vector<std::uint8_t>& Data() const { return data_; }
        void Clear() { std::fill(data_.begin(), data_.end(), std::uint8_t{0}); }
        bool Send() { return sink_.Send(data_.data(), data_.size(), id_); }

      private:
        std::uint8_t id_;
        std::vector<std::uint8_t> data_;
        IVHidevProxy& sink_;
    };

    // Search trace lines go to `trace` (standard output in the program).
    explicit VHidev(platform::HidService& hid, Trace trace = StdoutTrace());
    ~VHidev() override; // closes the device
    VHidev(const VHidev&) = delete;
    VHidev& operator=(const VHidev&) = delete;

    // Builds the packet and writes it whole under deviceLock. False
    // while no device is open or when the write fails.
    bool Send(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) override;

    // Changes one report by the rules of the page and sends it:
    //   0x07 any usage       keyboard bit (usage & 0xFF) set/cleared
    //   0x05 low byte 0-7    mouse button bit set/cleared
    //   0x05 low byte >= 8   mouse report sent unchanged
    //   0x01 >= 0x80         system report = usage (down) or 0 (up)
    //   0x01 0x30/0x31/0x38  mouse X/Y/wheel byte = 0x30/0x31/0x38, down or up
    //   0x0C any usage       consumer report = usage (down) or 0 (up)
    // The result of Send; false with nothing sent for page 0x01 usages below
    // 0x80 other than the axes (the catalogue's mouse buttons among them) and
    // for every other page.
    bool OutputUsage(std::uint16_t page, std::uint16_t usage, int down);
    // OutputUsage(0x07, usage, down), as macro playback uses it.
    bool SetKeyboardBit(std::uint16_t usage, int down);
    // Zeroes and sends the keyboard, mouse, consumer and system reports, in
    // that order.
    void ReleaseAll();

    // Closes the device if open, then opens the last present HID interface
    // that passes the test (the virtual device's vendor and product in its
    // attributes, its usage page and usage in the caps). Writes the search's
    // trace lines. True when one was found.
    bool FindVirtualDevice();
    bool HasDevice() const;

  private:
    bool TestInterface(platform::HidHandle handle);

    platform::HidService& hid_;
    const Trace trace_;
    // Recursive: a report change holds it around Send, which takes it too.
    mutable std::recursive_mutex deviceLock_;
    platform::HidHandle device_ = platform::kInvalidHid; // guarded by deviceLock_
    Report keyboardReport_;
    Report mouseReport_;
    Report consumerReport_;
    Report systemReport_;
};

} // namespace keywright
