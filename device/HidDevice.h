#pragma once

#include "base/Trace.h"
#include "platform/HidService.h"
#include "platform/NamedLocks.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace keywright {

// Access rights in bits 24..31, share mode in bits 0..7.
using OpenMode = std::uint32_t;
constexpr OpenMode kReadWriteShared = 0xC0000003; // what every caller passes

// The program's handle on the keyboard's command collection: open by path,
// then move fixed 8-byte reports. Every operation holds a named lock of its
// own ("HidDevice::Open", ...) for its whole duration, so the same operation
// never runs twice at once, across threads and processes.
//
// Thread safety beyond the locks: Close may run on one thread while another
// is inside a transfer (they take different locks). The handle is read once
// per transfer and the HID service makes a transfer on a closed handle fail,
// so the race costs that one transfer, never memory safety.
class HidDevice {
  public:
    static constexpr std::size_t kReportLength = 8;
    static constexpr std::uint32_t kWriteTimeoutMs = 3000;

    HidDevice(platform::HidService& hid, platform::NamedLocks& locks, Trace trace = StdoutTrace());

    // Closes what is open, then opens `path`. nullopt returns false and
    // leaves the current handle alone. A failed open leaves the device
    // closed. A failed capability query does not fail the open.
    bool Open(const std::optional<std::string>& path, OpenMode mode);
    void Close();
    bool IsOpen() const { return platform::IsOpenHandle(handle_.load()); }

    // Feature reports of kReportLength bytes; byte 0 is the report id. False
    // without I/O when `report` is null or nothing was ever opened.
    bool SetFeature(const std::uint8_t* report);
    bool GetFeature(std::uint8_t* report);

    // Writes the output report (clamped to the collection's output report
    // length) with a time limit of 3000 ms; the number of bytes written, 0 on
    // failure or time-out.
    std::uint32_t Write(const std::uint8_t* report);

    // The first present collection that passes the filter (see
    // EnumerateHidInterfaces), opened with Open. Holds "HidDevice::Open" over
    // the enumeration and the open; only the first match is tried.
    bool OpenMatching(std::int32_t vendorId, const std::int32_t* productIds,
                      std::int32_t productCount, std::int32_t interfaceNumber,
                      std::int32_t collectionNumber, OpenMode mode);
    // Any product when productId is 0.
    bool OpenById(std::int32_t vendorId, std::int32_t productId, std::int32_t interfaceNumber,
                  std::int32_t collectionNumber);

    // How the last Open went (an OpenMatching that finds nothing opens
    // nothing and leaves it alone), so callers can say why a device is closed.
    const platform::HidOpenResult& LastOpenResult() const { return lastOpen_; }
    platform::HidCaps Caps() const;

    // The write algorithm with an arbitrary length and time limit.
    std::uint32_t WriteWithTimeout(const std::uint8_t* data, std::size_t length,
                                   std::uint32_t timeoutMs);

  private:
    bool QueryCapabilities(const std::string& path, platform::HidCaps& caps);

    platform::HidService& hid_;
    platform::NamedLocks& locks_;
    Trace trace_;
    std::atomic<platform::HidHandle> handle_{platform::kNoHid};
    mutable std::mutex capsMutex_; // Open writes the caps while Write may read them
    platform::HidCaps caps_{};
    platform::HidOpenResult lastOpen_{platform::kNoHid, platform::HidOpenError::None, {}};
};

} // namespace keywright
